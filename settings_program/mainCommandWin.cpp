// The main window's command entry and the interim dispatcher; see mainCommand.h.
#include "mainCommand.h"

#include "mainWindow.h"
#include "mainWindowLayout.h"
#include "programSettings.h"
#include "programTexts.h"

#include "controls.h"
#include "dropDowns.h"
#include "skinHost.h"

namespace {
MainCommandHandler gHandler = interimMainCommand; // UI thread

void openList(int32_t listId) {
    showDropDown(listId, true);
    layoutDropDowns();
}
} // namespace

void setMainCommandHandler(MainCommandHandler handler) {
    gHandler = handler != nullptr ? handler : interimMainCommand;
}

void handleMainCommand(int32_t id) {
    gHandler(id);
}

void interimMainCommand(int32_t id) {
    const HWND window = skinHost().mainWindow;
    switch (id) {
    case kMinimiseControl:
        ShowWindow(window, SW_MINIMIZE);
        return;
    case kCloseControl:
    case kCancelControl:
        SendMessageW(window, WM_CLOSE, 0, 0); // asks about unsaved changes
        return;
    case kOkControl:
        readMathTypeStyleCheckbox();
        saveProgramSettings();
        EndDialog(window, 1);
        return;
    case kApplyControl:
        readMathTypeStyleCheckbox();
        saveProgramSettings();
        copyProgramSettings(savedSettings(), liveSettings());
        mainWindowState().textEdited = false;
        return;
    case kThemeSelector:
        openList(kSkinList);
        return;
    case kScaleSelector:
        openList(kScaleList);
        return;
    case kLanguageSelector:
        openList(kLanguageList);
        return;
    case kEditorSelector:
        openList(kEditorList);
        return;
    case kMathTypeStyleBox:
        toggleControlChecked(kMathTypeStyleBox);
        return;
    default:
        // The web link, Help, the modules' buttons, the help buttons, the ribbon, Update and Info come with the
        // full dispatcher; until then they do nothing.
        return;
    }
}

WordTemplateTexts localisedWordTemplateTexts() {
    WordTemplateTexts texts;
    texts.enableQuestion = languageText(ProgramText::RibbonEnableQuestion);
    texts.disableQuestion = languageText(ProgramText::RibbonDisableQuestion);
    texts.moduleNotFound = languageText(ProgramText::ModuleNotFound);
    texts.takesEffect = languageText(ProgramText::WordRestartNote);
    return texts;
}
