// The main window's selectors and language, its real code driven through its queue (support/mainWindowSession.h):
// the UI font a language file asks for (entry 4 at 5, 14 and 15; no entry 3; a file of another format), selector
// captions of 18 and 19 characters, two folders with one display name, a 1000-character display name, the editor
// choices and their notes, the scale that rebuilds the font at once, the default skin, the reload after a module
// program, choices that name no folder, and the shipped German translation, complete and shown.
#include "mainCommand.h"
#include "mainWindow.h"
#include "mainWindowLayout.h"
#include "mainWindowTestSupport.h"
#include "programSettings.h"
#include "programTexts.h"

#include "buttonStyles.h"
#include "dropDowns.h"
#include "scopedWin.h"
#include "settingsFiles.h"
#include "settingsText.h"
#include "skinHost.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <iterator>
#include <string>
#include <vector>

namespace {
using namespace testing_support;

MainWindowStart inLanguage(const std::wstring& folder, const std::wstring& chooserFace = std::wstring()) {
    MainWindowStart start;
    start.beforeStart = [folder] { liveSettings().languageName = folder; };
    start.uiFontFace = chooserFace;
    return start;
}

class LocalisationTest : public MainWindowTest {};

TEST_F(LocalisationTest, FontOfTheLanguageFile) {
    const struct {
        const char* lines; // after entries 1 and 2
        const wchar_t* face;
        int32_t points;
    } cases[] = {
        // lines                                  face            points
        {"D003:Courier New\r\nD004:5\r\n", L"Courier New", 9},
        {"D003:Courier New\r\nD004:14\r\n", L"Courier New", 14},
        {"D003:Courier New\r\nD004:15\r\n", L"Courier New", 9},
        {"D003:Courier New\r\nD004:6\r\n", L"Courier New", 6},
        {"D003:Courier New\r\nD004:x\r\n", L"Courier New", 9},
        {"D004:12\r\n", L"Tahoma", 12}, // no entry 3: Tahoma, whatever the chooser found
        {"D003:\r\n", L"Tahoma", 9},
    };
    for (size_t row = 0; row < std::size(cases); ++row) {
        install_.addLanguage("test", languageFile("Test", "2026", cases[row].lines));
        MainWindowSession session(inLanguage(L"test", L"Arial"));
        ASSERT_TRUE(session.started()) << "row " << row;
        const FontLook look = session.call<FontLook>([] { return windowFont(); });
        EXPECT_EQ(look.face, cases[row].face) << "row " << row;
        EXPECT_EQ(look.height, session.call<int32_t>([&] { return expectedHeight(cases[row].points, 100); }))
            << "row " << row;
    }
}

TEST_F(LocalisationTest, AFileOfAnotherFormatIsIgnored) {
    install_.addLanguage("old", languageFile("Alt", "2025", "D003:Courier New\r\nD004:12\r\nD101:Abbrechen\r\n"));
    MainWindowSession session(inLanguage(L"old", L"Arial"));
    ASSERT_TRUE(session.started());
    const FontLook look = session.call<FontLook>([] { return windowFont(); });
    EXPECT_EQ(look.face, L"Arial"); // the chooser's face at 9 points
    EXPECT_EQ(look.height, session.call<int32_t>([] { return expectedHeight(9, 100); }));
    EXPECT_EQ(session.call<std::wstring>([] { return controlCaption(kCancelControl); }), L"Cancel");
    // Not offered either; the selector shows the item of a folder it does not know: English.
    EXPECT_EQ(session.call<std::vector<std::wstring>>([] { return listItems(kLanguageList); }),
              (std::vector<std::wstring>{L"English (Default)"}));
    EXPECT_EQ(session.call<std::wstring>([] { return controlCaption(kLanguageSelector); }), L"English (Default)");
}

TEST_F(LocalisationTest, LongNamesAreShortenedOnTheSelector) {
    const std::string name18(18, 'e');
    const std::string name19 = std::string(18, 'n') + "9";
    install_.addLanguage("eighteen", languageFile(name18));
    install_.addLanguage("nineteen", languageFile(name19));
    MainWindowSession session;
    ASSERT_TRUE(session.started());
    const struct {
        std::string item;
        std::wstring caption;
        const wchar_t* folder;
    } cases[] = {
        {name18, std::wstring(18, L'e'), L"eighteen"},
        {name19, std::wstring(17, L'n') + L"...", L"nineteen"},
    };
    for (size_t row = 0; row < std::size(cases); ++row) {
        const std::wstring item(cases[row].item.begin(), cases[row].item.end());
        ASSERT_TRUE(chooseItem(session, kLanguageSelector, kLanguageList, item)) << "row " << row;
        EXPECT_EQ(session.call<std::wstring>([] { return controlCaption(kLanguageSelector); }), cases[row].caption)
            << "row " << row;
        EXPECT_EQ(session.call<std::wstring>([] { return liveSettings().languageName; }), cases[row].folder)
            << "row " << row;
        EXPECT_FALSE(session.call<bool>([] { return anyListOpen(); })) << "row " << row;
    }
}

TEST_F(LocalisationTest, TwoFoldersWithOneDisplayName) {
    install_.addLanguage("alpha", languageFile("Twin", "2026", "D101:First\r\n"));
    install_.addLanguage("beta", languageFile("Twin", "2026", "D101:Second\r\n"));
    MainWindowSession session;
    ASSERT_TRUE(session.started());
    EXPECT_EQ(session.call<std::vector<std::wstring>>([] { return listItems(kLanguageList); }),
              (std::vector<std::wstring>{L"English (Default)", L"Twin", L"Twin"}));
    const std::wstring first = session.call<std::wstring>([] { return listItemAt(languageFolderNames(), 0); });
    for (int occurrence : {0, 1}) {
        ASSERT_TRUE(chooseItem(session, kLanguageSelector, kLanguageList, L"Twin", occurrence));
        EXPECT_EQ(session.call<std::wstring>([] { return liveSettings().languageName; }), first)
            << "occurrence " << occurrence;
    }
}

TEST_F(LocalisationTest, ADisplayNameWithALineBreakStaysOneItem) {
    // "\n" in entry 1 decodes to a line break: the name shows it as a blank, and every item keeps its own folder.
    install_.addLanguage("a-broken", languageFile("Alpha\\nBeta", "2026", "D101:Broken\r\n"));
    install_.addLanguage("b-plain", languageFile("Gamma", "2026", "D101:Plain\r\n"));
    MainWindowSession session;
    ASSERT_TRUE(session.started());
    EXPECT_EQ(session.call<std::vector<std::wstring>>([] { return listItems(kLanguageList); }),
              (std::vector<std::wstring>{L"Alpha Beta", L"English (Default)", L"Gamma"}));
    const struct {
        const wchar_t* item;
        const wchar_t* folder;
        const wchar_t* cancel; // the Cancel caption of that language
    } cases[] = {
        {L"Gamma", L"b-plain", L"Plain"},
        {L"Alpha Beta", L"a-broken", L"Broken"},
        {L"English (Default)", L"", L"Cancel"},
    };
    for (size_t row = 0; row < std::size(cases); ++row) {
        ASSERT_TRUE(chooseItem(session, kLanguageSelector, kLanguageList, cases[row].item)) << "row " << row;
        EXPECT_EQ(session.call<std::wstring>([] { return liveSettings().languageName; }), cases[row].folder)
            << "row " << row;
        EXPECT_EQ(session.call<std::wstring>([] { return controlCaption(kCancelControl); }), cases[row].cancel)
            << "row " << row;
        EXPECT_EQ(session.call<std::wstring>([] { return controlCaption(kLanguageSelector); }), cases[row].item)
            << "row " << row;
    }
}

TEST_F(LocalisationTest, AThousandCharacterDisplayName) {
    // The loader keeps lines of 1000 characters: the name is what follows "D001:".
    const std::string longName = std::string(990, 'L') + "12345";
    install_.addLanguage("long", languageFile(longName, "2026", "D101:Lang\r\n"));
    MainWindowSession session;
    ASSERT_TRUE(session.started());
    const std::wstring item(longName.begin(), longName.end());
    ASSERT_TRUE(chooseItem(session, kLanguageSelector, kLanguageList, item));
    EXPECT_EQ(session.call<std::wstring>([] { return liveSettings().languageName; }), L"long");
    EXPECT_EQ(session.call<std::wstring>([] { return controlCaption(kLanguageSelector); }),
              std::wstring(17, L'L') + L"...");
    EXPECT_EQ(session.call<std::wstring>([] { return controlCaption(kCancelControl); }), L"Lang");
    EXPECT_EQ(session.call<std::wstring>([] { return selectedItem(kLanguageList); }), item);
}

TEST_F(LocalisationTest, EditorChoices) {
    MainWindowSession session;
    ASSERT_TRUE(session.started());
    const struct {
        const wchar_t* item;
        const wchar_t* note; // null: none
        int32_t isEE, isEE2007;
        bool styleShown;
    } cases[] = {
        // Without MathType: warned, and chosen all the same.
        {L"MathType", L"If you selected MathType format, you must have installed MathType on your machine.", 0, 1,
         false},
        {L"Equation Editor 3",
         L"Please note, Equation Editor 3.x is not supported by Microsoft anymore. Make sure Equation Editor 3.x works "
         L"properly, otherwise use Microsoft Equations.",
         1, 0, true},
        {L"Microsoft Equation", nullptr, 1, 1, false},
    };
    for (size_t row = 0; row < std::size(cases); ++row) {
        answerMessageBoxes(IDOK);
        ASSERT_TRUE(chooseItem(session, kEditorSelector, kEditorList, cases[row].item)) << "row " << row;
        const std::vector<ShownMessageBox> boxes = shownMessageBoxes();
        ASSERT_EQ(boxes.size(), cases[row].note == nullptr ? 0u : 1u) << "row " << row;
        if (cases[row].note != nullptr) {
            EXPECT_EQ(boxes[0].text, cases[row].note) << "row " << row;
            EXPECT_EQ(boxes[0].flags, UINT(MB_ICONINFORMATION)) << "row " << row;
            EXPECT_EQ(boxes[0].caption, L"Veltrim Sorvanta") << "row " << row;
        }
        EXPECT_EQ(session.call<int32_t>([] { return liveSettings().isEE; }), cases[row].isEE) << "row " << row;
        EXPECT_EQ(session.call<int32_t>([] { return liveSettings().isEE2007; }), cases[row].isEE2007) << "row " << row;
        EXPECT_EQ(session.call<bool>([] { return controlVisible(kMathTypeStyleBox); }), cases[row].styleShown)
            << "row " << row;
        EXPECT_EQ(session.call<bool>([] { return labelVisible(kMathTypeStyleLabel); }), cases[row].styleShown)
            << "row " << row;
        EXPECT_EQ(session.call<std::wstring>([] { return controlCaption(kEditorSelector); }), cases[row].item)
            << "row " << row;
    }
}

TEST_F(LocalisationTest, AChoiceLeavesNothingStaleOnTheWindow) {
    install_.addShippedLanguages();
    MainWindowSession session;
    ASSERT_TRUE(session.started());
    const struct {
        int32_t selector;
        int32_t list;
        const wchar_t* item;
    } cases[] = {
        {kLanguageSelector, kLanguageList, L"Deutsch"},
        {kScaleSelector, kScaleList, L"75%"},
        {kThemeSelector, kSkinList, L"Graphite"},
        {kEditorSelector, kEditorList, L"Equation Editor 3"},
    };
    for (size_t row = 0; row < std::size(cases); ++row) {
        ASSERT_TRUE(chooseItem(session, cases[row].selector, cases[row].list, cases[row].item)) << "row " << row;
        const uint32_t shown = session.call<uint32_t>([] { return backBufferChecksum(); });
        EXPECT_NE(shown, 0u) << "row " << row;
        EXPECT_EQ(shown, session.call<uint32_t>([] { return repaintedChecksum(); })) << "row " << row;
    }
}

TEST_F(LocalisationTest, MathTypeWhereItIsInstalledNeedsNoNote) {
    registry_.registerMathType();
    MainWindowSession session;
    ASSERT_TRUE(session.started());
    ASSERT_TRUE(chooseItem(session, kEditorSelector, kEditorList, L"MathType"));
    EXPECT_TRUE(shownMessageBoxes().empty());
    EXPECT_EQ(session.call<int32_t>([] { return liveSettings().isEE; }), 0);
    EXPECT_EQ(session.call<std::wstring>([] { return controlCaption(kEditorSelector); }), L"MathType");
}

TEST_F(LocalisationTest, ScaleRebuildsTheFontAtOnce) {
    MainWindowSession session;
    ASSERT_TRUE(session.started());
    const struct {
        const wchar_t* item;
        int32_t scale;
    } cases[] = {{L"125%", 125}, {L"75%", 75}, {L"100%", 100}};
    for (size_t row = 0; row < std::size(cases); ++row) {
        ASSERT_TRUE(chooseItem(session, kScaleSelector, kScaleList, cases[row].item)) << "row " << row;
        EXPECT_EQ(session.call<int32_t>([] { return liveSettings().textScale; }), cases[row].scale) << "row " << row;
        EXPECT_EQ(session.call<int32_t>([] { return skinHost().textScale; }), cases[row].scale) << "row " << row;
        EXPECT_EQ(session.call<FontLook>([] { return windowFont(); }).height, session.call<int32_t>([&] {
            return expectedHeight(9, cases[row].scale);
        })) << "row "
            << row;
        EXPECT_EQ(session.call<std::wstring>([] { return controlCaption(kScaleSelector); }), cases[row].item);
    }
}

// A pixel of the window's face where no control or label lies.
COLORREF facePixel() {
    redrawWindow(kRedrawFace);
    return GetPixel(skinHost().backBuffer, 5, 120);
}

TEST_F(LocalisationTest, ColorfulIsTheDefaultSkin) {
    MainWindowStart start;
    start.beforeStart = [] { liveSettings().skinName = L"graphite"; };
    MainWindowSession session(start);
    ASSERT_TRUE(session.started());
    EXPECT_EQ(session.call<std::wstring>([] { return controlCaption(kThemeSelector); }), L"Graphite");
    const COLORREF graphite = session.call<COLORREF>(facePixel);
    ASSERT_TRUE(chooseItem(session, kThemeSelector, kSkinList, L"Colorful"));
    EXPECT_EQ(session.call<std::wstring>([] { return liveSettings().skinName; }), L"");
    EXPECT_EQ(session.call<std::wstring>([] { return skinHost().skinName; }), L"");
    EXPECT_EQ(session.call<std::wstring>([] { return controlCaption(kThemeSelector); }), L"Colorful");
    const COLORREF colorful = session.call<COLORREF>(facePixel);
    EXPECT_NE(colorful, graphite);
    // The default background's own pixel.
    const std::wstring background = install_.mainFolder() + L"btmm";
    ScopedGdiObject<HBITMAP> bitmap(
        static_cast<HBITMAP>(LoadImageW(nullptr, background.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE)));
    ScopedCreatedDC dc(CreateCompatibleDC(nullptr));
    ScopedSelectObject selection(dc.get(), bitmap.get());
    EXPECT_EQ(colorful, GetPixel(dc.get(), 5, 120));
    ASSERT_TRUE(chooseItem(session, kThemeSelector, kSkinList, L"Graphite"));
    EXPECT_EQ(session.call<std::wstring>([] { return liveSettings().skinName; }), L"graphite");
    EXPECT_EQ(session.call<COLORREF>(facePixel), graphite);
}

TEST_F(LocalisationTest, ChoicesThatNameNoFolderChangeNothing) {
    install_.addLanguage("test", languageFile("Test"));
    MainWindowStart start = inLanguage(L"test");
    MainWindowSession session(start);
    ASSERT_TRUE(session.started());
    // A text that is in none of the items (the list box given one the program never put there), and lists that
    // are not in the table: no index out of range, no change.
    const std::wstring before = session.call<std::wstring>([] { return liveSettings().languageName; });
    EXPECT_EQ(before, L"test");
    session.run([] {
        const HWND listBox = listBoxOf(kLanguageList);
        const LRESULT stray = SendMessageW(listBox, LB_ADDSTRING, 0, LPARAM(L"Stray"));
        SendMessageW(listBox, LB_SETCURSEL, WPARAM(stray), 0);
        commitDropDownSelection(kLanguageList);
        SendMessageW(listBoxOf(kSkinList), LB_ADDSTRING, 0, LPARAM(L"Stray skin"));
        SendMessageW(listBoxOf(kSkinList), LB_SELECTSTRING, WPARAM(-1), LPARAM(L"Stray skin"));
        commitDropDownSelection(kSkinList);
        commitDropDownSelection(-1);
        commitDropDownSelection(4);
        commitDropDownSelection(1000);
    });
    EXPECT_EQ(session.call<std::wstring>([] { return liveSettings().languageName; }), L"test");
    EXPECT_EQ(session.call<std::wstring>([] { return liveSettings().skinName; }), L"colorful");
    EXPECT_EQ(session.call<std::wstring>([] { return controlCaption(kLanguageSelector); }), L"Test");
    EXPECT_FALSE(session.ended());
}

TEST_F(LocalisationTest, ReloadWhenActivatedAfterAModuleProgram) {
    MainWindowSession session;
    ASSERT_TRUE(session.started());
    registry_.setString(SuiteKey::UserMain, L"pathSkin", L"graphite");
    registry_.setDword(SuiteKey::UserMain, L"textScale", 75);
    // Not asked for: no reload.
    ASSERT_TRUE(session.post(WM_ACTIVATE, WA_ACTIVE));
    EXPECT_EQ(session.call<std::wstring>([] { return controlCaption(kScaleSelector); }), L"100%");
    session.run([] { mainWindowState().reloadOnActivate = true; });
    ASSERT_TRUE(session.post(WM_ACTIVATE, WA_INACTIVE));
    EXPECT_EQ(session.call<std::wstring>([] { return controlCaption(kScaleSelector); }), L"100%");
    ASSERT_TRUE(session.post(WM_ACTIVATE, WA_CLICKACTIVE));
    EXPECT_FALSE(session.call<bool>([] { return mainWindowState().reloadOnActivate; }));
    EXPECT_EQ(session.call<std::wstring>([] { return controlCaption(kScaleSelector); }), L"75%");
    EXPECT_EQ(session.call<std::wstring>([] { return controlCaption(kThemeSelector); }), L"Graphite");
    EXPECT_EQ(session.call<FontLook>([] { return windowFont(); }).height,
              session.call<int32_t>([] { return expectedHeight(9, 75); }));
    // A skin folder that is not there: the default item.
    registry_.setString(SuiteKey::UserMain, L"pathSkin", L"nothere");
    session.run([] { reloadProgramSettings(); });
    EXPECT_EQ(session.call<std::wstring>([] { return controlCaption(kThemeSelector); }), L"Colorful");
}

TEST_F(LocalisationTest, AListHandingTheActivationBackDoesNotReload) {
    // An older module program was started (its settings are read when the user comes back from it); meanwhile the
    // user picks 125 % in the scale list. The closing list hands the activation back to the main window: that is
    // no return from the other program, and the choice stays, unsaved.
    registry_.setDword(SuiteKey::UserMain, L"textScale", 100);
    MainWindowSession session;
    ASSERT_TRUE(session.started());
    session.run([] { mainWindowState().reloadOnActivate = true; });
    ASSERT_TRUE(chooseItem(session, kScaleSelector, kScaleList, L"125%"));
    EXPECT_FALSE(session.call<bool>([] { return anyListOpen(); }));
    EXPECT_EQ(session.call<HWND>([] { return GetActiveWindow(); }), session.window());
    EXPECT_EQ(session.call<std::wstring>([] { return controlCaption(kScaleSelector); }), L"125%");
    EXPECT_EQ(session.call<int32_t>([] { return liveSettings().textScale; }), 125);
    EXPECT_TRUE(session.call<bool>([] { return areSettingsModified(); })) << "the close question still asks";
    EXPECT_TRUE(session.call<bool>([] { return mainWindowState().reloadOnActivate; })) << "still pending";
    // Any other window of this program handing the activation back (a message box, another list) is no return
    // either.
    const HWND popup = session.call<HWND>([] { return GetParent(listBoxOf(kScaleList)); });
    ASSERT_TRUE(session.post(WM_ACTIVATE, WA_CLICKACTIVE, LPARAM(popup)));
    EXPECT_EQ(session.call<int32_t>([] { return liveSettings().textScale; }), 125);
    // Back from the other program (a window of no thread here was active before): the reload comes.
    registry_.setDword(SuiteKey::UserMain, L"textScale", 75);
    ASSERT_TRUE(session.post(WM_ACTIVATE, WA_ACTIVE, 0));
    EXPECT_FALSE(session.call<bool>([] { return mainWindowState().reloadOnActivate; }));
    EXPECT_EQ(session.call<std::wstring>([] { return controlCaption(kScaleSelector); }), L"75%");
    EXPECT_FALSE(session.call<bool>([] { return areSettingsModified(); }));
}

// Every entry of the window and its messages, in the shipped translation.
TEST(ShippedLanguages, GermanIsCompleteAndValid) {
    const std::wstring path =
        std::filesystem::path("Z:" VELTRIM_OPTIONS_MAIN "/language/german/language.txt").make_preferred().wstring();
    NumberedStringMap texts;
    ASSERT_GT(loadNumberedStrings(texts, path, 3, L'D', L':'), 0);
    EXPECT_TRUE(isLocalisedFileValid(texts));
    EXPECT_EQ(texts[1], L"Deutsch");
    EXPECT_EQ(texts[2], L"2026");
    EXPECT_FALSE(texts[3].empty());
    EXPECT_EQ(texts[4], L"9");
    for (const LanguageTextRow& row : kLanguageTextRows)
        EXPECT_FALSE(texts[row.entry].empty()) << "entry " << row.entry;
    for (ProgramText entry : kProgramTexts)
        EXPECT_FALSE(texts[int32_t(entry)].empty()) << "entry " << int32_t(entry);
    // The line breaks of the messages are escapes in the file and real ones after loading.
    EXPECT_NE(texts[962].find(L"\r\n\r\n"), std::wstring::npos);
    EXPECT_EQ(texts[101], L"Abbrechen");
    EXPECT_EQ(texts[102], L"\u00DCbernehmen");
}

TEST_F(LocalisationTest, GermanOnTheWindowAndInItsMessages) {
    install_.addShippedLanguages();
    MainWindowSession session;
    ASSERT_TRUE(session.started());
    EXPECT_EQ(session.call<std::vector<std::wstring>>([] { return listItems(kLanguageList); }),
              (std::vector<std::wstring>{L"Deutsch", L"English (Default)"})); // sorted
    ASSERT_TRUE(chooseItem(session, kLanguageSelector, kLanguageList, L"Deutsch"));
    EXPECT_EQ(session.call<std::wstring>([] { return liveSettings().languageName; }), L"german");
    const struct {
        bool label;
        int32_t id;
        const wchar_t* text;
    } cases[] = {
        {false, kCancelControl, L"Abbrechen"},
        {false, kPalvexOptionsControl, L"Herunterladen"},
        {false, kPalvexProcessingControl, L"File Processing"}, // never localised
        {true, 3, L"Systemoptionen"},
        {true, kFooterLabel, kFooterText},
        {false, kLanguageSelector, L"Deutsch"},
    };
    for (size_t row = 0; row < std::size(cases); ++row) {
        const auto& c = cases[row];
        EXPECT_EQ(session.call<std::wstring>([&] { return c.label ? labelText(c.id) : controlCaption(c.id); }), c.text)
            << "row " << row;
    }
    EXPECT_EQ(session.call<std::wstring>([] { return languageText(ProgramText::UnsavedChanges); }),
              L"Nicht gespeichert! \u00C4nderungen vor dem Beenden speichern?");
    const WordTemplateTexts ribbon = session.call<WordTemplateTexts>([] { return localisedWordTemplateTexts(); });
    EXPECT_EQ(ribbon.enableQuestion.rfind(L"Damit wird das optionale Veltrim-Math-Men\u00FCband aktiviert", 0), 0u);
    EXPECT_EQ(ribbon.moduleNotFound, L"Das Modul wurde nicht gefunden.");
    answerMessageBoxes(IDCANCEL);
    ASSERT_TRUE(session.post(WM_CLOSE));
    const std::vector<ShownMessageBox> boxes = shownMessageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, L"Nicht gespeichert! \u00C4nderungen vor dem Beenden speichern?");
    EXPECT_EQ(boxes[0].caption, L"Veltrim Sorvanta"); // never localised
    // Back to English: every text, and the chooser's face.
    ASSERT_TRUE(chooseItem(session, kLanguageSelector, kLanguageList, L"English (Default)"));
    EXPECT_EQ(session.call<std::wstring>([] { return controlCaption(kCancelControl); }), L"Cancel");
    EXPECT_EQ(session.call<std::wstring>([] { return languageText(ProgramText::UnsavedChanges); }),
              L"Not saved! Save changes before quit?");
    EXPECT_EQ(session.call<std::wstring>([] { return liveSettings().languageName; }), L"");
    EXPECT_EQ(session.call<WordTemplateTexts>([] { return localisedWordTemplateTexts(); }).enableQuestion,
              WordTemplateTexts().enableQuestion);
}

// Shows the main window with a list open for a screenshot: VELTRIM_MAIN_HOLD_SECONDS=n, with
// VELTRIM_MAIN_LANGUAGE=german (else English) and VELTRIM_MAIN_SCALE=125 (else 100); VELTRIM_MAIN_PICK=1 picks
// "Deutsch" from the language list instead of leaving it open.
TEST_F(LocalisationTest, ShowForScreenshot) {
    const char* hold = std::getenv("VELTRIM_MAIN_HOLD_SECONDS");
    if (hold == nullptr)
        GTEST_SKIP() << "VELTRIM_MAIN_HOLD_SECONDS is not set";
    const char* language = std::getenv("VELTRIM_MAIN_LANGUAGE");
    const char* scale = std::getenv("VELTRIM_MAIN_SCALE");
    install_.addShippedLanguages();
    MainWindowStart start;
    const std::string folder = language == nullptr ? "" : language;
    const int32_t textScale = scale == nullptr ? 100 : std::atoi(scale);
    start.beforeStart = [folder, textScale] {
        liveSettings().languageName = std::wstring(folder.begin(), folder.end());
        liveSettings().textScale = textScale;
    };
    MainWindowSession session(start);
    ASSERT_TRUE(session.started());
    if (std::getenv("VELTRIM_MAIN_PICK") != nullptr) {
        // The list's pick instead: the window in the chosen language, repainted where the list was.
        ASSERT_TRUE(chooseItem(session, kLanguageSelector, kLanguageList, L"Deutsch"));
        EXPECT_FALSE(session.call<bool>([] { return anyListOpen(); }));
    } else {
        ASSERT_TRUE(session.clickControl(kLanguageSelector));
        EXPECT_TRUE(session.call<bool>([] { return anyListOpen(); }));
    }
    Sleep(DWORD(std::atoi(hold)) * 1000);
}
} // namespace
