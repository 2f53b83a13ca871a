// The key=value and numbered-string loaders over real files, and the system's space and digit classes.
#include "settingsFiles.h"
#include "testFiles.h"

#include <gtest/gtest.h>

namespace {
using namespace testing_support;

TEST(KeyValueFile, LinesEncodingsAndMissingFile) {
    TempFolder folder;
    const auto path = folder.file("override.ini");
    writeFileBytes(path, "a = b \r\n=ignored\nk=\nno equals here\nk=y\n  =spaces\nname=\xC3\xA9t\xC3\xA9\n"
                         "isEuclid=1=2");
    KeyValueMap map;
    ASSERT_EQ(loadKeyValueFile(map, path.wstring()), 5);
    const KeyValueMap expected{
        {L"a", L" b "}, {L"k", L"y"}, {L"", L"spaces"}, {L"name", L"\xE9t\xE9"}, {L"isEuclid", L"1=2"}};
    EXPECT_EQ(map, expected);

    // A byte-order mark decides the encoding, here UTF-16.
    writeFileBytes(path, std::string("\xFF\xFE"
                                     "k\0=\0\x44\x04\r\0\n\0",
                                     12));
    ASSERT_EQ(loadKeyValueFile(map, path.wstring()), 1);
    EXPECT_EQ(map[L"k"], L"\x0444");

    // Lines are cut at 1000 units.
    writeFileBytes(path, "long=" + std::string(1200, 'v') + "\nnext=1\n");
    ASSERT_EQ(loadKeyValueFile(map, path.wstring()), 2);
    EXPECT_EQ(map[L"long"].size(), 995u);

    map[L"stale"] = L"x";
    EXPECT_EQ(loadKeyValueFile(map, folder.file("missing.ini").wstring()), -1);
    EXPECT_TRUE(map.empty());
}

TEST(NumberedStringFile, EntriesEscapesAndTrimming) {
    TempFolder folder;
    const auto path = folder.file("language.txt");
    writeFileBytes(path, "D001:English\r\n"
                         "D002:2026\r\n"
                         "D007:Hello\r\n"
                         "D008:\r\n"
                         "D009:  \r\n"
                         "D000:zero\r\n"
                         "X010:other host\r\n"
                         "D011-dash\r\n"
                         "D 12:spaced number\r\n"
                         "D013:a\\\\nb\r\n"
                         "D014:a\\nb\\tc\r\n"
                         "D015:ends with newline\\n\r\n"
                         "D016:form\ffeed\r\n"
                         "D007:Hello again\r\n"
                         "M017:library line\r\n");
    NumberedStringMap map;
    ASSERT_EQ(loadNumberedStrings(map, path.wstring(), 3, L'D', L':'), 9);
    const NumberedStringMap expected{
        {1, L"English"},        {2, L"2026"},   {7, L"Hello again"}, {9, L""},
        {12, L"spaced number"}, {13, L"a\\nb"}, {14, L"a\nb\tc"},    {15, L"ends with newline"},
        {16, L"form\\feed"},
    };
    EXPECT_EQ(map, expected);

    ASSERT_EQ(loadNumberedStrings(map, path.wstring(), 3, L'M', L':'), 1);
    EXPECT_EQ(map[17], L"library line");
    EXPECT_EQ(loadNumberedStrings(map, path.wstring(), 0, L'D', L':'), 0);
    EXPECT_EQ(loadNumberedStrings(map, folder.file("missing.txt").wstring(), 3, L'D', L':'), 0);
    EXPECT_TRUE(map.empty());

    // Without a separator the number is exactly the three digits, whatever digits the text starts with.
    writeFileBytes(path, "D0071234\r\n");
    ASSERT_EQ(loadNumberedStrings(map, path.wstring(), 3, L'D', 0), 1);
    EXPECT_EQ(map[7], L"1234");

    // A UTF-8 byte-order mark overrides the ANSI code page.
    writeFileBytes(path, "\xEF\xBB\xBF"
                         "D001:\xD0\xA0\xD1\x83\xD1\x81\xD1\x81\xD0\xBA\xD0\xB8\xD0\xB9\r\n");
    ASSERT_EQ(loadNumberedStrings(map, path.wstring(), 3, L'D', L':'), 1);
    EXPECT_EQ(map[1], L"\x0420\x0443\x0441\x0441\x043A\x0438\x0439");

    // A bad byte in a 128-byte fill that is not the last costs itself alone, not the en dash after it.
    const std::string first = "\xEF\xBB\xBF"
                              "D001:" +
                              std::string(150, 'x') + "\r\n";
    const std::string last = "D004:" + std::string(300, 'y') + "\r\n";
    writeFileBytes(path, first + "D002:2026\r\nD003:Caf\xE9 \xE2\x80\x93 Bar\r\n" + last);
    ASSERT_EQ(loadNumberedStrings(map, path.wstring(), 3, L'D', L':'), 4);
    EXPECT_EQ(map[3], L"Caf\xFFFD \x2013 Bar");
    EXPECT_EQ(map[4], std::wstring(300, L'y'));
}

TEST(CharacterClasses, SpacesAndDigits) {
    const struct {
        wchar_t unit;
        bool space;
        bool digit;
    } cases[] = {
        {L' ', true, false},   {L'\t', true, false},  {L'\r', true, false},   {L'\n', true, false},
        {L'\f', true, false},  {0x3000, true, false}, {0x00A0, true, false},  {L'7', false, true},
        {0x0663, false, true}, {L'x', false, false},  {0x0444, false, false},
    };
    for (size_t row = 0; row < std::size(cases); ++row) {
        EXPECT_EQ(isSpaceChar(cases[row].unit), cases[row].space) << "row " << row;
        EXPECT_EQ(isDigitChar(cases[row].unit), cases[row].digit) << "row " << row;
    }
    EXPECT_EQ(trimSpaces(L"\x3000 a b\t\r\n"), L"a b");
    EXPECT_EQ(trimSpaces(L" \x3000 "), L"");
    EXPECT_EQ(trimSpaces(L""), L"");
}

} // namespace
