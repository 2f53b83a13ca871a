// The main window's tables, host context and dialog procedure; see mainWindow.h. The selectors and the language
// texts it calls are in selectorsWin.cpp and languageTextsWin.cpp, the commands in mainCommandWin.cpp.
#include "mainWindow.h"

#include "mainCommand.h"
#include "mainWindowLayout.h"
#include "programSettings.h"
#include "programTexts.h"
#include "wordTemplateInstaller.h"

#include "buttonStyles.h"
#include "controls.h"
#include "dropDowns.h"
#include "editFields.h"
#include "labels.h"
#include "messageBox.h"
#include "skinHost.h"
#include "skinnedDialog.h"

#include <windowsx.h>

#include <vector>

namespace {
// The framework's records of the main window, built from mainWindowLayout.h by prepareMainWindow (the drop-down
// lists at WM_INITDIALOG). UI thread only.
std::vector<ControlRecord> gControls;
std::vector<LabelRecord> gLabels;
std::vector<EditFieldRecord> gEditFields;
std::vector<DropDownRecord> gDropDowns;
std::vector<ButtonStyle> gButtonStyles;
MainWindowState gState;

void installTemplateSilently(HWND mainWindow) {
    setupWordTemplate(mainWindow, true, true);
}
FirstRunTemplateSetup gFirstRunTemplateSetup = installTemplateSilently; // UI thread

void buildTables() {
    gControls.clear();
    for (const MainControlRow& row : kMainControlRows) {
        const int32_t flags = kShownFlags | (row.id == kFocusAtStart ? ControlFlags::Highlighted : 0);
        gControls.push_back(
            newControlRecord(row.kind, row.id, row.x, row.y, row.width, row.height, flags, row.caption));
    }
    gControls.push_back(controlTableEnd());
    gLabels.clear();
    for (const MainLabelRow& row : kMainLabelRows)
        gLabels.push_back(
            newControlRecord(row.kind, row.id, row.x, row.y, row.width, row.height, kShownFlags, row.text));
    gLabels.push_back(controlTableEnd());
    // One field that is never shown: only an EN_CHANGE from it would count as an unsaved change.
    gEditFields.clear();
    gEditFields.push_back(newEditFieldRecord(1, 0, 0, 0, 0, 0, 0, L""));
    gEditFields.push_back(editFieldTableEnd());
    gDropDowns.clear();
    gDropDowns.push_back(dropDownTableEnd());
    gButtonStyles.assign(kSettingsProgramButtonStyles.begin(), kSettingsProgramButtonStyles.end());
}

// Made when the window starts, so that the lists' font comes from the start-up face and the loaded text scale.
void buildDropDowns() {
    std::vector<DropDownRecord> lists;
    for (const MainDropDownRow& row : kMainDropDownRows)
        lists.push_back(newDropDown(kDropDownClassName, row.kind, row.id, 0, 0, kDropDownWidth, 0, L""));
    lists.push_back(dropDownTableEnd());
    gDropDowns.swap(lists);
    skinHost().dropDowns = gDropDowns.data();
}

void fillHost(HINSTANCE instance, const std::wstring& uiFontFace) {
    const ProgramSettings& settings = liveSettings();
    SkinHost& host = skinHost();
    host.instance = instance;
    host.uiFontFace = uiFontFace;
    host.windowWidth = kMainWindowWidth;
    host.windowHeight = kMainWindowHeight;
    host.title = kProgramTitle;
    host.notInstalledMessage = kNotInstalledMessage;
    host.textScale = settings.textScale;
    host.skinFolder = settings.skinRoot;
    host.skinName = settings.skinName;
    host.defaultBackground = settings.defaultBackgroundPath;
    host.defaultButtonStrip = settings.defaultButtonStripPath;
    host.iconFile = settings.iconFilePath;
    host.controls = gControls.data();
    host.labels = gLabels.data();
    host.editFields = gEditFields.data();
    host.dropDowns = gDropDowns.data();
    host.buttonStyles = gButtonStyles.data();
    host.skinGroups.assign(kSettingsProgramSkinGroups.begin(), kSettingsProgramSkinGroups.end());
    host.skinPrefix = L'D';
    host.minimiseControlId = kMinimiseControl;
    host.dropDownSelectors.clear();
    for (const MainDropDownRow& row : kMainDropDownRows)
        host.dropDownSelectors.push_back({row.id, row.selector});
    host.dialogProc = mainWindowProc;
    host.commitHandler = commitDropDownSelection;
}

void endDrag() {
    gState.dragX = -1;
    gState.dragY = -1;
    ReleaseCapture();
}

// Whether an activation comes back from another program: the window active before it (WM_ACTIVATE's lParam) is
// none of this process's, or unknown (the system passes none for another thread's window). A closing drop-down list
// or message box hands the activation back too, and must not undo what the user just chose there.
bool comesFromAnotherProgram(HWND previous) {
    if (previous == nullptr)
        return true;
    DWORD process = 0;
    return GetWindowThreadProcessId(previous, &process) == 0 || process != GetCurrentProcessId();
}

INT_PTR onInitDialog(HWND window) {
    gState.window = window;
    attachSkinnedWindow(window); // window DC, back buffer, MM_TEXT; fatalExit (11) when one cannot be had
    loadWindowIcons();
    buildDropDowns();
    applyLanguageTexts();
    fillSelectorLists();
    createEditWindows();
    if (!userSettingsFound() && gFirstRunTemplateSetup != nullptr)
        gFirstRunTemplateSetup(window);
    // The window itself takes the keys. Answering "focus set" keeps the dialog manager from handing the focus to
    // its first child, the hidden edit field, where every typed key would count as an unsaved edit.
    SetFocus(window);
    return 0;
}

// The drag is over once the capture went elsewhere (WM_CAPTURECHANGED: another window took it, or the system ended
// it): the release that would end the drag never comes here then. The capture is not released here: it is no longer
// this window's.
void forgetDrag() {
    gState.dragX = -1;
    gState.dragY = -1;
}

INT_PTR onMouseMove(HWND window, WPARAM wParam, LPARAM lParam) {
    const int32_t x = GET_X_LPARAM(lParam);
    const int32_t y = GET_Y_LPARAM(lParam);
    // A move without the left button: it was released where this window did not hear it. The window must not follow
    // a pointer with no button held.
    if ((wParam & MK_LBUTTON) == 0 && (gState.dragX >= 0 || gState.dragY >= 0))
        endDrag();
    if (gState.dragX < 0 || gState.dragY < 0) {
        const int32_t id = hitTestControl(x, y);
        if (id != gState.hovered) {
            gState.hovered = id;
            hoverControl(id);
            redrawWindow(kRedrawControls);
        }
        return 0;
    }
    RECT frame{};
    GetWindowRect(window, &frame);
    MoveWindow(window, x + frame.left - gState.dragX, y + frame.top - gState.dragY, kMainWindowWidth, kMainWindowHeight,
               TRUE);
    return 0;
}

INT_PTR onButtonDown(HWND window, LPARAM lParam) {
    const int32_t x = GET_X_LPARAM(lParam);
    const int32_t y = GET_Y_LPARAM(lParam);
    gState.pressed = hitTestControl(x, y);
    if (gState.pressed < 0) {
        gState.dragX = x;
        gState.dragY = y;
        SetCapture(window);
        return 0;
    }
    pressControl(gState.pressed);
    redrawWindow(kRedrawControls);
    return 0;
}

INT_PTR onButtonUp(LPARAM lParam) {
    endDrag();
    // A command runs only when the press and the release hit the same control.
    const int32_t pressed = gState.pressed;
    if (hitTestControl(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)) == pressed) {
        handleMainCommand(pressed);
        releaseControl(pressed);
        redrawWindow(kRedrawFace);
    }
    gState.pressed = -1;
    return 0;
}

INT_PTR onKeyDown(WPARAM key) {
    endDrag();
    switch (key) {
    case VK_SHIFT:
        gState.shiftHeld = true;
        break;
    case VK_RETURN:
    case VK_SPACE:
        if (keyboardNavigation()) {
            const int32_t id = highlightedControlId();
            pressControl(id);
            redrawWindow(kRedrawControls);
            handleMainCommand(id);
            releaseControl(id);
            redrawWindow(kRedrawFace);
        }
        break;
    case VK_TAB:
        if (gState.shiftHeld)
            focusPreviousControl();
        else
            focusNextControl();
        redrawWindow(kRedrawControls);
        break;
    default:
        break;
    }
    return 0;
}

INT_PTR onClose(HWND window) {
    ReleaseCapture();
    // The box's state is part of the settings before they are compared: ticking it alone is a change.
    readMathTypeStyleCheckbox();
    if (gState.textEdited || areSettingsModified()) {
        switch (showMessageBox(window, languageText(ProgramText::UnsavedChanges), kProgramTitle,
                               MB_YESNOCANCEL | MB_ICONQUESTION)) {
        case IDYES:
            if (!saveSettingsAndSnapshot())
                return 1; // told so; the window stays with its changes
            break;
        case IDNO:
            break;
        default: // Cancel (or a box that could not be shown): the window stays with its changes
            return 1;
        }
    }
    EndDialog(window, 2);
    return 0;
}

INT_PTR dispatch(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        return onInitDialog(window);
    case WM_ERASEBKGND:
        redrawWindow(kRedrawFace);
        SetWindowLongPtrW(window, DWLP_MSGRESULT, 1); // what the dialog manager hands back: erased
        return 1;
    case WM_ACTIVATE:
        if (gState.reloadOnActivate && LOWORD(wParam) != WA_INACTIVE &&
            comesFromAnotherProgram(reinterpret_cast<HWND>(lParam))) {
            gState.reloadOnActivate = false;
            // What the module program left in the registry is what is saved now.
            reloadProgramSettings();
            copyProgramSettings(savedSettings(), liveSettings());
        }
        return 0;
    case WM_MOUSEMOVE:
        return onMouseMove(window, wParam, lParam);
    case WM_CAPTURECHANGED:
        forgetDrag();
        return 0;
    case WM_LBUTTONDOWN:
        return onButtonDown(window, lParam);
    case WM_LBUTTONUP:
        return onButtonUp(lParam);
    case WM_KEYDOWN:
        return onKeyDown(wParam);
    case WM_KEYUP:
        endDrag();
        if (wParam == VK_SHIFT)
            gState.shiftHeld = false;
        return 0;
    case WM_COMMAND:
        if (HIWORD(wParam) == EN_CHANGE)
            gState.textEdited = true;
        return 1;
    case WM_CLOSE:
        return onClose(window);
    default:
        return 0;
    }
}
} // namespace

MainWindowState& mainWindowState() {
    return gState;
}

void setFirstRunTemplateSetup(FirstRunTemplateSetup setup) {
    gFirstRunTemplateSetup = setup != nullptr ? setup : installTemplateSilently;
}

INT_PTR CALLBACK mainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    try {
        return dispatch(window, message, wParam, lParam);
    } catch (...) {
        // Only the standard library throws (out of memory); the message counts as not handled.
        return 0;
    }
}

void prepareMainWindow(HINSTANCE instance, const std::wstring& uiFontFace) {
    gState = MainWindowState();
    buildTables();
    fillHost(instance, uiFontFace);
    loadBackgroundBitmap();
    loadButtonSkin();
    syncMathTypeStyleControls();
}

void releaseMainWindow() {
    // The lists have no owner: they outlive the dialog unless they are destroyed here.
    destroyDropDowns();
    gDropDowns.clear();
    gDropDowns.push_back(dropDownTableEnd());
    skinHost().dropDowns = gDropDowns.data();
    clearSelectorFolders();
    releaseLanguageFont();
    releaseSkinnedWindow();
    freeEditFonts();
    freeWindowIcons();
    freeButtonStyleBitmaps();
    freeBackgroundBitmap();
    gState.window = nullptr;
}

INT_PTR runMainWindow(HINSTANCE instance, const std::wstring& uiFontFace, HWND owner) {
    prepareMainWindow(instance, uiFontFace);
    const INT_PTR result = runSkinnedDialog(owner);
    releaseMainWindow();
    return result;
}
