// Conversion settings against registry fixtures in the Wine prefix: machine-wide keys missing, per-user values present
// or absent, the server mode override file, language files, the "%" guard of the statistics text and the
// AutoConvertTo clean-up in both views.
#include "conversionSettings.h"
#include "suiteRegistry.h"
#include "testFiles.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {
using namespace testing_support;
namespace fs = std::filesystem;

constexpr wchar_t kEnglishFormat[] = L"Equation format: %s [%s];\r\n(%s) Force Unicode;\r\n(%s) Restore broken "
                                     L"equations;\r\n(%s) Allow MathType fonts.\r\n\r\n";

class ConversionSettings : public ::testing::Test {
protected:
    void TearDown() override { setAutoConvertToDeleter(nullptr); }

    fs::path languageFile(const std::string& folder) {
        const fs::path dir = folder.empty() ? install_.path() / "sembrik" / "language"
                                            : install_.path() / "sembrik" / "language" / folder;
        fs::create_directories(dir);
        return dir / "language.txt";
    }

    ConversionSettingsLoadStatus load() { return loadConversionSettings(options_, texts_); }

    SuiteRegistry registry_;
    TempFolder install_;
    ConversionOptions options_;
    JobTexts texts_;
};

TEST_F(ConversionSettings, MachineWideKeysMissing) {
    options_.eqVersion = EquationFormat::EquationEditor3;
    options_.autoConvertToFlags = 3;
    EXPECT_EQ(load(), ConversionSettingsLoadStatus::MachineSettingsMissing);
    EXPECT_EQ(options_.eqVersion, EquationFormat::MicrosoftEquation);
    EXPECT_EQ(options_.autoConvertToFlags, 0);

    registry_.setDword(SuiteKey::MachineMain, L"serverMode", 0);
    EXPECT_EQ(load(), ConversionSettingsLoadStatus::MachineSettingsMissing); // no sembrik key
    registry_.setString(SuiteKey::MachineSembrik, L"path", L"");
    EXPECT_EQ(load(), ConversionSettingsLoadStatus::MachineSettingsMissing); // an empty install path
    registry_.setString(SuiteKey::MachineSembrik, L"path", L"C:\\suite");
    EXPECT_EQ(load(), ConversionSettingsLoadStatus::Ok);
    EXPECT_EQ(options_.moduleFolder, L"C:\\suite\\sembrik\\");
    EXPECT_EQ(options_.languageRoot, L"C:\\suite\\sembrik\\language\\");
}

TEST_F(ConversionSettings, DefaultsWithoutPerUserKeys) {
    registry_.install(install_.path().wstring());
    registry_.setDword(SuiteKey::MachineMain, L"serverMode", 1);
    // Without the per-user sembrik key the override file is not consulted, even in server mode.
    const fs::path overrideFile = install_.file("override.ini");
    writeFileBytes(overrideFile, "eqVersion=0\nisEuclid=1\n");
    registry_.setString(SuiteKey::UserMain, L"wmoptini", overrideFile.wstring());
    ASSERT_EQ(load(), ConversionSettingsLoadStatus::Ok);
    EXPECT_EQ(options_.eqVersion, EquationFormat::MicrosoftEquation);
    EXPECT_EQ(options_.isUniPrime, 1);
    EXPECT_EQ(options_.isOleRestore, 0);
    EXPECT_EQ(options_.isEuclid, 0);
    EXPECT_EQ(options_.isProgressWin, 1);
    EXPECT_EQ(options_.serverMode, 1);
    EXPECT_EQ(options_.overrideFilePath, overrideFile.wstring());
    EXPECT_EQ(texts_.statisticsFormat, kEnglishFormat);
    EXPECT_EQ(texts_.cancelButtonText, L"Cancel");
    EXPECT_EQ(texts_.preparingText, L"Preparing content, it may take a few minutes.");
}

TEST_F(ConversionSettings, PerUserValuesPresentAndAbsent) {
    registry_.install(install_.path().wstring());
    const struct {
        const wchar_t* name;
        int32_t ConversionOptions::*field;
        DWORD value;
    } values[] = {
        {L"isUniPrime", &ConversionOptions::isUniPrime, 0},
        {L"isOleRestore", &ConversionOptions::isOleRestore, 1},
        {L"isEuclid", &ConversionOptions::isEuclid, 1},
        {L"isStartup", &ConversionOptions::isStartup, 0},
        {L"isStatistics", &ConversionOptions::isStatistics, 0},
        {L"isProgressWin", &ConversionOptions::isProgressWin, 0},
    };
    registry_.setDword(SuiteKey::UserSembrik, L"eqVersion", 0);
    for (const auto& value : values)
        registry_.setDword(SuiteKey::UserSembrik, value.name, value.value);
    ASSERT_EQ(load(), ConversionSettingsLoadStatus::Ok);
    EXPECT_EQ(options_.eqVersion, EquationFormat::EquationEditor3);
    for (const auto& value : values)
        EXPECT_EQ(options_.*value.field, int32_t(value.value)) << value.name;

    // Removed values keep what the previous job read, except the format, which starts at Microsoft Equation.
    registry_.removeValue(SuiteKey::UserSembrik, L"eqVersion");
    for (const auto& value : values)
        registry_.removeValue(SuiteKey::UserSembrik, value.name);
    ASSERT_EQ(load(), ConversionSettingsLoadStatus::Ok);
    EXPECT_EQ(options_.eqVersion, EquationFormat::MicrosoftEquation);
    for (const auto& value : values)
        EXPECT_EQ(options_.*value.field, int32_t(value.value)) << value.name;
}

TEST_F(ConversionSettings, LanguageNames) {
    registry_.install(install_.path().wstring());
    registry_.setString(SuiteKey::MachineSembrik, L"instLanguage", L"1049");
    ASSERT_EQ(load(), ConversionSettingsLoadStatus::Ok);
    EXPECT_EQ(options_.languageName, L"russian"); // the conversion uses the full table
    // An empty per-user language selects the language root itself.
    registry_.setString(SuiteKey::UserSembrik, L"pathLanguage", L"");
    ASSERT_EQ(load(), ConversionSettingsLoadStatus::Ok);
    EXPECT_EQ(options_.languageName, L"");
    registry_.setString(SuiteKey::UserSembrik, L"pathLanguage", L"polish");
    ASSERT_EQ(load(), ConversionSettingsLoadStatus::Ok);
    EXPECT_EQ(options_.languageName, L"polish");
}

TEST_F(ConversionSettings, ServerModeOverrideFile) {
    registry_.install(install_.path().wstring());
    registry_.setDword(SuiteKey::MachineMain, L"serverMode", 1);
    registry_.setDword(SuiteKey::UserSembrik, L"isUniPrime", 1);
    registry_.setDword(SuiteKey::UserSembrik, L"isEuclid", 1);
    const fs::path overrideFile = install_.file("override.ini");
    registry_.setString(SuiteKey::UserMain, L"wmoptini", overrideFile.wstring());
    writeFileBytes(overrideFile, "eqVersion=0\nisUniPrime= -0x7\nisEuclid=abc\npathLanguage=german\nother=1\n");
    registry_.setAutoConvertTo(KEY_WOW64_32KEY, L"{00000000-0000-0000-0000-000000000001}");
    ASSERT_EQ(load(), ConversionSettingsLoadStatus::Ok);
    EXPECT_EQ(options_.eqVersion, EquationFormat::EquationEditor3);
    EXPECT_EQ(options_.isUniPrime, 0); // "-0x7": the number stops before the x
    EXPECT_EQ(options_.isEuclid, 0);   // no digits give 0
    EXPECT_EQ(options_.isOleRestore, 0);
    EXPECT_EQ(options_.languageName, L"german");
    // The override chose Equation Editor 3.x, so the AutoConvertTo step ran.
    EXPECT_EQ(registry_.autoConvertTo(KEY_WOW64_32KEY), L"<none>");

    // Outside server mode the file is ignored.
    registry_.setDword(SuiteKey::MachineMain, L"serverMode", 0);
    ASSERT_EQ(load(), ConversionSettingsLoadStatus::Ok);
    EXPECT_EQ(options_.eqVersion, EquationFormat::MicrosoftEquation);
    EXPECT_EQ(options_.isEuclid, 1);
}

TEST_F(ConversionSettings, LanguageFiles) {
    registry_.install(install_.path().wstring());
    registry_.setString(SuiteKey::MachineSembrik, L"instLanguage", L"1031");
    writeFileBytes(languageFile("german"), "M001:Deutsch\r\nM002:2026\r\nM101:Abbrechen\r\nM905:Abbrechen?\r\n"
                                           "M906:Bitte warten\r\nM907:\r\nM202:Gleichungsformat:\r\n"
                                           "M203:Unicode erzwingen\r\nM950:Abschalten in den Optionen.\r\n");
    ASSERT_EQ(load(), ConversionSettingsLoadStatus::Ok);
    EXPECT_EQ(texts_.cancelButtonText, L"Abbrechen");
    EXPECT_EQ(texts_.cancelQuestionText, L"Abbrechen?");
    EXPECT_EQ(texts_.pleaseWaitText, L"Bitte warten");
    EXPECT_EQ(texts_.preparingText, L"Preparing content, it may take a few minutes."); // empty entry: English
    EXPECT_EQ(texts_.statisticsFormat,
              L"Gleichungsformat: %s [%s];\r\n(%s) Unicode erzwingen;\r\n(%s) Restore broken equations;\r\n(%s) "
              L"Allow MathType fonts.\r\n\r\nIMPORTANT! If you convert this document via 'Save As...' menu, you must "
              L"reload it before editing ('Reload current document' button).\r\n\r\nAbschalten in den Optionen.");

    // Another format version: the file is ignored entirely, and the notes are missing.
    writeFileBytes(languageFile("german"), "M002:2025\r\nM101:Abbrechen\r\n");
    ASSERT_EQ(load(), ConversionSettingsLoadStatus::Ok);
    EXPECT_EQ(texts_.cancelButtonText, L"Cancel");
    EXPECT_EQ(texts_.statisticsFormat, kEnglishFormat);

    // English: the language root's own file.
    registry_.setString(SuiteKey::UserSembrik, L"pathLanguage", L"");
    writeFileBytes(languageFile(""), "M002:2026\r\nM101:Stop\r\n");
    ASSERT_EQ(load(), ConversionSettingsLoadStatus::Ok);
    EXPECT_EQ(texts_.cancelButtonText, L"Stop");
}

// A translation that brings "%" into the statistics format can neither crash the job nor pull in other text.
TEST_F(ConversionSettings, PercentInTranslationsStaysText) {
    registry_.install(install_.path().wstring());
    writeFileBytes(languageFile(""), "M002:2026\r\nM202:100% %s%n%d%%:\r\nM203:%s\r\nM950:%\r\n");
    ASSERT_EQ(load(), ConversionSettingsLoadStatus::Ok);
    const std::wstring arguments[5] = {L"Microsoft Equation", L"3", L"+", L"-", L"-"};
    EXPECT_EQ(formatStatistics(texts_.statisticsFormat, arguments),
              L"100% %s%n%d%%: Microsoft Equation [3];\r\n(+) %s;\r\n(-) Restore broken equations;\r\n(-) Allow "
              L"MathType fonts.\r\n\r\nIMPORTANT! If you convert this document via 'Save As...' menu, you must reload "
              L"it before editing ('Reload current document' button).\r\n\r\n%");
}

TEST(StatisticsText, FormatAndLength) {
    const std::wstring arguments[5] = {L"Microsoft Equation", L"3", L"+", L"-", L"-"};
    // The job's example: defaults, no language file, three objects.
    EXPECT_EQ(formatStatistics(kEnglishFormat, arguments),
              L"Equation format: Microsoft Equation [3];\r\n(+) Force Unicode;\r\n(-) Restore broken equations;\r\n(-) "
              L"Allow MathType fonts.\r\n\r\n");
    EXPECT_EQ(formatStatistics(L"%s %s %s %s %s %s %d%", arguments), L"Microsoft Equation 3 + - -  %d%");
    const std::wstring longText = formatStatistics(std::wstring(600, L'x') + L"%s", arguments);
    EXPECT_EQ(longText, std::wstring(kStatisticsMaxChars, L'x'));
    // A surrogate pair at the cut is dropped whole.
    const std::wstring pairs = formatStatistics(std::wstring(448, L'y') + L"\xD83D\xDE00", arguments);
    EXPECT_EQ(pairs, std::wstring(448, L'y'));
}

TEST_F(ConversionSettings, AutoConvertToInBothViews) {
    registry_.install(install_.path().wstring());
    registry_.setDword(SuiteKey::UserSembrik, L"eqVersion", 0);
    const std::wstring target = L"{00000000-0000-0000-0000-000000000001}";

    // Both values are cleared, and nothing failed.
    registry_.setAutoConvertTo(KEY_WOW64_32KEY, target);
    registry_.setAutoConvertTo(KEY_WOW64_64KEY, target);
    ASSERT_EQ(load(), ConversionSettingsLoadStatus::Ok);
    EXPECT_EQ(options_.autoConvertToFlags, 0);
    EXPECT_EQ(registry_.autoConvertTo(KEY_WOW64_32KEY), L"<none>");
    EXPECT_EQ(registry_.autoConvertTo(KEY_WOW64_64KEY), L"<none>");

    // A deletion that fails sets its view's flag (the registry here never refuses, so a stand-in deleter does).
    static int calls = 0;
    calls = 0;
    setAutoConvertToDeleter([](HKEY, const wchar_t*) -> LSTATUS {
        ++calls;
        return ERROR_ACCESS_DENIED;
    });
    registry_.setAutoConvertTo(KEY_WOW64_32KEY, target);
    registry_.setAutoConvertTo(KEY_WOW64_64KEY, target);
    ASSERT_EQ(load(), ConversionSettingsLoadStatus::Ok);
    EXPECT_EQ(options_.autoConvertToFlags, kAutoConvertTo32Failed | kAutoConvertTo64Failed);
    EXPECT_EQ(calls, 2);

    // An empty value is left alone: no deletion, no flag. Nor does Microsoft Equation touch the keys.
    registry_.setAutoConvertTo(KEY_WOW64_32KEY, L"");
    registry_.setAutoConvertTo(KEY_WOW64_64KEY, L"");
    calls = 0;
    ASSERT_EQ(load(), ConversionSettingsLoadStatus::Ok);
    EXPECT_EQ(options_.autoConvertToFlags, 0);
    EXPECT_EQ(calls, 0);
    registry_.setAutoConvertTo(KEY_WOW64_64KEY, target);
    registry_.setDword(SuiteKey::UserSembrik, L"eqVersion", 1);
    ASSERT_EQ(load(), ConversionSettingsLoadStatus::Ok);
    EXPECT_EQ(options_.autoConvertToFlags, 0);
    EXPECT_EQ(calls, 0);
}

} // namespace
