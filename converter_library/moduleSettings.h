// The settings of the module window: one record, filled from the registry each time the window opens, with the
// module's folders and default skin files derived from the install paths. The window uses the text scale and the skin,
// bitmap and icon paths; the conversion values and folders only mirror the registry as it was when the window opened,
// since every job reads its own afresh (conversionSettings.h).
#pragma once

#include "mtef/equationFormat.h"

#include <cstdint>
#include <string>

struct ModuleSettings {
    // The equation format.
    EquationFormat eqVersion = EquationFormat::MicrosoftEquation;
    int32_t isUniPrime = 1;    // "Force Unicode"
    int32_t isOleRestore = 0;  // "Restore broken equations"
    int32_t isEuclid = 0;      // "Allow MathType fonts"
    int32_t textScale = 100;   // interface text scale in percent
    int32_t isStartup = 1;     // stored option; nothing here acts on it
    int32_t isStatistics = 1;  // stored option; nothing here acts on it
    int32_t isProgressWin = 1; // whether a job shows its progress window
    int32_t serverMode = 0;    // the machine-wide server mode (HKLM main)
    std::wstring moduleFolder; // install path + "\sembrik\"
    std::wstring mainFolder;   // main install path + "\main\"
    std::wstring languageRoot; // moduleFolder + "language\"
    std::wstring languageName; // language folder name; empty is English
    std::wstring skinRoot;     // moduleFolder + "skin\"
    std::wstring skinName = L"colorful";
    std::wstring backgroundBitmapPath; // moduleFolder + "btmm": the default background
    std::wstring buttonBitmapPath;     // moduleFolder + "btmb": the default button strip
    std::wstring iconPath;             // moduleFolder + "btmi": the window's icon file
};

// The process-wide record; the UI thread fills and reads it.
ModuleSettings& moduleSettings();

enum class [[nodiscard]] ModuleSettingsLoadStatus : int32_t{
    Ok = 0,                     // the record was filled; a value that could not be read kept its field
    MachineSettingsMissing = 1, // a machine-wide key or install path is missing: the module is not properly installed
};

// Fills the record from the registry. Values that are absent keep what the record held, also when the load fails
// part way (what it filled stays filled); every key is closed on every path.
ModuleSettingsLoadStatus loadModuleSettings(ModuleSettings& settings);
ModuleSettingsLoadStatus loadModuleSettings();
