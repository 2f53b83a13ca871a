// The settings records, their comparison and snapshot, and the rules for values read from the registry.
#include "programSettings.h"

namespace {
ProgramSettings gLiveSettings;  // UI thread only
ProgramSettings gSavedSettings; // UI thread only
bool gUserSettingsFound = true; // UI thread only
} // namespace

ProgramSettings& liveSettings() {
    return gLiveSettings;
}

ProgramSettings& savedSettings() {
    return gSavedSettings;
}

bool userSettingsFound() {
    return gUserSettingsFound;
}

void clearUserSettingsFound() {
    gUserSettingsFound = false;
}

bool areSettingsModified(const ProgramSettings& live, const ProgramSettings& saved) {
    return live.isEE != saved.isEE || live.isEE2007 != saved.isEE2007 || live.isMTstyle != saved.isMTstyle ||
           live.textScale != saved.textScale || live.languageName != saved.languageName ||
           live.skinName != saved.skinName;
}

bool areSettingsModified() {
    return areSettingsModified(gLiveSettings, gSavedSettings);
}

void copyProgramSettings(ProgramSettings& target, const ProgramSettings& source) {
    target = source;
}

int32_t saneTextScale(int32_t stored) {
    return stored >= kMinTextScale && stored <= kMaxTextScale ? stored : kDefaultTextScale;
}

std::wstring versionLineText(const SuiteModuleRow& row, int32_t version) {
    constexpr wchar_t kHexDigits[] = L"0123456789ABCDEF";
    wchar_t digits[8];
    size_t count = 0;
    uint32_t value = uint32_t(version);
    do {
        digits[count++] = kHexDigits[value & 0xF];
        value >>= 4;
    } while (value != 0);
    std::wstring line = row.versionLinePrefix;
    while (count > 0)
        line += digits[--count];
    return line + L".00";
}

const wchar_t* programSettingsSaveStatusText(ProgramSettingsSaveStatus status) {
    switch (status) {
    case ProgramSettingsSaveStatus::Ok:
        return L"";
    case ProgramSettingsSaveStatus::NotWritten:
        return L"The settings could not be saved.";
    }
    return L"";
}
