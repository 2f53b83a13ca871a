// The program settings against registry fixtures in the test prefix: a missing installation, the first run, each
// module installed or not, MathType present or absent and what that does to a stored editor choice, the stored text
// scale, empty strings, reloads over missing values, the values written back, the Word restart note, and the
// removal of Equation Editor 3.x's AutoConvertTo key (once per choice, both views, refusal answered by a note).
#include "programSettings.h"
#include "programSettingsRegistry.h"
#include "suiteRegistry.h"

#include "messageBox.h"
#include "messageBoxRecorder.h"
#include "scopedWin.h"

#include <gtest/gtest.h>

#include <iterator>
#include <string>
#include <vector>

namespace {
using namespace testing_support;

// The view in which the stand-in deleter refuses (0: none); the deletions it was asked for.
REGSAM gRefusedView = 0;
std::vector<REGSAM> gDeletions;

LSTATUS deleteOrRefuse(HKEY parent, const wchar_t* subKey, REGSAM view) {
    gDeletions.push_back(view);
    if (view == gRefusedView)
        return ERROR_ACCESS_DENIED;
    return RegDeleteKeyExW(parent, subKey, view, 0);
}

constexpr REGSAM k32 = KEY_WOW64_32KEY;
constexpr REGSAM k64 = KEY_WOW64_64KEY;

class ProgramSettingsTest : public ::testing::Test {
protected:
    void SetUp() override {
        liveSettings() = ProgramSettings();
        savedSettings() = ProgramSettings();
        gDeletions.clear();
        gRefusedView = 0;
        answerMessageBoxes(IDOK);
    }
    void TearDown() override {
        setMessageBoxHook(nullptr);
        setAutoConvertToKeyDeleter(nullptr);
    }

    // A per-user value of the main key as the program wrote it: "<none>" or -1 when missing or of another type.
    static bool userValue(const wchar_t* name, DWORD type, void* buffer, DWORD size) {
        HKEY opened = nullptr;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, kMainKeyPath, 0, KEY_READ | KEY_WOW64_32KEY, &opened) != ERROR_SUCCESS)
            return false;
        ScopedRegKey key(opened);
        DWORD storedType = 0;
        return RegQueryValueExW(key.get(), name, nullptr, &storedType, static_cast<BYTE*>(buffer), &size) ==
                   ERROR_SUCCESS &&
               storedType == type;
    }
    static std::wstring userString(const wchar_t* name) {
        wchar_t buffer[512] = {};
        return userValue(name, REG_SZ, buffer, sizeof buffer - sizeof(wchar_t)) ? buffer : L"<none>";
    }
    static int64_t userDword(const wchar_t* name) {
        DWORD value = 0;
        return userValue(name, REG_DWORD, &value, sizeof value) ? int64_t(value) : -1;
    }

    SuiteRegistry registry_;
};

TEST_F(ProgramSettingsTest, MissingInstallation) {
    EXPECT_EQ(loadProgramSettings(), ProgramSettingsLoadStatus::MachineSettingsMissing);
    registry_.setString(SuiteKey::MachineMain, L"instLanguage", L"1031");
    EXPECT_EQ(loadProgramSettings(), ProgramSettingsLoadStatus::MachineSettingsMissing); // a key without "path"
    registry_.setString(SuiteKey::MachineMain, L"path", L"");
    EXPECT_EQ(loadProgramSettings(), ProgramSettingsLoadStatus::MachineSettingsMissing);
    EXPECT_EQ(liveSettings().mainFolder, L"");
    EXPECT_EQ(liveSettings().languageName, L""); // nothing is taken before the path
    registry_.setString(SuiteKey::MachineMain, L"path", L"C:\\suite");
    EXPECT_EQ(loadProgramSettings(), ProgramSettingsLoadStatus::Ok); // no module needs to be installed
}

TEST_F(ProgramSettingsTest, FirstRunDefaultsAndDerivedPaths) {
    registry_.setString(SuiteKey::MachineMain, L"path", L"C:\\suite");
    ASSERT_EQ(loadProgramSettings(), ProgramSettingsLoadStatus::Ok);
    const ProgramSettings& s = liveSettings();
    EXPECT_FALSE(userSettingsFound());
    EXPECT_EQ(s.isEE, 1);
    EXPECT_EQ(s.isEE2007, 1);
    EXPECT_EQ(s.isMTstyle, 0);
    EXPECT_EQ(s.textScale, 100);
    EXPECT_EQ(s.skinName, L"colorful");
    EXPECT_EQ(s.languageName, L"");
    EXPECT_EQ(s.mathTypeInstalled, 0);
    EXPECT_EQ(s.mainFolder, L"C:\\suite\\main\\");
    EXPECT_EQ(s.languageRoot, L"C:\\suite\\main\\language\\");
    EXPECT_EQ(s.skinRoot, L"C:\\suite\\main\\skin\\");
    EXPECT_EQ(s.defaultBackgroundPath, L"C:\\suite\\main\\btmm");
    EXPECT_EQ(s.defaultButtonStripPath, L"C:\\suite\\main\\btmb");
    EXPECT_EQ(s.iconFilePath, L"C:\\suite\\main\\btmi");
    EXPECT_EQ(s.palvexVersionLine, L"Palvex - not installed");
    EXPECT_EQ(s.dornakVersionLine, L"Dornak - not installed");
    EXPECT_EQ(s.sembrikVersionLine, L"Sembrik - not installed");
    EXPECT_EQ(s.palvexFolder + s.dornakFolder + s.sembrikFolder, L"");
}

TEST_F(ProgramSettingsTest, InstallLanguageAndPerUserLanguage) {
    const struct {
        const wchar_t* instLanguage; // null: no value
        const wchar_t* pathLanguage; // null: no per-user value (the per-user key exists)
        const wchar_t* languageName;
    } cases[] = {
        // instLanguage  pathLanguage  languageName
        {L"1049", nullptr, L"russian"}, // the program has its own "russian" folder
        {L"1031", nullptr, L"german"},   {L"1033", nullptr, L""}, {L"", nullptr, L""}, {L"9999", nullptr, L""},
        {L"1031", L"french", L"french"}, {L"1031", L"", L""}, // an empty stored language is English
        {nullptr, L"polish", L"polish"},
    };
    for (size_t row = 0; row < std::size(cases); ++row) {
        SuiteRegistry registry;
        liveSettings() = ProgramSettings();
        registry.setString(SuiteKey::MachineMain, L"path", L"C:\\suite");
        if (cases[row].instLanguage)
            registry.setString(SuiteKey::MachineMain, L"instLanguage", cases[row].instLanguage);
        registry.setDword(SuiteKey::UserMain, L"isMTstyle", 0);
        if (cases[row].pathLanguage)
            registry.setString(SuiteKey::UserMain, L"pathLanguage", cases[row].pathLanguage);
        ASSERT_EQ(loadProgramSettings(), ProgramSettingsLoadStatus::Ok) << "row " << row;
        EXPECT_EQ(liveSettings().languageName, cases[row].languageName) << "row " << row;
    }
}

// Each module installed alone and all three together: each line shows its own module's version.
TEST_F(ProgramSettingsTest, ModulesInstalledOrNot) {
    const wchar_t* const notInstalled[] = {L"Palvex - not installed", L"Dornak - not installed",
                                           L"Sembrik - not installed"};
    const wchar_t* const installedLines[] = {L"Palvex - P.A00.00", L"Dornak - D.F00.00", L"Sembrik - S.B00.00"};
    const wchar_t* const folders[] = {L"D:\\p\\palvex\\", L"D:\\d\\dornak\\", L"D:\\s\\sembrik\\"};
    const SuiteKey machineKeys[] = {SuiteKey::MachinePalvex, SuiteKey::MachineDornak, SuiteKey::MachineSembrik};
    const SuiteKey userKeys[] = {SuiteKey::UserPalvex, SuiteKey::UserDornak, SuiteKey::UserSembrik};
    const wchar_t* const paths[] = {L"D:\\p", L"D:\\d", L"D:\\s"};
    const DWORD versions[] = {0x0A00, 0x0F00, 0x0B00};
    const struct {
        bool installed[3];
    } cases[] = {{{false, false, false}},
                 {{true, false, false}},
                 {{false, true, false}},
                 {{false, false, true}},
                 {{true, true, true}}};
    for (size_t row = 0; row < std::size(cases); ++row) {
        SuiteRegistry registry;
        liveSettings() = ProgramSettings();
        registry.setString(SuiteKey::MachineMain, L"path", L"C:\\suite");
        for (int m = 0; m < 3; ++m) {
            if (!cases[row].installed[m])
                continue;
            registry.installModule(machineKeys[m], paths[m], versions[m]);
            registry.setString(machineKeys[m], L"instLanguage", L"1036");
            registry.setString(userKeys[m], L"pathLanguage", m == 1 ? L"" : L"polish");
        }
        ASSERT_EQ(loadProgramSettings(), ProgramSettingsLoadStatus::Ok) << "row " << row;
        for (int m = 0; m < 3; ++m) {
            const SuiteModuleRow& module = kSuiteModules[m];
            const bool on = cases[row].installed[m];
            EXPECT_EQ(liveSettings().*module.versionLine, on ? installedLines[m] : notInstalled[m])
                << "row " << row << " module " << m;
            EXPECT_EQ(liveSettings().*module.folder, on ? folders[m] : L"") << "row " << row << " module " << m;
            EXPECT_EQ(liveSettings().*module.version, on ? int32_t(versions[m]) : 0) << "row " << row;
            EXPECT_EQ(liveSettings().*module.language, on ? (m == 1 ? L"" : L"polish") : L"") << "row " << row;
        }
    }
}

TEST_F(ProgramSettingsTest, ModuleWithoutValues) {
    registry_.setString(SuiteKey::MachineMain, L"path", L"C:\\suite");
    registry_.setString(SuiteKey::MachineSembrik, L"path", L"");
    registry_.setString(SuiteKey::MachineSembrik, L"instLanguage", L"1045");
    ASSERT_EQ(loadProgramSettings(), ProgramSettingsLoadStatus::Ok);
    EXPECT_EQ(liveSettings().sembrikFolder, L"");                             // an empty path is not installed
    EXPECT_EQ(liveSettings().sembrikVersionLine, L"Sembrik - not installed"); // no version value
    EXPECT_EQ(liveSettings().sembrikLanguage, L"polish");
    registry_.setString(SuiteKey::UserSembrik, L"pathLanguage", L"german");
    ASSERT_EQ(loadProgramSettings(), ProgramSettingsLoadStatus::Ok);
    EXPECT_EQ(liveSettings().sembrikLanguage, L"german");
}

// A stored MathType choice without MathType falls back to a Microsoft editor; a stored Equation Editor 3.x choice
// still holds, since isEE2007 is read after the correction.
TEST_F(ProgramSettingsTest, EditorChoiceAndMathType) {
    const struct {
        bool mathType;
        int32_t storedIsEE;     // -1: no value
        int32_t storedIsEE2007; // -1: no value
        int32_t isEE;
        int32_t isEE2007;
    } cases[] = {
        // mathType  isEE  isEE2007 -> isEE  isEE2007
        {false, 0, -1, 1, 1}, {false, 0, 0, 1, 0}, {false, 0, 1, 1, 1}, {true, 0, -1, 0, 1},
        {true, 0, 0, 0, 0},   {false, 1, 0, 1, 0}, {true, 1, 1, 1, 1},  {false, -1, -1, 1, 1},
    };
    for (size_t row = 0; row < std::size(cases); ++row) {
        SuiteRegistry registry;
        liveSettings() = ProgramSettings();
        registry.setString(SuiteKey::MachineMain, L"path", L"C:\\suite");
        if (cases[row].mathType)
            registry.registerMathType();
        registry.setString(SuiteKey::UserMain, L"pathSkin", L"colorful");
        if (cases[row].storedIsEE >= 0)
            registry.setDword(SuiteKey::UserMain, L"isEE", DWORD(cases[row].storedIsEE));
        if (cases[row].storedIsEE2007 >= 0)
            registry.setDword(SuiteKey::UserMain, L"isEE2007", DWORD(cases[row].storedIsEE2007));
        ASSERT_EQ(loadProgramSettings(), ProgramSettingsLoadStatus::Ok) << "row " << row;
        EXPECT_EQ(liveSettings().mathTypeInstalled, cases[row].mathType ? 1 : 0) << "row " << row;
        EXPECT_EQ(liveSettings().isEE, cases[row].isEE) << "row " << row;
        EXPECT_EQ(liveSettings().isEE2007, cases[row].isEE2007) << "row " << row;
    }
}

TEST_F(ProgramSettingsTest, StoredTextScale) {
    const struct {
        DWORD stored;
        int32_t textScale;
    } cases[] = {
        // stored        textScale
        {90, 90}, // no selector item, taken as it stands
        {75, 75},           {125, 125},    {0, 100},
        {DWORD(-100), 100}, {100000, 100}, {0x7FFFFFFF, 100}, // 9 x scale would overflow
        {0x80000000, 100},
    };
    for (size_t row = 0; row < std::size(cases); ++row) {
        SuiteRegistry registry;
        liveSettings() = ProgramSettings();
        registry.setString(SuiteKey::MachineMain, L"path", L"C:\\suite");
        registry.setDword(SuiteKey::UserMain, L"textScale", cases[row].stored);
        ASSERT_EQ(loadProgramSettings(), ProgramSettingsLoadStatus::Ok) << "row " << row;
        EXPECT_EQ(liveSettings().textScale, cases[row].textScale) << "row " << row;
    }
}

TEST_F(ProgramSettingsTest, StoredStringsAndReloads) {
    registry_.setString(SuiteKey::MachineMain, L"path", L"C:\\suite");
    registry_.setString(SuiteKey::UserMain, L"pathSkin", L"");
    registry_.setString(SuiteKey::UserMain, L"pathLanguage", L"french");
    registry_.setDword(SuiteKey::UserMain, L"isMTstyle", 1);
    registry_.setDword(SuiteKey::UserMain, L"textScale", 125);
    ASSERT_EQ(loadProgramSettings(), ProgramSettingsLoadStatus::Ok);
    EXPECT_EQ(liveSettings().skinName, L""); // an empty skin is the default bitmaps
    EXPECT_EQ(liveSettings().languageName, L"french");
    EXPECT_EQ(liveSettings().isMTstyle, 1);
    EXPECT_EQ(liveSettings().textScale, 125);

    // Values gone between two loads keep what the first one found.
    registry_.removeValue(SuiteKey::UserMain, L"pathSkin");
    registry_.removeValue(SuiteKey::UserMain, L"textScale");
    registry_.removeValue(SuiteKey::UserMain, L"pathLanguage");
    registry_.setString(SuiteKey::UserMain, L"pathSkin", L"dark");
    ASSERT_EQ(loadProgramSettings(), ProgramSettingsLoadStatus::Ok);
    EXPECT_EQ(liveSettings().skinName, L"dark");
    EXPECT_EQ(liveSettings().textScale, 125);
    EXPECT_EQ(liveSettings().languageName, L"french");
    EXPECT_EQ(liveSettings().isMTstyle, 1);
}

TEST_F(ProgramSettingsTest, SaveWritesTheSixValues) {
    ProgramSettings& live = liveSettings();
    live.isEE = 0;
    live.isEE2007 = 1;
    live.isMTstyle = 0;
    live.textScale = 75;
    live.skinName = L"";
    live.languageName = L"ukrainian";
    live.palvexLanguage = L"german"; // never written
    ASSERT_EQ(saveProgramSettings(), ProgramSettingsSaveStatus::Ok);
    EXPECT_EQ(userDword(L"isEE"), 0);
    EXPECT_EQ(userDword(L"isEE2007"), 1);
    EXPECT_EQ(userDword(L"isMTstyle"), 0);
    EXPECT_EQ(userDword(L"textScale"), 75);
    EXPECT_EQ(userString(L"pathSkin"), L"");
    EXPECT_EQ(userString(L"pathLanguage"), L"ukrainian");
    EXPECT_TRUE(shownMessageBoxes().empty());

    // What was saved comes back (with MathType present, so that isEE 0 stays).
    registry_.setString(SuiteKey::MachineMain, L"path", L"C:\\suite");
    registry_.registerMathType();
    liveSettings() = ProgramSettings();
    ASSERT_EQ(loadProgramSettings(), ProgramSettingsLoadStatus::Ok);
    EXPECT_EQ(liveSettings().isEE, 0);
    EXPECT_EQ(liveSettings().textScale, 75);
    EXPECT_EQ(liveSettings().skinName, L"");
    EXPECT_EQ(liveSettings().languageName, L"ukrainian");
    EXPECT_EQ(liveSettings().palvexLanguage, L"");
}

// The restart note comes with every save while the MathType style differs from the snapshot, and with no other
// change.
TEST_F(ProgramSettingsTest, WordRestartNote) {
    liveSettings().isMTstyle = 1;
    ASSERT_EQ(saveProgramSettings(), ProgramSettingsSaveStatus::Ok);
    ASSERT_EQ(shownMessageBoxes().size(), 1u);
    EXPECT_EQ(shownMessageBoxes()[0].text, L"This changes take effect with the next start of Microsoft Word.");
    EXPECT_EQ(shownMessageBoxes()[0].caption, L"Veltrim Sorvanta");
    EXPECT_EQ(shownMessageBoxes()[0].flags, UINT(MB_ICONINFORMATION));
    ASSERT_EQ(saveProgramSettings(), ProgramSettingsSaveStatus::Ok);
    EXPECT_EQ(shownMessageBoxes().size(), 2u);
    copyProgramSettings(savedSettings(), liveSettings());
    ASSERT_EQ(saveProgramSettings(), ProgramSettingsSaveStatus::Ok);
    EXPECT_EQ(shownMessageBoxes().size(), 2u);

    liveSettings().textScale = 125;
    liveSettings().skinName = L"dark";
    liveSettings().isEE2007 = 1;
    ASSERT_EQ(saveProgramSettings(), ProgramSettingsSaveStatus::Ok);
    EXPECT_EQ(shownMessageBoxes().size(), 2u);
}

// Choosing Equation Editor 3.x and pressing Apply twice: the first save removes AutoConvertTo in both views, the
// second (the snapshot now matches) leaves it alone.
TEST_F(ProgramSettingsTest, EquationEditor3ChosenThenApplyTwice) {
    setAutoConvertToKeyDeleter(deleteOrRefuse);
    registry_.setAutoConvertTo(k32, L"{0002CE03-0000-0000-C000-000000000046}");
    registry_.setAutoConvertTo(k64, L"{0002CE03-0000-0000-C000-000000000046}");
    liveSettings().isEE2007 = 0;
    ASSERT_EQ(saveProgramSettings(), ProgramSettingsSaveStatus::Ok);
    copyProgramSettings(savedSettings(), liveSettings()); // Apply's snapshot
    EXPECT_EQ(registry_.autoConvertTo(k32), L"<none>");
    EXPECT_EQ(registry_.autoConvertTo(k64), L"<none>");
    EXPECT_EQ(gDeletions, (std::vector<REGSAM>{k32, k64}));
    EXPECT_TRUE(shownMessageBoxes().empty());

    registry_.setAutoConvertTo(k32, L"again");
    registry_.setAutoConvertTo(k64, L"again");
    ASSERT_EQ(saveProgramSettings(), ProgramSettingsSaveStatus::Ok);
    EXPECT_EQ(registry_.autoConvertTo(k32), L"again");
    EXPECT_EQ(registry_.autoConvertTo(k64), L"again");
    EXPECT_EQ(gDeletions.size(), 2u);
    EXPECT_TRUE(shownMessageBoxes().empty());
}

TEST_F(ProgramSettingsTest, AutoConvertToRemoval) {
    const struct {
        int32_t savedIsEE, savedIsEE2007, isEE, isEE2007;
        bool key32, key64;  // AutoConvertTo present before the save
        REGSAM refusedView; // where the deletion is refused (0: nowhere)
        bool left32, left64;
        size_t deletions;
        bool note;
    } cases[] = {
        // saved     live     keys          refused  left          deletions note
        {1, 1, 1, 0, true, true, 0, false, false, 2, false},  // Microsoft Equation -> Equation Editor 3.x
        {0, 1, 1, 0, true, true, 0, false, false, 2, false},  // MathType -> Equation Editor 3.x
        {1, 1, 1, 0, false, true, 0, false, false, 1, false}, // only the 64-bit view has one
        {1, 1, 1, 0, true, false, 0, false, false, 1, false},
        {1, 1, 1, 0, false, false, 0, false, false, 0, false}, // nothing to remove, no note
        {1, 0, 1, 0, true, true, 0, true, true, 0, false},     // already chosen before
        {1, 1, 1, 1, true, true, 0, true, true, 0, false},     // Microsoft Equation
        {1, 0, 0, 0, true, true, 0, true, true, 0, false},     // MathType chosen: isEE 0
        {1, 1, 1, 0, true, true, k32, true, true, 1, true},    // refused in the 32-bit view: 64-bit not tried
        {1, 1, 1, 0, true, true, k64, false, true, 2, true},   // refused in the 64-bit view
        {1, 1, 1, 0, false, true, k64, false, true, 1, true},
    };
    for (size_t row = 0; row < std::size(cases); ++row) {
        const auto& c = cases[row];
        SuiteRegistry registry;
        clearShownMessageBoxes();
        gDeletions.clear();
        gRefusedView = c.refusedView;
        setAutoConvertToKeyDeleter(deleteOrRefuse);
        savedSettings() = ProgramSettings();
        savedSettings().isEE = c.savedIsEE;
        savedSettings().isEE2007 = c.savedIsEE2007;
        liveSettings() = savedSettings();
        liveSettings().isEE = c.isEE;
        liveSettings().isEE2007 = c.isEE2007;
        if (c.key32)
            registry.setAutoConvertTo(k32, L"x");
        if (c.key64)
            registry.setAutoConvertTo(k64, L"x");
        EXPECT_EQ(saveProgramSettings(), ProgramSettingsSaveStatus::Ok) << "row " << row; // a refusal is no failure
        EXPECT_EQ(registry.autoConvertTo(k32) != L"<none>", c.left32) << "row " << row;
        EXPECT_EQ(registry.autoConvertTo(k64) != L"<none>", c.left64) << "row " << row;
        EXPECT_EQ(gDeletions.size(), c.deletions) << "row " << row;
        EXPECT_EQ(userDword(L"isEE2007"), c.isEE2007) << "row " << row; // the values are saved first
        ASSERT_EQ(shownMessageBoxes().size(), c.note ? 1u : 0u) << "row " << row;
        if (c.note) {
            EXPECT_EQ(shownMessageBoxes()[0].text.rfind(
                          L"Cannot select Equation Editor 3.x as the default equation editor, ", 0),
                      0u)
                << "row " << row;
            EXPECT_EQ(shownMessageBoxes()[0].caption, L"Veltrim Sorvanta") << "row " << row;
            EXPECT_EQ(shownMessageBoxes()[0].flags, UINT(MB_ICONINFORMATION)) << "row " << row;
        }
    }
}

// The real deletion, without the stand-in: the key goes in both views.
TEST_F(ProgramSettingsTest, AutoConvertToRemovedByTheRegistry) {
    registry_.setAutoConvertTo(k32, L"x");
    registry_.setAutoConvertTo(k64, L"x");
    liveSettings().isEE2007 = 0;
    ASSERT_EQ(saveProgramSettings(), ProgramSettingsSaveStatus::Ok);
    EXPECT_EQ(registry_.autoConvertTo(k32), L"<none>");
    EXPECT_EQ(registry_.autoConvertTo(k64), L"<none>");
    EXPECT_TRUE(shownMessageBoxes().empty());
}
} // namespace
