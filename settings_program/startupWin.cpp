// The start modes of the settings program; see startup.h.
#include "startup.h"

#include "mainWindow.h"
#include "moduleLaunchers.h"
#include "programSettings.h"
#include "programTexts.h"

#include "messageBox.h"
#include "skinHost.h"

namespace {
bool gFileProcessingEnabled = false; // UI thread; set at start-up only
HINSTANCE gInstance = nullptr;       // UI thread; set at start-up only

// A module's option window without an owner, and nothing else: no settings are saved and no main window appears.
// The message is English, since no language file has been read.
int32_t runModuleOnly(ModuleLauncher showOptions, HINSTANCE instance) {
    if (!showOptions(instance, nullptr))
        showMessageBox(nullptr, englishText(ProgramText::ModuleNotFound), kProgramTitle, MB_ICONINFORMATION);
    return kModuleWindowOnly;
}

int32_t runMainWindowFor(HWND owner) {
    // A number that names no window would make the dialog fail and end the program as "not properly installed":
    // such an owner is dropped and the window runs on its own.
    if (owner != nullptr && !IsWindow(owner))
        owner = nullptr;
    copyProgramSettings(savedSettings(), liveSettings());
    switch (runMainWindow(gInstance, chooseUiFontFace(), owner)) {
    case 1:
        return kClosedThroughOk;
    case 2:
        return kClosedOtherwise;
    default:
        fatalExit(kFatalDialogFailed);
    }
}
} // namespace

int32_t startOptionsProgram(HINSTANCE instance, HWND owner, StartMode mode) {
    gInstance = instance;
    SkinHost& host = skinHost();
    host.instance = instance;
    host.uiFontFace = chooseUiFontFace();
    // The fatal message's texts, before anything can fail.
    host.title = kProgramTitle;
    host.notInstalledMessage = kNotInstalledMessage;
    if (loadProgramSettings() != ProgramSettingsLoadStatus::Ok)
        fatalExit(kFatalSettingsMissing);
    switch (mode) {
    case StartMode::PalvexOptionsOnly:
        return runModuleOnly(showPalvexOptions, instance);
    case StartMode::DornakOptionsOnly:
        return runModuleOnly(showDornakOptions, instance);
    case StartMode::SembrikOptionsOnly:
        return runModuleOnly(showSembrikOptions, instance);
    case StartMode::MainWindowWithFileProcessing:
        gFileProcessingEnabled = true;
        break;
    case StartMode::MainWindow:
        break;
    }
    return runMainWindowFor(owner);
}

bool fileProcessingEnabled() {
    return gFileProcessingEnabled;
}

void setFileProcessingEnabled(bool enabled) {
    gFileProcessingEnabled = enabled;
}

HWND ownerWindowFromValue(int32_t value) {
    return reinterpret_cast<HWND>(static_cast<intptr_t>(value));
}
