// The portable rules of the settings files and text decoding: numbered-string and key=value lines, escapes, list
// items, language folders, UTF-16/UTF-32 runs, the text of registry string data and the byte packing helpers.
#include "settingsText.h"
#include "textUnits.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

TEST(NumberedLine, LayoutsAndNumbers) {
    struct Case {
        const wchar_t* line;
        wchar_t prefix;
        wchar_t separator;
        bool names;
        int32_t number;
        const wchar_t* text;
    };
    const Case cases[] = {
        {L"D007:Hello", L'D', L':', true, 7, L"Hello"},
        {L"D007:", L'D', L':', false, 0, L""},    // empty text: no entry
        {L"D007:  ", L'D', L':', true, 7, L"  "}, // trimmed later, to an empty text
        {L"D000:x", L'D', L':', false, 0, L""},   // entry numbers are positive
        {L"X007:x", L'D', L':', false, 0, L""},   // another host's prefix
        {L"D007-x", L'D', L':', false, 0, L""},   // wrong separator
        {L"D 07:x", L'D', L':', true, 7, L"x"},   // leading white space in the digits
        {L"D-07:x", L'D', L':', false, 0, L""},   // negative
        {L"D+07:x", L'D', L':', true, 7, L"x"},
        {L"D7x9:x", L'D', L':', true, 7, L"x"}, // parsing stops at the first non-digit
        {L"M012:Text 99", L'M', L':', true, 12, L"Text 99"},
        {L"D", L'D', L':', false, 0, L""},
        {L"", L'D', L':', false, 0, L""},
        // Without a separator the digits of the text must not join the number.
        {L"D0071234", L'D', 0, true, 7, L"1234"},
        {L"0071234", 0, 0, true, 7, L"1234"},
        {L"007:abc", 0, L':', true, 7, L"abc"},
        {L"007", 0, 0, false, 0, L""},
    };
    for (size_t row = 0; row < std::size(cases); ++row) {
        const Case& c = cases[row];
        int32_t number = -1;
        std::wstring text = L"stale";
        EXPECT_EQ(parseNumberedLine(c.line, NumberedLineLayout{3, c.prefix, c.separator}, number, text), c.names)
            << "row " << row;
        if (c.names) {
            EXPECT_EQ(number, c.number) << "row " << row;
            EXPECT_EQ(text, c.text) << "row " << row;
        }
    }
}

TEST(NumberedLine, DigitCountsAtTheEdges) {
    int32_t number = 0;
    std::wstring text;
    EXPECT_FALSE(parseNumberedLine(L"D007:x", NumberedLineLayout{0, L'D', L':'}, number, text));
    EXPECT_FALSE(parseNumberedLine(L"D007:x", NumberedLineLayout{-1, L'D', L':'}, number, text));
    // More digits than an int holds saturate instead of wrapping to a small or negative entry.
    ASSERT_TRUE(parseNumberedLine(L"99999999999999:x", NumberedLineLayout{14, 0, L':'}, number, text));
    EXPECT_EQ(number, INT32_MAX);
}

TEST(SettingEscapes, FivePasses) {
    const struct {
        const wchar_t* in;
        const wchar_t* out;
    } cases[] = {
        {L"a\\\\nb", L"a\\nb"}, // a doubled backslash is a backslash, and the n stays a letter
        {L"a\\nb", L"a\nb"},    {L"a\\rb\\tc", L"a\rb\tc"},
        {L"a\fb", L"a\\b"},                           // a form feed in the file stands for a backslash
        {L"end\\n", L"end\n"},  {L"\\x\\", L"\\x\\"}, // unknown escapes and a lone trailing backslash stay
        {L"\\\\\\\\", L"\\\\"}, {L"", L""},
    };
    for (size_t row = 0; row < std::size(cases); ++row)
        EXPECT_EQ(decodeSettingEscapes(cases[row].in), cases[row].out) << "row " << row;
}

TEST(KeyValueLine, SplitsAtTheFirstEquals) {
    const struct {
        const wchar_t* line;
        bool taken;
        const wchar_t* key;
        const wchar_t* value;
    } cases[] = {
        {L"a = b ", true, L"a", L" b "}, {L"=x", false, L"", L""},
        {L"k=", true, L"k", L""},        {L"k=a=b", true, L"k", L"a=b"},
        {L"  =x", true, L"", L"x"}, // a key of spaces is stored under the empty key
        {L"no equals", false, L"", L""}, {L"\tkey\t=\tv", true, L"key", L"\tv"},
    };
    for (size_t row = 0; row < std::size(cases); ++row) {
        std::wstring key;
        std::wstring value;
        ASSERT_EQ(parseKeyValueLine(cases[row].line, key, value), cases[row].taken) << "row " << row;
        if (cases[row].taken) {
            EXPECT_EQ(key, cases[row].key) << "row " << row;
            EXPECT_EQ(value, cases[row].value) << "row " << row;
        }
    }
}

TEST(ListItems, NewlineTerminatedItems) {
    const std::wstring list = L"a\nb\n";
    EXPECT_EQ(indexOfListItem(list, L"a"), 0);
    EXPECT_EQ(indexOfListItem(list, L"b"), 1);
    EXPECT_EQ(indexOfListItem(list, L"c"), -1);
    EXPECT_EQ(indexOfListItem(L"a\nb", L"b"), -1); // text after the last LF is no item
    EXPECT_EQ(indexOfListItem(L"\n\nx\n", L""), 0);
    EXPECT_EQ(indexOfListItem(L"", L""), -1);
    EXPECT_EQ(listItemAt(list, 0), L"a");
    EXPECT_EQ(listItemAt(list, 1), L"b");
    EXPECT_EQ(listItemAt(list, 2), L"");
    EXPECT_EQ(listItemAt(list, -1), L"");
    EXPECT_EQ(listItemAt(L"a\nb", 1), L"");
}

TEST(LanguageFolders, TableAndVariant) {
    const struct {
        const wchar_t* lcid;
        const wchar_t* full;
        const wchar_t* withoutRussian;
    } cases[] = {
        {L"1031", L"german", L"german"},
        {L"1033", L"", L""},
        {L"1036", L"french", L"french"},
        {L"1045", L"polish", L"polish"},
        {L"1049", L"russian", L""},
        {L"1058", L"ukrainian", L"ukrainian"},
        {L"2057", L"", L""},
        {L"", L"", L""},
        {L"01031", L"", L""}, // compared as text
    };
    for (size_t row = 0; row < std::size(cases); ++row) {
        EXPECT_EQ(languageFolderFromLcid(cases[row].lcid), cases[row].full) << "row " << row;
        EXPECT_EQ(languageFolderFromLcid(cases[row].lcid, LanguageTable::WithoutRussian), cases[row].withoutRussian)
            << "row " << row;
    }
}

std::vector<uint8_t> bytesOf(std::initializer_list<int> values) {
    return std::vector<uint8_t>(values.begin(), values.end());
}

TEST(UnicodeRuns, Utf16AndUtf32) {
    struct Case {
        bool utf32;
        bool bigEndian;
        bool lastRun;
        std::vector<uint8_t> bytes;
        std::wstring units;
        size_t consumed;
        bool substituted;
    };
    const Case cases[] = {
        {false, false, true, bytesOf({0x41, 0x00, 0x42, 0x00}), L"AB", 4, false},
        {false, true, true, bytesOf({0x00, 0x41, 0x04, 0x10}), L"A\x0410", 4, false},
        // A surrogate pair travels whole; when its partner is not in the run yet, it waits.
        {false, false, true, bytesOf({0x3D, 0xD8, 0x00, 0xDE}), L"\xD83D\xDE00", 4, false},
        {false, false, false, bytesOf({0x41, 0x00, 0x3D, 0xD8, 0x00}), L"A", 2, false},
        // At the end, what is left over becomes one "?".
        {false, false, true, bytesOf({0x41, 0x00, 0x3D, 0xD8}), L"A?", 4, true},
        {false, false, true, bytesOf({0x41, 0x00, 0x42}), L"A?", 3, true},
        {false, false, false, bytesOf({0x41, 0x00, 0x42}), L"A", 2, false},
        {true, false, true, bytesOf({0x41, 0, 0, 0, 0x00, 0xF6, 0x01, 0x00}), L"A\xD83D\xDE00", 8, false},
        {true, true, true, bytesOf({0, 0x01, 0xF6, 0x00, 0, 0, 0, 0x42}),
         L"\xD83D\xDE00"
         L"B",
         8, false},
        {true, false, true, bytesOf({0x41, 0, 0, 0, 0x42, 0}), L"A?", 6, true},
        {true, false, false, bytesOf({0x41, 0, 0, 0, 0x42, 0}), L"A", 4, false},
        // Not characters: surrogate code points and values beyond Unicode.
        {true, false, true, bytesOf({0x00, 0xD8, 0, 0, 0x00, 0x00, 0x11, 0x00}), L"??", 8, true},
        {true, false, true, bytesOf({0xFF, 0xFF, 0x10, 0x00}), L"\xDBFF\xDFFF", 4, false},
    };
    for (size_t row = 0; row < std::size(cases); ++row) {
        const Case& c = cases[row];
        std::vector<wchar_t> out(c.bytes.size() / 2 + 1, L'#');
        const UnitDecodeResult result =
            c.utf32 ? decodeUtf32Run(c.bytes.data(), c.bytes.size(), c.bigEndian, c.lastRun, out.data())
                    : decodeUtf16Run(c.bytes.data(), c.bytes.size(), c.bigEndian, c.lastRun, out.data());
        EXPECT_EQ(std::wstring(out.data(), result.units), c.units) << "row " << row;
        EXPECT_EQ(result.consumed, c.consumed) << "row " << row;
        EXPECT_EQ(result.substituted, c.substituted) << "row " << row;
    }
}

TEST(UnicodeRuns, Utf8UndecodableFront) {
    const struct {
        const char* what;
        std::vector<uint8_t> bytes;
        size_t undecodable;
    } cases[] = {
        {"ASCII", bytesOf({0x41, 0x42}), 0},
        {"a good three-byte sequence", bytesOf({0xE2, 0x80, 0x93}), 0},
        {"a good four-byte sequence", bytesOf({0xF0, 0x9F, 0x98, 0x80}), 0},
        {"a lone continuation byte", bytesOf({0x80, 0xE2, 0x80, 0x93}), 1},
        {"a two-byte lead before a three-byte sequence", bytesOf({0xC3, 0xE2, 0x80, 0x93}), 1},
        {"a three-byte lead before one", bytesOf({0xE9, 0xE2, 0x80, 0x93}), 1},
        {"a four-byte lead before one", bytesOf({0xF0, 0xE2, 0x80, 0x93}), 1},
        {"a byte that starts nothing", bytesOf({0xFF, 0xE2, 0x80, 0x93}), 1},
        {"a cut sequence before ASCII", bytesOf({0xE9, 0x80, 0x41}), 2},
        {"a run of bad bytes", bytesOf({0xFF, 0xFE, 0x80, 0xC0, 0x41}), 4},
        {"overlong", bytesOf({0xC0, 0x80, 0x41}), 2},
        {"overlong three bytes", bytesOf({0xE0, 0x80, 0x80, 0x41}), 3},
        {"a surrogate", bytesOf({0xED, 0xA0, 0x80, 0x41}), 3},
        {"beyond U+10FFFF", bytesOf({0xF4, 0x90, 0x80, 0x80, 0x41}), 4},
        {"the highest character", bytesOf({0xF4, 0x8F, 0xBF, 0xBF}), 0},
        // The run's end cuts the sequence short: the next run may complete it.
        {"a lead at the end", bytesOf({0xFF, 0xE2, 0x80}), 1},
        {"only a lead", bytesOf({0xE2}), 0},
        {"nothing", bytesOf({}), 0},
    };
    for (size_t row = 0; row < std::size(cases); ++row)
        EXPECT_EQ(utf8UndecodableFront(cases[row].bytes.data(), cases[row].bytes.size()), cases[row].undecodable)
            << "row " << row << " " << cases[row].what;
}

TEST(UnicodeRuns, WellFormedUtf16) {
    const struct {
        std::wstring text;
        bool wellFormed;
    } cases[] = {
        {L"", true},
        {L"C:\\a", true},
        {L"a\xD83D\xDE00z", true},
        {std::wstring(1, wchar_t(0xD83D)), false},
        {std::wstring(1, wchar_t(0xDE00)) + L"a", false},
        {L"a" + std::wstring(1, wchar_t(0xD83D)) + L"b", false},
        {std::wstring(1, wchar_t(0xDE00)) + std::wstring(1, wchar_t(0xD83D)), false},
    };
    for (size_t row = 0; row < std::size(cases); ++row)
        EXPECT_EQ(isWellFormedUtf16(cases[row].text), cases[row].wellFormed) << "row " << row;
}

TEST(RegistryStringText, EndsAtTheFirstZeroOrTheDataEnd) {
    const struct {
        const char* what;
        std::vector<uint8_t> bytes;
        std::wstring text;
    } cases[] = {
        {"terminated", bytesOf({'a', 0, 'b', 0, 'c', 0, 0, 0}), L"abc"},
        {"unterminated: the last character stays", bytesOf({'a', 0, 'b', 0, 'c', 0, 'd', 0}), L"abcd"},
        {"one character, unterminated", bytesOf({'x', 0}), L"x"},
        {"padded with zeros", bytesOf({'a', 0, 'b', 0, 0, 0, 0, 0, 0, 0}), L"ab"},
        {"a zero inside ends the text", bytesOf({'a', 0, 0, 0, 'b', 0}), L"a"},
        {"zero first", bytesOf({0, 0, 'a', 0}), L""},
        {"odd byte count: the last byte is ignored", bytesOf({'a', 0, 'b', 0, 'c'}), L"ab"},
        {"odd byte count after a terminator", bytesOf({'a', 0, 0, 0, 'c'}), L"a"},
        {"one byte", bytesOf({'a'}), L""},
        {"empty", bytesOf({}), L""},
        // Little-endian: a unit is zero only when both its bytes are.
        {"units with a high byte", bytesOf({0x44, 0x04, 0x00, 0x01, 0x3D, 0xD8, 0x00, 0xDE}),
         L"\x0444\x0100\xD83D\xDE00"},
        {"a zero low byte alone ends nothing", bytesOf({0x00, 0x20, 'z', 0}), L"\x2000z"},
    };
    for (size_t row = 0; row < std::size(cases); ++row)
        EXPECT_EQ(registryStringText(cases[row].bytes.data(), cases[row].bytes.size()), cases[row].text)
            << "row " << row << " " << cases[row].what;
}

TEST(BytePacking, RoundTripsAndLimits) {
    const uint8_t bytes[4] = {0x01, 0x02, 0x03, 0x04};
    EXPECT_EQ(bytesToInt(bytes, 2, true), 0x0201u);
    EXPECT_EQ(bytesToInt(bytes, 2, false), 0x0102u);
    EXPECT_EQ(bytesToInt(bytes, 3, true), 0x030201u);
    EXPECT_EQ(bytesToInt(bytes, 4, false), 0x01020304u);
    EXPECT_EQ(bytesToInt(bytes, 1, true), 0u);
    EXPECT_EQ(bytesToInt(bytes, 5, true), 0u);
    EXPECT_EQ(bytesToInt(nullptr, 4, true), 0u);

    uint8_t out[4] = {9, 9, 9, 9};
    EXPECT_TRUE(intToBytes(out, 3, 0x030201, true));
    EXPECT_EQ(std::memcmp(out, bytes, 3), 0);
    EXPECT_TRUE(intToBytes(out, 4, 0x01020304, false));
    EXPECT_EQ(std::memcmp(out, bytes, 4), 0);
    EXPECT_FALSE(intToBytes(out, 2, 0x10000, true)); // did not fit
    EXPECT_FALSE(intToBytes(out, 1, 1, true));
    EXPECT_FALSE(intToBytes(nullptr, 2, 1, true));
}

TEST(WideSpaces, Trimming) {
    EXPECT_EQ(trimWideSpaces(L"  a b \t\r\n"), L"a b");
    EXPECT_EQ(trimWideSpaces(L" \t "), L"");
    EXPECT_EQ(trimWideSpaces(L""), L"");
    EXPECT_EQ(trimWideSpaces(L"x"), L"x");
}

} // namespace
