// Loading and saving the program settings through the registry: the suite's machine-wide install keys and the
// per-user choices, all in the 32-bit view; MathType's presence through its equation class; Equation Editor 3.x's
// AutoConvertTo key in both views. Every key is a ScopedRegKey, so each is closed on every path, whatever the close
// policy of the last read left to do.
#include "programSettings.h"
#include "programSettingsRegistry.h"
#include "programTexts.h"

#include "messageBox.h"
#include "registryValues.h"
#include "settingsText.h"
#include "skinHost.h"

#include <objbase.h>

#include <atomic>

namespace {
// Set by tests before a save, read by the save on the UI thread.
std::atomic<SubKeyDeleter> gAutoConvertToKeyDeleter{nullptr};

LSTATUS deleteSubKey(HKEY parent, const wchar_t* subKey, REGSAM view) {
    return RegDeleteKeyExW(parent, subKey, view, 0);
}

// Opens a key with the given access in a view; the record stays closed when the key does not open.
ScopedRegKey openKey(HKEY root, const wchar_t* path, REGSAM access) {
    HKEY opened = nullptr;
    if (RegOpenKeyExW(root, path, 0, access, &opened) != ERROR_SUCCESS)
        return ScopedRegKey(); // what a failed call leaves in `opened` is not a key
    return ScopedRegKey(opened);
}

ScopedRegKey openForReading(HKEY root, const wchar_t* path) {
    return openKey(root, path, KEY_READ | KEY_WOW64_32KEY);
}

// Reads a value into a field only when it can be read: a missing value keeps what the field held.
void readDwordInto(int32_t& field, ScopedRegKey& key, const wchar_t* name, KeyClosePolicy policy) {
    int32_t value = 0;
    if (readRegDword(value, key, name, policy))
        field = value;
}

void readStringInto(std::wstring& field, ScopedRegKey& key, const wchar_t* name, KeyClosePolicy policy) {
    std::wstring value;
    if (readRegString(value, key, name, policy))
        field = value;
}

// The language folder of a stored Windows language id, when one is stored.
void readInstallLanguage(std::wstring& field, ScopedRegKey& key) {
    std::wstring lcid;
    if (readRegString(lcid, key, L"instLanguage", KeyClosePolicy::CloseOnSuccess) && !lcid.empty())
        field = languageFolderFromLcid(lcid);
}

void loadMachineModule(ProgramSettings& settings, const SuiteModuleRow& row) {
    ScopedRegKey key = openForReading(HKEY_LOCAL_MACHINE, row.keyPath);
    if (!key.isOpen())
        return; // not installed: its fields stay as they are
    std::wstring path;
    if (readRegString(path, key, L"path", KeyClosePolicy::KeepOpen) && !path.empty())
        settings.*row.folder = path + row.folderSuffix;
    int32_t version = 0;
    if (readRegDword(version, key, L"version", KeyClosePolicy::KeepOpen)) {
        settings.*row.version = version;
        settings.*row.versionLine = versionLineText(row, version);
    }
    readInstallLanguage(settings.*row.language, key);
}

// MathType counts as installed when its equation class has a ProgID.
bool mathTypeClassRegistered() {
    CLSID clsid{};
    if (FAILED(CLSIDFromString(kMathTypeClsid, &clsid)))
        return false;
    ScopedCoTaskMemory<wchar_t> progId;
    return SUCCEEDED(ProgIDFromCLSID(clsid, progId.put()));
}

void loadUserMain(ProgramSettings& settings) {
    ScopedRegKey key = openForReading(HKEY_CURRENT_USER, kMainKeyPath);
    if (!key.isOpen()) {
        clearUserSettingsFound(); // the first run
        return;
    }
    readDwordInto(settings.isEE, key, L"isEE", KeyClosePolicy::KeepOpen);
    // MathType cannot stay the default editor without MathType; this comes before isEE2007 is read, so that a stored
    // choice of Equation Editor 3.x still holds.
    if (settings.isEE == 0 && settings.mathTypeInstalled == 0) {
        settings.isEE = 1;
        settings.isEE2007 = 1;
    }
    readDwordInto(settings.isEE2007, key, L"isEE2007", KeyClosePolicy::KeepOpen);
    readDwordInto(settings.isMTstyle, key, L"isMTstyle", KeyClosePolicy::KeepOpen);
    readStringInto(settings.skinName, key, L"pathSkin", KeyClosePolicy::KeepOpen);
    int32_t textScale = 0;
    if (readRegDword(textScale, key, L"textScale", KeyClosePolicy::KeepOpen))
        settings.textScale = saneTextScale(textScale);
    readStringInto(settings.languageName, key, L"pathLanguage", KeyClosePolicy::CloseOnSuccess);
}

// Removes Equation Editor 3.x's AutoConvertTo key in one view; true when it is gone or was never there.
bool removeAutoConvertTo(REGSAM view) {
    const std::wstring path = std::wstring(kEquationEditorClassPath) + L"\\" + kAutoConvertToKeyName;
    if (!openKey(HKEY_LOCAL_MACHINE, path.c_str(), KEY_READ | view).isOpen())
        return true;
    ScopedRegKey parent = openKey(HKEY_LOCAL_MACHINE, kEquationEditorClassPath, KEY_SET_VALUE | view);
    if (!parent.isOpen())
        return false;
    const SubKeyDeleter deleter = gAutoConvertToKeyDeleter.load();
    return (deleter ? deleter : deleteSubKey)(parent.get(), kAutoConvertToKeyName, view) == ERROR_SUCCESS;
}

// The per-user values in their order, each only after the one before was written.
bool writeUserMain(const ProgramSettings& settings) {
    HKEY created = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, kMainKeyPath, 0, nullptr, 0, KEY_WRITE | KEY_WOW64_32KEY, nullptr, &created,
                        nullptr) != ERROR_SUCCESS)
        return false;
    ScopedRegKey key(created);
    constexpr KeyClosePolicy kNext = KeyClosePolicy::CloseOnFailure;
    return writeRegDword(uint32_t(settings.isEE), key, L"isEE", kNext) &&
           writeRegDword(uint32_t(settings.isEE2007), key, L"isEE2007", kNext) &&
           writeRegDword(uint32_t(settings.isMTstyle), key, L"isMTstyle", kNext) &&
           writeRegString(settings.skinName, key, L"pathSkin", kNext) &&
           writeRegDword(uint32_t(settings.textScale), key, L"textScale", kNext) &&
           writeRegString(settings.languageName, key, L"pathLanguage", KeyClosePolicy::CloseOnSuccess);
}

void showNote(ProgramText entry) {
    showMessageBox(skinHost().mainWindow, languageText(entry), kProgramTitle, MB_ICONINFORMATION);
}
} // namespace

void setAutoConvertToKeyDeleter(SubKeyDeleter deleter) {
    gAutoConvertToKeyDeleter.store(deleter);
}

ProgramSettingsLoadStatus loadProgramSettings() {
    ProgramSettings& settings = liveSettings();
    {
        ScopedRegKey main = openForReading(HKEY_LOCAL_MACHINE, kMainKeyPath);
        std::wstring path;
        if (!main.isOpen() || !readRegString(path, main, L"path", KeyClosePolicy::KeepOpen) || path.empty())
            return ProgramSettingsLoadStatus::MachineSettingsMissing;
        settings.mainFolder = path + L"\\main\\";
        settings.languageRoot = settings.mainFolder + L"language\\";
        settings.skinRoot = settings.mainFolder + L"skin\\";
        settings.defaultBackgroundPath = settings.mainFolder + L"btmm";
        settings.defaultButtonStripPath = settings.mainFolder + L"btmb";
        settings.iconFilePath = settings.mainFolder + L"btmi";
        readInstallLanguage(settings.languageName, main);
    }
    for (const SuiteModuleRow& row : kSuiteModules)
        loadMachineModule(settings, row);
    if (mathTypeClassRegistered())
        settings.mathTypeInstalled = 1;
    loadUserMain(settings);
    for (const SuiteModuleRow& row : kSuiteModules) {
        ScopedRegKey key = openForReading(HKEY_CURRENT_USER, row.keyPath);
        if (key.isOpen())
            readStringInto(settings.*row.language, key, L"pathLanguage", KeyClosePolicy::CloseOnSuccess);
    }
    return ProgramSettingsLoadStatus::Ok;
}

ProgramSettingsSaveStatus saveProgramSettings() {
    const ProgramSettings& live = liveSettings();
    const ProgramSettings& saved = savedSettings();
    if (!writeUserMain(live))
        return ProgramSettingsSaveStatus::NotWritten;
    if (live.isMTstyle != saved.isMTstyle)
        showNote(ProgramText::WordRestartNote);
    const bool equationEditor3 = live.isEE != 0 && live.isEE2007 == 0;
    if (equationEditor3 && (live.isEE != saved.isEE || live.isEE2007 != saved.isEE2007)) {
        // The 64-bit view is tried only once the 32-bit one is clear: one refusal, one note. The note has the main
        // window as its owner, like the restart note, so that it stays above the window.
        if (!removeAutoConvertTo(KEY_WOW64_32KEY) || !removeAutoConvertTo(KEY_WOW64_64KEY))
            showNote(ProgramText::AutoConvertToRefused);
    }
    return ProgramSettingsSaveStatus::Ok;
}
