// TextFileReader and TextFileWriter against real files: byte-order marks, code pages, fills that split characters, bad
// UTF-8 bytes before good characters at every buffer size, line and word reading, NUL units and the file's end,
// push-back, reading through a handle the caller holds, and the bytes the writer produces for each encoding.
#include "textFile.h"
#include "testFiles.h"

#include <gtest/gtest.h>

#include <map>

namespace {
using namespace testing_support;

std::wstring readEverything(const std::wstring& path, int32_t selector, uint64_t bufferBytes, uint32_t& status) {
    TextFileReader reader(path, selector, bufferBytes);
    std::wstring units;
    reader.readAll(units, 100000);
    status = reader.status();
    return units;
}

TEST(TextFileReader, EncodingsAndMarks) {
    struct Case {
        const char* name;
        std::string bytes;
        int32_t selector;
        std::wstring units;
        uint32_t status;
    };
    const Case cases[] = {
        {"empty file", "", 1252, L"", 0},
        {"only a UTF-8 mark", "\xEF\xBB\xBF", 1252, L"", 0},
        {"only a UTF-16 mark", "\xFF\xFE", 1252, L"", 0},
        // FF FE 00 00 is UTF-32 LE, even where UTF-16 LE with a first U+0000 was meant.
        {"UTF-32 LE mark wins", std::string("\xFF\xFE\0\0A\0\0\0", 8), 1252, L"A", 0},
        {"UTF-32 BE mark", std::string("\0\0\xFE\xFF\0\0\0A", 8), 1252, L"A", 0},
        {"UTF-16 LE mark",
         std::string("\xFF\xFE"
                     "A\0\x10\x04",
                     6),
         1252, L"A\x0410", 0},
        {"UTF-16 BE mark", std::string("\xFE\xFF\0A\x04\x10", 6), 65001, L"A\x0410", 0},
        {"UTF-8 mark overrides the selector", "\xEF\xBB\xBF\xC3\xA9", 1252, L"\xE9", 0},
        {"short file without mark", "ab", 1252, L"ab", 0},
        {"three bytes, selector's code page", "\x80\x81x", 1252, L"\x20AC\x81x", 0},
        {"selector Utf16Le", std::string("A\0B\0", 4), CodePageSelector::Utf16Le, L"AB", 0},
        {"selector Utf32Be", std::string("\0\0\0A", 4), CodePageSelector::Utf32Be, L"A", 0},
        {"UTF-8 supplementary", "\xF0\x9F\x98\x80", 65001, L"\xD83D\xDE00", 0},
        {"UTF-16 supplementary", std::string("\xFF\xFE\x3D\xD8\x00\xDE", 6), 0, L"\xD83D\xDE00", 0},
        {"UTF-32 supplementary", std::string("\xFF\xFE\0\0\x00\xF6\x01\x00", 8), 0, L"\xD83D\xDE00", 0},
        {"UTF-16 ends in a high surrogate",
         std::string("\xFF\xFE"
                     "A\0\x3D\xD8",
                     6),
         0, L"A?", TextFileStatus::DecodeSubstituted},
        {"UTF-16 of odd length",
         std::string("\xFF\xFE"
                     "A\0B",
                     5),
         0, L"A?", TextFileStatus::DecodeSubstituted},
        {"UTF-8 invalid byte",
         "ab\xFF"
         "cd",
         65001,
         L"ab\xFFFD"
         L"cd",
         TextFileStatus::DecodeSubstituted},
        {"Shift-JIS",
         "a\x82\xA0"
         "b",
         932,
         L"a\x3042"
         L"b",
         0},
        {"unknown code page", "abc", 7777, L"", TextFileStatus::DecodeSubstituted | TextFileStatus::EndOfData},
    };
    TempFolder folder;
    for (size_t row = 0; row < std::size(cases); ++row) {
        const Case& c = cases[row];
        const auto path = folder.file("case" + std::to_string(row) + ".txt");
        writeFileBytes(path, c.bytes);
        uint32_t status = 0;
        EXPECT_EQ(readEverything(path.wstring(), c.selector, 128, status), c.units) << "row " << row << " " << c.name;
        EXPECT_EQ(status, c.status) << "row " << row << " " << c.name;
    }
}

// Every buffer size gives the same units: characters split between two fills are put together again.
TEST(TextFileReader, FillsThatSplitCharacters) {
    const struct {
        std::string bytes;
        int32_t selector;
        std::wstring units;
        uint32_t status;
    } texts[] = {
        {"a\xC3\xA9z\xE2\x82\xAC\xF0\x9F\x98\x80q\xE2\x82\xAC\xC3\xA9", 65001, L"a\xE9z\x20AC\xD83D\xDE00q\x20AC\xE9",
         0},
        {std::string("\xFF\xFE"
                     "a\0\x3D\xD8\x00\xDE"
                     "b\0\x3D\xD8\x01\xDE"
                     "c\0",
                     16),
         0,
         L"a\xD83D\xDE00"
         L"b\xD83D\xDE01"
         L"c",
         0},
        {std::string("\xFF\xFE\0\0a\0\0\0\x00\xF6\x01\x00"
                     "b\0\0\0",
                     16),
         0,
         L"a\xD83D\xDE00"
         L"b",
         0},
        {"ab\x82\xA0\x82\xA2\x82\xA4xy\x82\xA6", 932, L"ab\x3042\x3044\x3046xy\x3048", 0},
        // An invalid byte gives one substitution wherever the fills fall, and reading goes on after it.
        {"abcdefg\xFF"
         "hijklmnop",
         65001, L"abcdefg\xFFFDhijklmnop", TextFileStatus::DecodeSubstituted},
    };
    TempFolder folder;
    for (size_t row = 0; row < std::size(texts); ++row) {
        const auto path = folder.file("text" + std::to_string(row) + ".txt");
        writeFileBytes(path, texts[row].bytes);
        for (uint64_t buffer : {0, 1, 4, 5, 6, 7, 9, 13, 128}) {
            uint32_t status = 0;
            EXPECT_EQ(readEverything(path.wstring(), texts[row].selector, buffer, status), texts[row].units)
                << "row " << row << " buffer " << buffer;
            EXPECT_EQ(status, texts[row].status) << "row " << row << " buffer " << buffer;
        }
    }
}

// One bad byte costs one substitution and never the character after it, wherever the fills fall: a byte that cannot
// start a well-formed sequence is followed by a three-byte one (an en dash), at every buffer size from 4 to 128.
TEST(TextFileReader, BadUtf8ByteBeforeAGoodCharacter) {
    const std::string dash = "\xE2\x80\x93";
    const struct {
        const char* what;
        char bad;
    } cases[] = {
        {"a continuation byte", '\x80'},
        {"the lead of a two-byte sequence", '\xC3'},
        {"the lead of a three-byte sequence", '\xE9'},
        {"the lead of a four-byte sequence", '\xF0'},
        {"a byte that starts nothing", '\xFF'},
    };
    const std::wstring expected = L"a\xFFFD\x2013"
                                  L"bc\xFFFD\x2013"
                                  L"def\xFFFD\x2013"
                                  L"g";
    TempFolder folder;
    for (size_t row = 0; row < std::size(cases); ++row) {
        SCOPED_TRACE(cases[row].what);
        const std::string bad(1, cases[row].bad);
        const auto path = folder.file("bad" + std::to_string(row) + ".txt");
        writeFileBytes(path, "a" + bad + dash + "bc" + bad + dash + "def" + bad + dash + "g");
        uint32_t wholeStatus = 0;
        const std::wstring whole = readEverything(path.wstring(), 65001, 128, wholeStatus); // one fill
        EXPECT_EQ(whole, expected) << "row " << row;
        EXPECT_EQ(wholeStatus, TextFileStatus::DecodeSubstituted) << "row " << row;
        for (uint64_t buffer = 4; buffer <= 128; ++buffer) {
            uint32_t status = 0;
            EXPECT_EQ(readEverything(path.wstring(), 65001, buffer, status), whole)
                << "row " << row << " buffer " << buffer;
            EXPECT_EQ(status, wholeStatus) << "row " << row << " buffer " << buffer;
        }
    }
}

TEST(TextFileReader, Lines) {
    struct Case {
        std::string bytes;
        size_t maxLength;
        std::vector<std::pair<std::wstring, size_t>> lines; // text and count, until the count is 0
    };
    const Case cases[] = {
        {"a\r\nb\rc\n", 1000, {{L"a", 2}, {L"b", 2}, {L"c", 2}}},
        {"x\ny", 1000, {{L"x", 2}, {L"y", 1}}},
        {"\n\n", 1000, {{L"", 1}, {L"", 1}}},
        {"a\r", 1000, {{L"a", 2}}},
        {"\r\r\n", 1000, {{L"", 1}, {L"", 1}}},
        // A long line is cut; its rest is consumed with it, not returned as the next line.
        {"abcdef\nxy", 3, {{L"abc", 7}, {L"xy", 2}}},
        // A NUL unit reads as 0: the line so far comes back, and a NUL at the start of a line ends the loop.
        {std::string("ab\0cd\n\0", 7), 1000, {{L"ab", 2}, {L"cd", 3}}},
        {"", 1000, {}},
    };
    TempFolder folder;
    for (size_t row = 0; row < std::size(cases); ++row) {
        const auto path = folder.file("lines" + std::to_string(row) + ".txt");
        writeFileBytes(path, cases[row].bytes);
        for (uint64_t buffer : {4, 128}) {
            TextFileReader reader(path.wstring(), 1252, buffer);
            std::wstring line;
            std::vector<std::pair<std::wstring, size_t>> got;
            while (size_t count = reader.readLine(line, cases[row].maxLength))
                got.emplace_back(line, count);
            EXPECT_EQ(got, cases[row].lines) << "row " << row << " buffer " << buffer;
            EXPECT_EQ(reader.status() & kTextFileStopMask, 0u) << "row " << row;
        }
    }
}

// A 0 from readChar is a NUL unit of the file or its end; only the end sets atEndOfFile.
TEST(TextFileReader, NulUnitsAndTheEnd) {
    const struct {
        std::string bytes;
        int32_t selector;
        const char* reads; // per readChar until the end: a letter, 0 for a NUL unit, $ for the end
    } cases[] = {
        {"", 1252, "$"},
        {"ab", 1252, "ab$"},
        {std::string("a\0b", 3), 1252, "a0b$"},
        {std::string("ab\0", 3), 1252, "ab0$"},
        {std::string("\0\0", 2), 1252, "00$"},
        {std::string("\xFF\xFE"
                     "a\0\0\0",
                     6),
         0, "a0$"},
    };
    TempFolder folder;
    for (size_t row = 0; row < std::size(cases); ++row) {
        const auto path = folder.file("nul" + std::to_string(row) + ".txt");
        writeFileBytes(path, cases[row].bytes);
        for (uint64_t buffer : {4, 128}) {
            TextFileReader reader(path.wstring(), cases[row].selector, buffer);
            std::string reads;
            for (int n = 0; n < 20 && (reads.empty() || reads.back() != '$'); ++n) {
                const wchar_t unit = reader.readChar();
                reads += unit != 0 ? char(unit) : reader.atEndOfFile() ? '$' : '0';
            }
            EXPECT_EQ(reads, cases[row].reads) << "row " << row << " buffer " << buffer;
            EXPECT_EQ(reader.readChar(), 0) << "row " << row;
            EXPECT_TRUE(reader.atEndOfFile()) << "row " << row << ": still at the end";
        }
    }
}

TEST(TextFileReader, WordsAndPushBack) {
    TempFolder folder;
    const auto path = folder.file("words.txt");
    writeFileBytes(path, "  hello world\t x");
    TextFileReader words(path.wstring(), 1252, 4);
    std::wstring word;
    EXPECT_EQ(words.readWord(word, 3), 6u); // the separator is counted and pushed back
    EXPECT_EQ(word, L"hel");
    EXPECT_EQ(words.readWord(word, 100), 6u);
    EXPECT_EQ(word, L"world");
    EXPECT_EQ(words.readWord(word, 100), 1u);
    EXPECT_EQ(word, L"x");
    EXPECT_FALSE(words.skipSpaces());
    EXPECT_EQ(words.status(), 0u);

    const auto letters = folder.file("letters.txt");
    writeFileBytes(letters, "abcdefgh");
    TextFileReader reader(letters.wstring(), 1252, 4);
    EXPECT_EQ(reader.readChar(), L'a');
    reader.ungetChar();
    reader.ungetChar(); // a second push-back is flagged and still returns the unit only once more
    EXPECT_EQ(reader.status(), uint32_t(TextFileStatus::DoubleUnget));
    EXPECT_EQ(reader.readChar(), L'a');
    EXPECT_EQ(reader.readChar(), L'b');
    for (wchar_t expected : {L'c', L'd', L'e'})
        EXPECT_EQ(reader.readChar(), expected);
    reader.ungetChar(); // just after a fill: the first unit of that fill comes again
    EXPECT_EQ(reader.readChar(), L'e');
    std::wstring rest;
    EXPECT_EQ(reader.readAll(rest, 2), 3u);
    EXPECT_EQ(rest, L"fg");
}

TEST(TextFileReader, MissingFileAndFileFacts) {
    TempFolder folder;
    TextFileReader missing(folder.file("none.txt").wstring(), 0, 128);
    EXPECT_EQ(missing.status(), uint32_t(TextFileStatus::IoError));
    EXPECT_EQ(missing.readChar(), 0);
    std::wstring line;
    EXPECT_EQ(missing.readLine(line, 10), 0u);
    EXPECT_EQ(readerFileSize(missing), 0u);
    EXPECT_EQ(readerLastWriteTime(missing).dwLowDateTime | readerLastWriteTime(missing).dwHighDateTime, 0u);

    const auto path = folder.file("facts.txt");
    writeFileBytes(path, std::string(300, 'x'));
    TextFileReader reader(path.wstring(), 0, 128);
    EXPECT_EQ(readerFileSize(reader), 300u);
    EXPECT_NE(readerLastWriteTime(reader).dwHighDateTime, 0u);
    EXPECT_NE(readerCreationTime(reader).dwHighDateTime, 0u);
    EXPECT_NE(readerLastAccessTime(reader).dwHighDateTime, 0u);
}

TEST(TextFileReader, ThroughTheCallersHandle) {
    // The file behind the handle is read from its start, also once its name leads elsewhere and after the caller has
    // read from the handle; the caller's handle stays open. A handle without read data access reads nothing.
    const struct {
        const char* what;
        DWORD access; // 0: no handle at all
        uint32_t status;
        std::wstring text;
    } cases[] = {
        {"read data access", FILE_READ_DATA | FILE_READ_ATTRIBUTES | SYNCHRONIZE, 0, L"held\x00e9\nline"},
        {"attributes only", FILE_READ_ATTRIBUTES | SYNCHRONIZE, TextFileStatus::IoError, L""},
        {"no handle", 0, TextFileStatus::IoError, L""},
    };
    for (size_t row = 0; row < std::size(cases); ++row) {
        TempFolder folder;
        const auto path = folder.file("held.txt");
        writeFileBytes(path, "\xEF\xBB\xBFheld\xC3\xA9\nline");
        ScopedHandle held;
        if (cases[row].access != 0) {
            held = ScopedHandle(CreateFileW(path.wstring().c_str(), cases[row].access,
                                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                            OPEN_EXISTING, 0, nullptr));
            ASSERT_TRUE(held.isValid()) << "row " << row;
        }
        char first[2] = {};
        DWORD got = 0;
        ReadFile(held.get(), first, sizeof first, &got, nullptr);
        // The name now leads to another file.
        ASSERT_TRUE(MoveFileW(path.wstring().c_str(), folder.file("away.txt").wstring().c_str())) << "row " << row;
        writeFileBytes(path, "other");
        std::wstring text;
        {
            TextFileReader reader(cases[row].access != 0 ? held.get() : INVALID_HANDLE_VALUE, 0, 4);
            reader.readAll(text, 1000);
            EXPECT_EQ(reader.status(), cases[row].status) << "row " << row << " " << cases[row].what;
        }
        EXPECT_EQ(text, cases[row].text) << "row " << row << " " << cases[row].what;
        BY_HANDLE_FILE_INFORMATION information{};
        EXPECT_EQ(GetFileInformationByHandle(held.get(), &information) != FALSE, cases[row].access != 0)
            << "row " << row << ": the caller's handle stays open";
    }
}

TEST(TextFileWriter, BytesPerEncoding) {
    const std::wstring smile = L"A\xD83D\xDE00";
    struct Case {
        int32_t selector;
        std::wstring text;
        uint64_t size;
        std::string bytes;
    };
    const Case cases[] = {
        {CodePageSelector::Utf8, L"a\xE9", 256, "a\xC3\xA9"},
        {65001, L"a\xE9", 256,
         "\xEF\xBB\xBF"
         "a\xC3\xA9"},
        {1200, smile, 256,
         std::string("\xFF\xFE"
                     "A\0\x3D\xD8\x00\xDE",
                     8)},
        {CodePageSelector::Utf16Le, smile, 256, std::string("A\0\x3D\xD8\x00\xDE", 6)},
        {1201, smile, 256, std::string("\xFE\xFF\0A\xD8\x3D\xDE\x00", 8)},
        {CodePageSelector::Utf16Be, smile, 4, std::string("\0A\xD8\x3D\xDE\x00", 6)},
        {12000, smile, 256, std::string("\xFF\xFE\0\0A\0\0\0\x00\xF6\x01\x00", 12)},
        {CodePageSelector::Utf32Le, smile, 4, std::string("A\0\0\0\x00\xF6\x01\x00", 8)},
        {12001, smile, 5, std::string("\0\0\xFE\xFF\0\0\0A\0\x01\xF6\x00", 12)},
        {CodePageSelector::Utf32Be, L"\xDC00x", 4, std::string("\0\0\xDC\x00\0\0\0x", 8)}, // a lone surrogate as is
        {1252,
         L"\x20AC"
         L"5",
         256,
         "\x80"
         "5"},
        // Pieces of 4 units: the surrogate pair at the piece's end moves whole into the next piece.
        {CodePageSelector::Utf8,
         L"abc\xD83D\xDE00"
         L"d",
         4,
         "abc\xF0\x9F\x98\x80"
         "d"},
        // A piece that needs more bytes than the buffer holds grows it.
        {CodePageSelector::Utf8, L"\x20AC\x20AC\x20AC\x20AC\x20AC", 1,
         "\xE2\x82\xAC\xE2\x82\xAC\xE2\x82\xAC\xE2\x82\xAC\xE2\x82\xAC"},
    };
    TempFolder folder;
    for (size_t row = 0; row < std::size(cases); ++row) {
        const Case& c = cases[row];
        const auto path = folder.file("out" + std::to_string(row) + ".txt");
        uint64_t written = 0;
        {
            TextFileWriter writer(path.wstring(), c.selector, c.size);
            EXPECT_EQ(writer.writeString(L""), 0u) << "row " << row;
            written = writer.writeString(c.text);
            EXPECT_EQ(writer.status(), 0u) << "row " << row;
            EXPECT_EQ(writerFileSize(writer), c.bytes.size()) << "row " << row;
        }
        EXPECT_EQ(readFileBytes(path), c.bytes) << "row " << row;
        // The result counts the text's bytes; a byte-order mark is written by the constructor.
        const std::map<int32_t, uint64_t> markLengths{{65001, 3}, {1200, 2}, {1201, 2}, {12000, 4}, {12001, 4}};
        const auto mark = markLengths.find(c.selector);
        EXPECT_EQ(written, c.bytes.size() - (mark == markLengths.end() ? 0 : mark->second)) << "row " << row;
    }
}

TEST(TextFileWriter, RoundTripThroughTheReader) {
    const std::wstring text = L"line one \xE9\x20AC\r\nzwei \xD83D\xDE00\n\x0444\x0430\x0439\x043B";
    TempFolder folder;
    for (int32_t codePage : {65001, 1200, 1201, 12000, 12001}) {
        const auto path = folder.file("round" + std::to_string(codePage) + ".txt");
        {
            TextFileWriter writer(path.wstring(), codePage, 7);
            EXPECT_GT(writer.writeString(text.substr(0, 5)), 0u) << codePage;
            EXPECT_GT(writer.writeChar(text[5]), 0u) << codePage;
            EXPECT_GT(writer.writeString(text.substr(6)), 0u) << codePage;
        }
        uint32_t status = 0;
        // The mark the writer put first tells the reader the encoding.
        EXPECT_EQ(readEverything(path.wstring(), 1252, 128, status), text) << codePage;
        EXPECT_EQ(status, 0u) << codePage;
    }
}

TEST(TextFileWriter, UnwritablePath) {
    TempFolder folder;
    TextFileWriter writer((folder.path() / "no-such-folder" / "x.txt").wstring(), 65001, 256);
    EXPECT_EQ(writer.status(), uint32_t(TextFileStatus::IoError));
    EXPECT_EQ(writer.writeString(L"abc"), 0u);
    EXPECT_EQ(writerFileSize(writer), 0u);
}

} // namespace
