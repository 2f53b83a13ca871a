// The portable rules of the program settings: which fields count as unsaved changes, the snapshot, the accepted
// range of a stored text scale and the modules' Info box lines. Runs natively and under Wine.
#include "programSettings.h"

#include <gtest/gtest.h>

#include <functional>
#include <iterator>
#include <set>
#include <string>

namespace {
TEST(ProgramSettingsRules, ModifiedFields) {
    const struct {
        const char* field;
        std::function<void(ProgramSettings&)> change;
        bool modified;
    } cases[] = {
        {"nothing", [](ProgramSettings&) {}, false},
        {"isEE", [](ProgramSettings& s) { s.isEE = 0; }, true},
        {"isEE2007", [](ProgramSettings& s) { s.isEE2007 = 0; }, true},
        {"isMTstyle", [](ProgramSettings& s) { s.isMTstyle = 1; }, true},
        {"textScale", [](ProgramSettings& s) { s.textScale = 125; }, true},
        {"languageName", [](ProgramSettings& s) { s.languageName = L"german"; }, true},
        {"skinName", [](ProgramSettings& s) { s.skinName = L""; }, true},
        {"skinName case", [](ProgramSettings& s) { s.skinName = L"Colorful"; }, true},
        {"mathTypeInstalled", [](ProgramSettings& s) { s.mathTypeInstalled = 1; }, false},
        {"sembrikVersion", [](ProgramSettings& s) { s.sembrikVersion = 0xB00; }, false},
        {"mainFolder", [](ProgramSettings& s) { s.mainFolder = L"C:\\x\\main\\"; }, false},
        {"palvexFolder", [](ProgramSettings& s) { s.palvexFolder = L"C:\\x\\palvex\\"; }, false},
        {"dornakLanguage", [](ProgramSettings& s) { s.dornakLanguage = L"french"; }, false},
        {"sembrikVersionLine", [](ProgramSettings& s) { s.sembrikVersionLine = L"Sembrik - S.B00.00"; }, false},
    };
    for (const auto& c : cases) {
        ProgramSettings live;
        const ProgramSettings saved;
        c.change(live);
        EXPECT_EQ(areSettingsModified(live, saved), c.modified) << c.field;
        EXPECT_EQ(areSettingsModified(saved, live), c.modified) << c.field << " (other way round)";
    }
}

TEST(ProgramSettingsRules, SnapshotCopiesEveryField) {
    ProgramSettings source;
    source.isEE = 0;
    source.isEE2007 = 0;
    source.mathTypeInstalled = 1;
    source.isMTstyle = 1;
    source.textScale = 125;
    source.palvexVersion = 0xA00;
    source.dornakVersion = 0xF00;
    source.sembrikVersion = 0xB00;
    source.mainFolder = L"m";
    source.languageRoot = L"lr";
    source.languageName = L"ln";
    source.skinRoot = L"sr";
    source.skinName = L"sn";
    source.defaultBackgroundPath = L"bg";
    source.defaultButtonStripPath = L"bs";
    source.iconFilePath = L"ic";
    source.palvexFolder = L"pf";
    source.dornakFolder = L"df";
    source.sembrikFolder = L"sf";
    source.palvexLanguage = L"pl";
    source.dornakLanguage = L"dl";
    source.sembrikLanguage = L"sl";
    source.palvexVersionLine = L"pv";
    source.dornakVersionLine = L"dv";
    source.sembrikVersionLine = L"sv";
    ProgramSettings target;
    copyProgramSettings(target, source);
    EXPECT_FALSE(areSettingsModified(target, source));
    EXPECT_EQ(target.mathTypeInstalled, 1);
    EXPECT_EQ(target.palvexVersion, 0xA00);
    EXPECT_EQ(target.dornakVersion, 0xF00);
    EXPECT_EQ(target.sembrikVersion, 0xB00);
    const std::wstring ProgramSettings::*strings[] = {
        &ProgramSettings::mainFolder,
        &ProgramSettings::languageRoot,
        &ProgramSettings::languageName,
        &ProgramSettings::skinRoot,
        &ProgramSettings::skinName,
        &ProgramSettings::defaultBackgroundPath,
        &ProgramSettings::defaultButtonStripPath,
        &ProgramSettings::iconFilePath,
        &ProgramSettings::palvexFolder,
        &ProgramSettings::dornakFolder,
        &ProgramSettings::sembrikFolder,
        &ProgramSettings::palvexLanguage,
        &ProgramSettings::dornakLanguage,
        &ProgramSettings::sembrikLanguage,
        &ProgramSettings::palvexVersionLine,
        &ProgramSettings::dornakVersionLine,
        &ProgramSettings::sembrikVersionLine,
    };
    for (size_t row = 0; row < std::size(strings); ++row)
        EXPECT_EQ(target.*strings[row], source.*strings[row]) << "row " << row;
}

TEST(ProgramSettingsRules, Defaults) {
    const ProgramSettings settings;
    EXPECT_EQ(settings.isEE, 1);
    EXPECT_EQ(settings.isEE2007, 1);
    EXPECT_EQ(settings.textScale, 100);
    EXPECT_EQ(settings.skinName, L"colorful");
    EXPECT_EQ(settings.palvexVersionLine, L"Palvex - not installed");
    EXPECT_EQ(settings.dornakVersionLine, L"Dornak - not installed");
    EXPECT_EQ(settings.sembrikVersionLine, L"Sembrik - not installed");
}

TEST(ProgramSettingsRules, TextScaleRange) {
    const struct {
        int32_t stored;
        int32_t taken;
    } cases[] = {
        // stored      taken
        {100, 100},
        {75, 75},
        {125, 125},
        {90, 90}, // 90 is no selector item, yet a sane scale
        {kMinTextScale, kMinTextScale},
        {kMaxTextScale, kMaxTextScale},
        {kMinTextScale - 1, 100},
        {kMaxTextScale + 1, 100},
        {0, 100},
        {-100, 100},
        {INT32_MIN, 100},
        {INT32_MAX, 100},
        {1000000, 100},
    };
    for (size_t row = 0; row < std::size(cases); ++row)
        EXPECT_EQ(saneTextScale(cases[row].stored), cases[row].taken) << "row " << row;
}

TEST(ProgramSettingsRules, VersionLines) {
    const struct {
        SuiteModule module;
        int32_t version;
        const wchar_t* line;
    } cases[] = {
        // module                version        line
        {SuiteModule::Palvex, 0x0A00, L"Palvex - P.A00.00"},
        {SuiteModule::Dornak, 0x0F00, L"Dornak - D.F00.00"},
        {SuiteModule::Sembrik, 0x0B00, L"Sembrik - S.B00.00"},
        {SuiteModule::Sembrik, 0, L"Sembrik - S.0.00"},
        {SuiteModule::Palvex, 0x1ABCDEF, L"Palvex - P.1ABCDEF.00"},
        {SuiteModule::Dornak, -1, L"Dornak - D.FFFFFFFF.00"}, // the 32 bits, unsigned
        {SuiteModule::Dornak, INT32_MIN, L"Dornak - D.80000000.00"},
    };
    for (size_t row = 0; row < std::size(cases); ++row) {
        const SuiteModuleRow& module = kSuiteModules[int(cases[row].module)];
        ASSERT_EQ(module.module, cases[row].module) << "row " << row; // the table is in enumeration order
        EXPECT_EQ(versionLineText(module, cases[row].version), cases[row].line) << "row " << row;
    }
}

// Each module row names its own fields, so that no module's version lands in another's line.
TEST(ProgramSettingsRules, ModuleRowsNameTheirOwnFields) {
    ProgramSettings settings;
    std::set<const void*> seen;
    for (const SuiteModuleRow& row : kSuiteModules) {
        EXPECT_TRUE(seen.insert(&(settings.*row.version)).second);
        EXPECT_TRUE(seen.insert(&(settings.*row.folder)).second);
        EXPECT_TRUE(seen.insert(&(settings.*row.language)).second);
        EXPECT_TRUE(seen.insert(&(settings.*row.versionLine)).second);
    }
}
} // namespace
