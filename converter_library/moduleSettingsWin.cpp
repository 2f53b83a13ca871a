// Loading the module window's settings from the suite's machine-wide and per-user keys.
#include "moduleSettings.h"

#include "settingsKeys.h"
#include "settingsText.h"

namespace {
ModuleSettings gModuleSettings; // the UI thread only

// Reads the install path of a machine-wide key; false when it is missing or empty.
bool readInstallPath(ScopedRegKey& key, std::wstring& path) {
    return readRegString(path, key, L"path", KeyClosePolicy::KeepOpen) && !path.empty();
}
} // namespace

ModuleSettings& moduleSettings() {
    return gModuleSettings;
}

ModuleSettingsLoadStatus loadModuleSettings(ModuleSettings& settings) {
    settings.eqVersion = EquationFormat::MicrosoftEquation;
    std::wstring path;
    {
        ScopedRegKey main = openKeyForReading(HKEY_LOCAL_MACHINE, kMainKeyPath, KEY_WOW64_32KEY);
        if (!main.isOpen() || !readInstallPath(main, path))
            return ModuleSettingsLoadStatus::MachineSettingsMissing;
        settings.mainFolder = path + L"\\main\\";
        readDwordField(settings.serverMode, main, L"serverMode");
    }
    {
        ScopedRegKey sembrik = openKeyForReading(HKEY_LOCAL_MACHINE, kSembrikKeyPath, KEY_WOW64_32KEY);
        if (!sembrik.isOpen() || !readInstallPath(sembrik, path))
            return ModuleSettingsLoadStatus::MachineSettingsMissing;
        settings.moduleFolder = path + L"\\sembrik\\";
        settings.languageRoot = settings.moduleFolder + L"language\\";
        settings.skinRoot = settings.moduleFolder + L"skin\\";
        settings.backgroundBitmapPath = settings.moduleFolder + L"btmm";
        settings.buttonBitmapPath = settings.moduleFolder + L"btmb";
        settings.iconPath = settings.moduleFolder + L"btmi";
        std::wstring lcid;
        if (readRegString(lcid, sembrik, L"instLanguage", KeyClosePolicy::KeepOpen) && !lcid.empty())
            settings.languageName = languageFolderFromLcid(lcid, LanguageTable::WithoutRussian);
    }
    if (ScopedRegKey userMain = openKeyForReading(HKEY_CURRENT_USER, kMainKeyPath, KEY_WOW64_32KEY);
        userMain.isOpen()) {
        readStringField(settings.skinName, userMain, L"pathSkin");
        readDwordField(settings.textScale, userMain, L"textScale");
    }
    if (ScopedRegKey user = openKeyForReading(HKEY_CURRENT_USER, kSembrikKeyPath, KEY_WOW64_32KEY); user.isOpen()) {
        readEquationFormatField(settings.eqVersion, user, L"eqVersion");
        readDwordField(settings.isUniPrime, user, L"isUniPrime");
        readDwordField(settings.isOleRestore, user, L"isOleRestore");
        readDwordField(settings.isEuclid, user, L"isEuclid");
        readStringField(settings.languageName, user, L"pathLanguage");
        readDwordField(settings.isStartup, user, L"isStartup");
        readDwordField(settings.isStatistics, user, L"isStatistics");
        readDwordField(settings.isProgressWin, user, L"isProgressWin");
    }
    return ModuleSettingsLoadStatus::Ok;
}

ModuleSettingsLoadStatus loadModuleSettings() {
    return loadModuleSettings(gModuleSettings);
}
