// The settings record of the settings program: everything its main window shows and edits, the machine-wide install
// information it derives its paths from, and the per-user choices it writes back. Two process-wide records:
// `liveSettings`, which the window edits, and `savedSettings`, the snapshot that unsaved changes are measured
// against. The record and its rules here are portable; loading and saving through the registry are in
// programSettingsWin.cpp.
#pragma once

#include <cstdint>
#include <string>

struct ProgramSettings {
    int32_t isEE = 1;              // default editor: 1 a Microsoft one, 0 MathType
    int32_t isEE2007 = 1;          // with isEE = 1: 1 Microsoft Equation, 0 Equation Editor 3.x
    int32_t mathTypeInstalled = 0; // 1 when MathType's equation class is registered
    int32_t isMTstyle = 0;         // the "MathType style" option
    int32_t textScale = 100;       // interface text scale in percent
    int32_t palvexVersion = 0;     // machine-wide module versions
    int32_t dornakVersion = 0;
    int32_t sembrikVersion = 0;
    std::wstring mainFolder;   // install path + "\main\"
    std::wstring languageRoot; // mainFolder + "language\"
    std::wstring languageName; // chosen language folder; empty is English
    std::wstring skinRoot;     // mainFolder + "skin\"
    std::wstring skinName = L"colorful";
    std::wstring defaultBackgroundPath;  // mainFolder + "btmm"
    std::wstring defaultButtonStripPath; // mainFolder + "btmb"
    std::wstring iconFilePath;           // mainFolder + "btmi"
    std::wstring palvexFolder;           // module install path + "\palvex\"; empty: not installed
    std::wstring dornakFolder;
    std::wstring sembrikFolder;
    std::wstring palvexLanguage; // language folder names of the modules
    std::wstring dornakLanguage;
    std::wstring sembrikLanguage;
    std::wstring palvexVersionLine = L"Palvex - not installed"; // lines of the Info box
    std::wstring dornakVersionLine = L"Dornak - not installed";
    std::wstring sembrikVersionLine = L"Sembrik - not installed";
};

// The two process-wide records; the UI thread alone reads and writes them.
ProgramSettings& liveSettings();
ProgramSettings& savedSettings();

// Cleared when loading finds no per-user key (the first run); starts true and is never set again. UI thread.
bool userSettingsFound();
void clearUserSettingsFound();

// Whether liveSettings differs from savedSettings in a field the user edits: the editor choice, the MathType style,
// the text scale, the language and the skin. Installation facts (MathType, versions, folders, lines) don't count.
bool areSettingsModified();
bool areSettingsModified(const ProgramSettings& live, const ProgramSettings& saved);

// The snapshot: every field of `source` into `target`.
void copyProgramSettings(ProgramSettings& target, const ProgramSettings& source);

// A stored text scale within these bounds is taken as it stands (a scale the selector does not offer, such as 90,
// included); anything else would make the UI font vanish, turn negative or overflow, and gives the default.
constexpr int32_t kMinTextScale = 50;
constexpr int32_t kMaxTextScale = 200;
constexpr int32_t kDefaultTextScale = 100;
int32_t saneTextScale(int32_t stored);

// The suite's three converter modules, in the order the settings visit them.
enum class SuiteModule : int32_t { Palvex, Dornak, Sembrik };

// Where each module's facts live: its key under SOFTWARE\Veltrim (machine-wide and per-user), the folder name that
// follows its install path, the start of its Info box line, and its fields in the record.
struct SuiteModuleRow {
    SuiteModule module;
    const wchar_t* keyPath;
    const wchar_t* folderSuffix;
    const wchar_t* versionLinePrefix;
    int32_t ProgramSettings::*version;
    std::wstring ProgramSettings::*folder;
    std::wstring ProgramSettings::*language;
    std::wstring ProgramSettings::*versionLine;
};
constexpr SuiteModuleRow kSuiteModules[] = {
    // module              keyPath                        folderSuffix    versionLinePrefix
    //   version, folder, language, versionLine
    {SuiteModule::Palvex, L"SOFTWARE\\Veltrim\\palvex", L"\\palvex\\", L"Palvex - P.", &ProgramSettings::palvexVersion,
     &ProgramSettings::palvexFolder, &ProgramSettings::palvexLanguage, &ProgramSettings::palvexVersionLine},
    {SuiteModule::Dornak, L"SOFTWARE\\Veltrim\\dornak", L"\\dornak\\", L"Dornak - D.", &ProgramSettings::dornakVersion,
     &ProgramSettings::dornakFolder, &ProgramSettings::dornakLanguage, &ProgramSettings::dornakVersionLine},
    {SuiteModule::Sembrik, L"SOFTWARE\\Veltrim\\sembrik", L"\\sembrik\\", L"Sembrik - S.",
     &ProgramSettings::sembrikVersion, &ProgramSettings::sembrikFolder, &ProgramSettings::sembrikLanguage,
     &ProgramSettings::sembrikVersionLine},
};

// A module's Info box line for a version: the prefix, the version in upper-case hexadecimal without leading zeros
// (the 32 bits taken unsigned), then ".00": version 0xB00 of Sembrik is "Sembrik - S.B00.00".
std::wstring versionLineText(const SuiteModuleRow& row, int32_t version);

enum class [[nodiscard]] ProgramSettingsLoadStatus : int32_t{
    Ok = 0,                     // liveSettings filled; a value that could not be read kept its field
    MachineSettingsMissing = 1, // the machine-wide install key or its path is missing: nothing was read
};
enum class [[nodiscard]] ProgramSettingsSaveStatus : int32_t{
    Ok = 0,         // every per-user value written (also when the Equation Editor 3.x note was shown)
    NotWritten = 1, // the key could not be created or a value not written; the values written before stay written
};
// The message for a save status; empty for Ok. English always: the language files have no entry for it.
const wchar_t* programSettingsSaveStatusText(ProgramSettingsSaveStatus status);

// Fills liveSettings from the registry (32-bit view throughout). A value that cannot be read leaves its field as it
// was, so a reload keeps earlier values; every key is closed on every path.
ProgramSettingsLoadStatus loadProgramSettings();
// Writes the per-user choices of liveSettings. Tells the user when Word must restart, and turns off Equation Editor
// 3.x's conversion to MathType when that editor has just been chosen.
ProgramSettingsSaveStatus saveProgramSettings();
