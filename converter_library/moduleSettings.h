// The settings of the module window: one record, filled from the registry each time the window opens, with the
// module's folders and default skin files derived from the install paths.
#pragma once

#include "mtef/equationFormat.h"

#include <cstdint>
#include <string>

struct ModuleSettings {
    EquationFormat eqVersion = EquationFormat::MicrosoftEquation; // the equation format
    int32_t isUniPrime = 1;   // "Force Unicode"
    int32_t isOleRestore = 0; // "Restore broken equations"
    int32_t isEuclid = 0;     // "Allow MathType fonts"
    int32_t textScale = 100;  // interface text scale in percent
    int32_t isStartup = 1;
    int32_t isStatistics = 1;
    int32_t isProgressWin = 1;
    int32_t serverMode = 0;
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

// Fills the record from the registry: 0 when done, 1 when a machine-wide key or install path is missing (the module
// is not properly installed). Values that are absent keep what the record held; every key is closed on every path.
int32_t loadModuleSettings(ModuleSettings& settings);
int32_t loadModuleSettings();
