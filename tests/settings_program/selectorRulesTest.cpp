// The main window's portable rules and tables: selector captions, scale and editor items, the font a language file
// asks for, the folder a chosen item stands for (guarded against texts found nowhere and items without a folder),
// and the order of the tables.
#include "selectorRules.h"
#include "mainWindowLayout.h"
#include "programTexts.h"

#include <gtest/gtest.h>

#include <iterator>
#include <string>

namespace {

TEST(SelectorRules, ShortenCaption) {
    const struct {
        std::wstring text;
        std::wstring caption;
    } cases[] = {
        {L"", L""},
        {L"English (Default)", L"English (Default)"},
        {std::wstring(18, L'a'), std::wstring(18, L'a')},
        {std::wstring(19, L'b'), std::wstring(17, L'b') + L"..."},
        {std::wstring(995, L'c'), std::wstring(17, L'c') + L"..."},
    };
    for (size_t row = 0; row < std::size(cases); ++row)
        EXPECT_EQ(shortenCaption(cases[row].text), cases[row].caption) << "row " << row;
}

TEST(SelectorRules, ScaleAndEditorItems) {
    const struct {
        int32_t scale;
        const wchar_t* item;
    } scales[] = {{50, L"75%"}, {75, L"75%"}, {99, L"75%"}, {100, L"100%"}, {101, L"125%"}, {125, L"125%"}};
    for (size_t row = 0; row < std::size(scales); ++row)
        EXPECT_STREQ(scaleItem(scales[row].scale), scales[row].item) << "row " << row;
    EXPECT_EQ(scaleOfItem(L"75%"), 75);
    EXPECT_EQ(scaleOfItem(L"125%"), 125);
    EXPECT_EQ(scaleOfItem(L"100%"), 100);
    EXPECT_EQ(scaleOfItem(L"other"), 100);
    EXPECT_STREQ(editorItem(0, 1), L"MathType");
    EXPECT_STREQ(editorItem(0, 0), L"MathType");
    EXPECT_STREQ(editorItem(1, 1), L"Microsoft Equation");
    EXPECT_STREQ(editorItem(1, 0), L"Equation Editor 3");
    EXPECT_TRUE(showsMathTypeStyle(1, 0));
    EXPECT_FALSE(showsMathTypeStyle(1, 1));
    EXPECT_FALSE(showsMathTypeStyle(0, 0));
}

TEST(SelectorRules, LanguageFont) {
    const struct {
        const wchar_t* entry; // null: missing
        int32_t points;
    } sizes[] = {
        {nullptr, 9},
        {L"", 9},
        {L"5", 9},
        {L"6", 6},
        {L"14", 14},
        {L"15", 9},
        {L"x", 9},
        {L"12pt", 12},
        {L"-9", 9},
        {L" 10", 10},
        {L"99999999999999999999", 9},
    };
    for (size_t row = 0; row < std::size(sizes); ++row) {
        const std::wstring entry = sizes[row].entry == nullptr ? L"" : sizes[row].entry;
        EXPECT_EQ(languageFontPointSize(sizes[row].entry == nullptr ? nullptr : &entry), sizes[row].points)
            << "row " << row;
    }
    EXPECT_EQ(languageFontFace(L""), L"Tahoma");
    EXPECT_EQ(languageFontFace(L"Courier New"), L"Courier New");
    EXPECT_EQ(languageFontFace(std::wstring(40, L'f')), std::wstring(31, L'f'));
}

TEST(SelectorRules, DisplayNameIsOneLine) {
    const struct {
        std::wstring entry;
        std::wstring name;
    } cases[] = {
        {L"Deutsch", L"Deutsch"},
        {L"Alpha\nBeta", L"Alpha Beta"},
        {L"Alpha\r\nBeta", L"Alpha Beta"},
        {L"Alpha\rBeta", L"Alpha Beta"},
        {L"a\n\nb", L"a  b"},
        {L"a\tb", L"a\tb"},
        {L"", L""},
    };
    for (size_t row = 0; row < std::size(cases); ++row)
        EXPECT_EQ(displayNameOf(cases[row].entry), cases[row].name) << "row " << row;
}

TEST(SelectorRules, FolderOfItem) {
    const std::wstring items = L"English (Default)\nDeutsch\nTwin\nTwin\nExtra\n";
    const std::wstring folders = L"german\nfirst\nsecond\n"; // "Extra" has no folder
    const struct {
        const wchar_t* item;
        bool chosen;
        const wchar_t* folder;
    } cases[] = {
        {L"English (Default)", true, L""}, {L"Deutsch", true, L"german"},
        {L"Twin", true, L"first"},                                            // the first of two equal names
        {L"Extra", false, L"unchanged"},   {L"Nowhere", false, L"unchanged"}, // a text found nowhere
        {L"", false, L"unchanged"},        {L"Deut", false, L"unchanged"},    // whole items only
    };
    for (size_t row = 0; row < std::size(cases); ++row) {
        std::wstring folder = L"unchanged";
        EXPECT_EQ(folderOfItem(items, folders, cases[row].item, folder), cases[row].chosen) << "row " << row;
        EXPECT_EQ(folder, cases[row].folder) << "row " << row;
    }
    std::wstring folder = L"unchanged";
    EXPECT_FALSE(folderOfItem(L"Colorful\nGraphite\n", L"", L"Graphite", folder)); // no folders at all
    EXPECT_EQ(folder, L"unchanged");
}

TEST(SelectorRules, ItemOfFolder) {
    const std::wstring items = L"Colorful\nGraphite\nNight\n";
    const std::wstring folders = L"graphite\nnight\nlost\n"; // "lost" has no item
    const struct {
        const wchar_t* folder;
        const wchar_t* item;
    } cases[] = {
        {L"", L"Colorful"},         {L"colorful", L"Colorful"}, {L"graphite", L"Graphite"},
        {L"Graphite", L"Graphite"}, // folder names compare as the file system does
        {L"night", L"Night"},       {L"lost", L"Colorful"},     {L"gone", L"Colorful"},
    };
    for (size_t row = 0; row < std::size(cases); ++row)
        EXPECT_EQ(itemOfFolder(items, folders, cases[row].folder), cases[row].item) << "row " << row;
    EXPECT_EQ(folderPosition(folders, L"NIGHT"), 1);
    EXPECT_EQ(folderPosition(folders, L"nigh"), -1);
    EXPECT_EQ(folderPosition(L"", L""), -1);
}

TEST(MainWindowTables, ControlsLabelsAndEntriesInOrder) {
    for (size_t row = 0; row < std::size(kMainControlRows); ++row)
        EXPECT_EQ(kMainControlRows[row].id, int32_t(row)) << "row " << row;
    for (size_t row = 0; row < std::size(kMainLabelRows); ++row)
        EXPECT_EQ(kMainLabelRows[row].id, int32_t(row)) << "row " << row;
    for (size_t row = 1; row < std::size(kLanguageTextRows); ++row)
        EXPECT_LT(kLanguageTextRows[row - 1].entry, kLanguageTextRows[row].entry) << "row " << row;
    for (size_t row = 1; row < std::size(kProgramTexts); ++row)
        EXPECT_LT(int32_t(kProgramTexts[row - 1]), int32_t(kProgramTexts[row])) << "row " << row;
    for (ProgramText entry : kProgramTexts)
        EXPECT_NE(englishText(entry)[0], L'\0') << int32_t(entry);
    // Every selector opens exactly one list.
    for (size_t row = 0; row < std::size(kMainDropDownRows); ++row)
        EXPECT_EQ(kMainControlRows[kMainDropDownRows[row].selector].kind, ControlKind::SelectorButton) << "row " << row;
}

TEST(ProgramTexts, LanguageTextsReplaceAndRestoreEnglish) {
    setLanguageText(ProgramText::UnsavedChanges, L"Nicht gespeichert!");
    EXPECT_EQ(languageText(ProgramText::UnsavedChanges), L"Nicht gespeichert!");
    setLanguageText(ProgramText::UnsavedChanges, L"");
    EXPECT_EQ(languageText(ProgramText::UnsavedChanges), L"Not saved! Save changes before quit?");
    setLanguageText(ProgramText::ModuleNotFound, L"Fehlt.");
    resetLanguageTexts();
    EXPECT_EQ(languageText(ProgramText::ModuleNotFound), L"The module is not found.");
}
} // namespace
