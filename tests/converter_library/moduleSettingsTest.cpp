// Module settings against registry fixtures: missing install keys, defaults without per-user keys, derived folders,
// the language mapping without its "russian" row, and values removed between two openings of the window.
#include "moduleSettings.h"
#include "suiteRegistry.h"

#include <gtest/gtest.h>

namespace {
using namespace testing_support;

TEST(ModuleSettings, MissingInstallation) {
    constexpr ModuleSettingsLoadStatus kMissing = ModuleSettingsLoadStatus::MachineSettingsMissing;
    SuiteRegistry registry;
    ModuleSettings settings;
    EXPECT_EQ(loadModuleSettings(settings), kMissing);
    registry.setString(SuiteKey::MachineMain, L"path", L"");
    EXPECT_EQ(loadModuleSettings(settings), kMissing); // an empty path is no installation
    registry.setString(SuiteKey::MachineMain, L"path", L"C:\\suite");
    EXPECT_EQ(loadModuleSettings(settings), kMissing);    // no sembrik key
    EXPECT_EQ(settings.mainFolder, L"C:\\suite\\main\\"); // what this call filled stays filled
    registry.setString(SuiteKey::MachineSembrik, L"path", L"");
    EXPECT_EQ(loadModuleSettings(settings), kMissing);
}

TEST(ModuleSettings, DefaultsAndDerivedPaths) {
    SuiteRegistry registry;
    registry.install(L"C:\\suite");
    ModuleSettings settings;
    ASSERT_EQ(loadModuleSettings(settings), ModuleSettingsLoadStatus::Ok);
    EXPECT_EQ(settings.skinName, L"colorful");
    EXPECT_EQ(settings.textScale, 100);
    EXPECT_EQ(settings.eqVersion, EquationFormat::MicrosoftEquation);
    EXPECT_EQ(settings.isUniPrime, 1);
    EXPECT_EQ(settings.serverMode, 0);
    EXPECT_EQ(settings.mainFolder, L"C:\\suite\\main\\");
    EXPECT_EQ(settings.moduleFolder, L"C:\\suite\\sembrik\\");
    EXPECT_EQ(settings.languageRoot, L"C:\\suite\\sembrik\\language\\");
    EXPECT_EQ(settings.skinRoot, L"C:\\suite\\sembrik\\skin\\");
    EXPECT_EQ(settings.backgroundBitmapPath, L"C:\\suite\\sembrik\\btmm");
    EXPECT_EQ(settings.buttonBitmapPath, L"C:\\suite\\sembrik\\btmb");
    EXPECT_EQ(settings.iconPath, L"C:\\suite\\sembrik\\btmi");
    EXPECT_EQ(settings.languageName, L"");
}

TEST(ModuleSettings, LanguageMapping) {
    const struct {
        const wchar_t* instLanguage;
        const wchar_t* pathLanguage; // null: no per-user value
        const wchar_t* languageName;
    } cases[] = {
        {L"1049", nullptr, L""}, // the module has no "russian" folder of its own
        {L"1031", nullptr, L"german"}, {L"1031", L"french", L"french"}, {L"1049", L"ukrainian", L"ukrainian"},
        {L"1031", L"", L""},
    };
    for (size_t row = 0; row < std::size(cases); ++row) {
        SuiteRegistry registry;
        registry.install(L"C:\\suite");
        registry.setString(SuiteKey::MachineSembrik, L"instLanguage", cases[row].instLanguage);
        if (cases[row].pathLanguage)
            registry.setString(SuiteKey::UserSembrik, L"pathLanguage", cases[row].pathLanguage);
        ModuleSettings settings;
        ASSERT_EQ(loadModuleSettings(settings), ModuleSettingsLoadStatus::Ok) << "row " << row;
        EXPECT_EQ(settings.languageName, cases[row].languageName) << "row " << row;
    }
}

TEST(ModuleSettings, PerUserValuesAcrossOpenings) {
    SuiteRegistry registry;
    registry.install(L"C:\\suite");
    registry.setDword(SuiteKey::MachineMain, L"serverMode", 1);
    registry.setString(SuiteKey::UserMain, L"pathSkin", L"");
    registry.setDword(SuiteKey::UserMain, L"textScale", 125);
    registry.setDword(SuiteKey::UserSembrik, L"eqVersion", 0);
    registry.setDword(SuiteKey::UserSembrik, L"isEuclid", 1);
    registry.setDword(SuiteKey::UserSembrik, L"isProgressWin", 0);
    ModuleSettings settings;
    ASSERT_EQ(loadModuleSettings(settings), ModuleSettingsLoadStatus::Ok);
    EXPECT_EQ(settings.skinName, L""); // present but empty: the default bitmaps
    EXPECT_EQ(settings.textScale, 125);
    EXPECT_EQ(settings.eqVersion, EquationFormat::EquationEditor3);
    EXPECT_EQ(settings.isEuclid, 1);
    EXPECT_EQ(settings.isProgressWin, 0);
    EXPECT_EQ(settings.serverMode, 1);

    registry.removeValue(SuiteKey::UserMain, L"textScale");
    registry.removeValue(SuiteKey::UserSembrik, L"eqVersion");
    registry.removeKey(SuiteKey::UserSembrik);
    ASSERT_EQ(loadModuleSettings(settings), ModuleSettingsLoadStatus::Ok);
    EXPECT_EQ(settings.textScale, 125);                               // kept from the first opening
    EXPECT_EQ(settings.eqVersion, EquationFormat::MicrosoftEquation); // back to Microsoft Equation
    EXPECT_EQ(settings.isEuclid, 1);
}

} // namespace
