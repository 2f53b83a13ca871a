// The main window's command dispatcher; see mainCommand.h.
#include "mainCommand.h"

#include "mainWindow.h"
#include "mainWindowLayout.h"
#include "moduleLaunchers.h"
#include "programSettings.h"
#include "programTexts.h"
#include "shellOpen.h"
#include "startup.h"

#include "controls.h"
#include "dropDowns.h"
#include "messageBox.h"
#include "scopedWin.h"
#include "skinHost.h"

#include <cstring>

// The maker's web site comes from the build (VELTRIM_MAKER_SITE); "https://veltrim.example" is a placeholder of a
// reserved domain that a release build replaces.
#ifndef VELTRIM_MAKER_SITE
#define VELTRIM_MAKER_SITE "https://veltrim.example"
#endif
#define VELTRIM_WIDEN2(text) L##text
#define VELTRIM_WIDEN(text) VELTRIM_WIDEN2(text)

namespace {
MainCommandHandler gHandler = dispatchMainCommand; // UI thread

HWND mainWindow() {
    return skinHost().mainWindow;
}

void showInformation(const std::wstring& text) {
    showMessageBox(mainWindow(), text, kProgramTitle, MB_ICONINFORMATION);
}

void openList(int32_t listId) {
    showDropDown(listId, true);
    layoutDropDowns();
}

void openWebPage(const wchar_t* path) {
    shellOpen(mainWindow(), makerPage(path), L""); // the result is ignored: there is nothing left to try
}

// A help file: the localised one when the language has a name and the file is there, else the main help folder's
// (not tested: the shell says whether it opens); the web page when the shell refuses the file.
struct HelpFile {
    std::wstring languageFolder; // the language's folder with its trailing backslash; empty: none
    const wchar_t* fileName;     // below "help\"
    const wchar_t* webPath;
};

bool fileExists(const std::wstring& path) {
    WIN32_FIND_DATAW found{};
    const ScopedFindHandle search(FindFirstFileW(path.c_str(), &found));
    return search.isOpen();
}

void openHelp(const HelpFile& help) {
    const std::wstring tail = std::wstring(L"help\\") + help.fileName;
    std::wstring file = liveSettings().mainFolder + tail;
    if (!help.languageFolder.empty() && fileExists(help.languageFolder + tail))
        file = help.languageFolder + tail;
    if (shellOpen(mainWindow(), file, L"") <= 32)
        openWebPage(help.webPath);
}

// A language folder under `root` by name ("german" -> root + "german\"); empty for English (no name).
std::wstring languageFolder(const std::wstring& root, const std::wstring& name) {
    return name.empty() ? std::wstring() : root + name + L"\\";
}

void openModuleHelp(SuiteModule module) {
    static const struct {
        const wchar_t* fileName;
        const wchar_t* webPath;
    } kModuleHelp[] = {
        // fileName       webPath
        {L"palvex.html", L"/palvex/"},
        {L"dornak.html", L"/dornak/"},
        {L"sembrik.html", L"/sembrik/"},
    };
    const ProgramSettings& settings = liveSettings();
    const SuiteModuleRow& row = kSuiteModules[static_cast<size_t>(module)];
    const auto& help = kModuleHelp[static_cast<size_t>(module)];
    openHelp(
        {languageFolder(settings.mainFolder + L"language\\", settings.*row.language), help.fileName, help.webPath});
}

void openProgramHelp(const wchar_t* fileName, const wchar_t* webPath) {
    const ProgramSettings& settings = liveSettings();
    openHelp({languageFolder(settings.languageRoot, settings.languageName), fileName, webPath});
}

// After a module's window or program: the settings it may have changed, and a snapshot of them, so that what the
// registry now holds does not count as unsaved.
void reloadAfterModule() {
    reloadProgramSettings();
    copyProgramSettings(savedSettings(), liveSettings());
}

SuiteModule moduleOfCommand(int32_t id, int32_t first) {
    return static_cast<SuiteModule>(id - first);
}

// Options (7-9): the download page when the module is not installed (nothing is saved); otherwise the settings are
// written first, since the module's window reads them from the registry. When they cannot be written the module is
// not opened: it would show the old choices as if they were the user's.
void openModuleOptions(SuiteModule module) {
    if ((liveSettings().*kSuiteModules[static_cast<size_t>(module)].folder).empty()) {
        openWebPage(L"/download/");
        return;
    }
    if (!saveSettingsAndSnapshot())
        return;
    if (moduleLaunchers(module).showOptions(skinHost().instance, mainWindow()))
        reloadAfterModule();
    else
        showInformation(languageText(ProgramText::ModuleNotFound));
}

void runFileProcessing(SuiteModule module) {
    if ((liveSettings().*kSuiteModules[static_cast<size_t>(module)].folder).empty()) {
        showInformation(L"This module is not installed.");
        return;
    }
    if (!fileProcessingEnabled()) {
        showInformation(L"To run this function, please ensure Microsoft Word is closed.\n\nPlease close Microsoft "
                        L"Word, open Veltrim Options from the Windows Start menu, and try again.");
        return;
    }
    if (!saveSettingsAndSnapshot())
        return;
    if (moduleLaunchers(module).runFileProcessing(skinHost().instance, mainWindow()))
        reloadAfterModule();
    else
        showInformation(languageText(ProgramText::ModuleNotFound));
}

void runInstaller() {
    const intptr_t result = shellOpen(mainWindow(), liveSettings().mainFolder + L"Veltrim_Sorvanta.exe", L"/I");
    // 5 is access denied: the user refused the elevation prompt, which needs no further word.
    if (result <= 32 && result != ERROR_ACCESS_DENIED)
        showInformation(languageText(ProgramText::ModuleNotFound));
}

// Puts the text (with its terminating zero) on the clipboard as Unicode text; nothing when the clipboard is held
// elsewhere or the memory cannot be had.
void copyToClipboard(const std::wstring& text) {
    const ScopedClipboard clipboard(mainWindow());
    if (!clipboard.isOpen())
        return;
    const size_t bytes = 2 * text.size() + 2;
    ScopedGlobalMemory memory(GlobalAlloc(GMEM_MOVEABLE, bytes));
    if (memory.get() == nullptr)
        return;
    {
        ScopedGlobalLock lock(memory.get());
        if (lock.data() == nullptr)
            return;
        std::memcpy(lock.data(), text.c_str(), bytes);
    }
    EmptyClipboard();
    if (SetClipboardData(CF_UNICODETEXT, memory.get()) != nullptr)
        memory.release(); // the clipboard owns the block now
}

void showInfo() {
    const std::wstring text = infoText();
    if (showMessageBox(mainWindow(), text + L"\r\nCopy Info to the Clipboard?", kProgramTitle,
                       MB_YESNOCANCEL | MB_ICONINFORMATION) == IDYES)
        copyToClipboard(L"\r\n" + text);
}

void onOk() {
    readMathTypeStyleCheckbox();
    if (saveSettingsAndSnapshot())
        EndDialog(mainWindow(), 1);
}

void onApply() {
    readMathTypeStyleCheckbox();
    if (saveSettingsAndSnapshot())
        mainWindowState().textEdited = false;
}
} // namespace

void setMainCommandHandler(MainCommandHandler handler) {
    gHandler = handler != nullptr ? handler : dispatchMainCommand;
}

void handleMainCommand(int32_t id) {
    gHandler(id);
}

bool saveSettingsAndSnapshot() {
    const ProgramSettingsSaveStatus status = saveProgramSettings();
    if (status != ProgramSettingsSaveStatus::Ok) {
        showMessageBox(mainWindow(), programSettingsSaveStatusText(status), kProgramTitle, MB_ICONWARNING);
        return false;
    }
    copyProgramSettings(savedSettings(), liveSettings());
    return true;
}

const wchar_t* makerSiteAddress() {
    return VELTRIM_WIDEN(VELTRIM_MAKER_SITE);
}

std::wstring makerPage(const wchar_t* path) {
    return std::wstring(makerSiteAddress()) + path;
}

// The Info box shows the three modules' version lines ("Sembrik - S.B00.00", or "Sembrik - not installed" for a
// module without a version), one a line, and nothing else.
std::wstring infoText() {
    const ProgramSettings& settings = liveSettings();
    std::wstring text;
    for (const SuiteModuleRow& row : kSuiteModules)
        text += settings.*row.versionLine + L"\r\n";
    return text;
}

void dispatchMainCommand(int32_t id) {
    const HWND window = mainWindow();
    switch (id) {
    case kMinimiseControl:
        ShowWindow(window, SW_MINIMIZE);
        return;
    case kCloseControl:
    case kCancelControl:
        SendMessageW(window, WM_CLOSE, 0, 0); // asks about unsaved changes
        return;
    case kWebLinkControl:
        openWebPage(L"/");
        return;
    case kOkControl:
        onOk();
        return;
    case kApplyControl:
        onApply();
        return;
    case kHelpControl:
        openProgramHelp(L"index.html", L"/");
        return;
    case kPalvexOptionsControl:
    case kPalvexOptionsControl + 1:
    case kSembrikOptionsControl:
        openModuleOptions(moduleOfCommand(id, kPalvexOptionsControl));
        return;
    case kPalvexProcessingControl:
    case kPalvexProcessingControl + 1:
    case kSembrikProcessingControl:
        runFileProcessing(moduleOfCommand(id, kPalvexProcessingControl));
        return;
    case kPalvexHelpControl:
    case kPalvexHelpControl + 1:
    case kSembrikHelpControl:
        openModuleHelp(moduleOfCommand(id, kPalvexHelpControl));
        return;
    case kUtilitiesHelpControl:
    case kUtilitiesHelpControl2:
        openProgramHelp(L"utilities.html", L"/utilities/");
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
    case kEnableRibbonControl:
        setupWordTemplate(window, false, true, localisedWordTemplateTexts());
        return;
    case kDisableRibbonControl:
        setupWordTemplate(window, false, false, localisedWordTemplateTexts());
        return;
    case kUpdateControl:
        runInstaller();
        return;
    case kInfoControl:
        showInfo();
        return;
    default:
        return; // not a control of the window
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
