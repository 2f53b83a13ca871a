// The source buffer: loading, reading past the end, stepping back, progress steps and refused sources.
#include "rtf/rtfSource.h"
#include "rtf/rtfTokenizer.h"
#include "rtf/statusLine.h"
#include "testFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using namespace testing_support;

namespace {
std::vector<std::wstring> gStatus;

void recordStatus(const wchar_t* text) {
    gStatus.emplace_back(text);
}

class SourceTest : public ::testing::Test {
protected:
    void SetUp() override {
        gStatus.clear();
        setStatusLineHook(recordStatus);
    }
    void TearDown() override { setStatusLineHook(nullptr); }
};

std::vector<std::wstring> percentTexts(std::initializer_list<int> percents) {
    std::vector<std::wstring> texts;
    for (int p : percents)
        texts.push_back(L"Processed: " + std::to_wstring(p) + L"%");
    return texts;
}

TEST_F(SourceTest, EmptyFileEndsAtOnce) {
    loadSourceText("");
    EXPECT_EQ(sourceRtfLength(), 1);
    EXPECT_EQ(nextSourceByte(0), 0);
    EXPECT_EQ(nextSourceByte(0), 0);
    RtfToken token;
    readRtfToken({}, token);
    EXPECT_EQ(token.kind, TokenNone);
    EXPECT_TRUE(gStatus.empty());
}

TEST_F(SourceTest, NineBytesReportTenPercentSteps) {
    loadSourceText("abcdefghi");
    std::string read;
    while (uint8_t b = nextSourceByte(0))
        read += char(b);
    EXPECT_EQ(read, "abcdefghi");
    EXPECT_EQ(gStatus, percentTexts({10, 20, 30, 40, 50, 60, 70, 80, 90}));
}

TEST_F(SourceTest, EveryWholePercentageIsReportedOnce) {
    loadSourceText(std::string(999, 'a')); // length 1000 with the blank: one step every 10 bytes
    RtfToken token;
    readRtfToken({}, token); // one text run, read in bulk between the steps
    EXPECT_EQ(token.text.size(), 999u);
    ASSERT_EQ(gStatus.size(), 99u);
    for (int p = 1; p <= 99; ++p)
        EXPECT_EQ(gStatus[size_t(p - 1)], L"Processed: " + std::to_wstring(p) + L"%");
}

// An object's data is read up to its brace at once: the percentages on the way are still reported one by one, and
// reading goes on right after the brace.
TEST_F(SourceTest, AStopModeReadReportsEveryPercentageOnce) {
    std::string data;
    while (data.size() < 996)
        data += (data.size() % 52 == 50) ? "\r\n" : "0a";
    data.resize(996);
    loadSourceText(data + "}xy"); // length 1000 with the blank
    RtfToken token;
    readRtfToken("}", token);
    EXPECT_EQ(token.kind, TokenText);
    EXPECT_EQ(token.text.find_first_of("\r\n}"), std::string_view::npos);
    ASSERT_EQ(gStatus.size(), 99u);
    for (int p = 1; p <= 99; ++p)
        EXPECT_EQ(gStatus[size_t(p - 1)], L"Processed: " + std::to_wstring(p) + L"%");
    readRtfToken({}, token);
    EXPECT_EQ(token.text, "xy");
}

TEST_F(SourceTest, SteppingBack) {
    loadSourceText("ab");
    EXPECT_EQ(nextSourceByte(0), 'a');
    ungetSourceByte();
    EXPECT_EQ(nextSourceByte(1), 'a');
    EXPECT_EQ(nextSourceByte(0), 'b');
    EXPECT_EQ(nextSourceByte(0), 0);
    ungetSourceByte(); // the end stays the end
    EXPECT_EQ(nextSourceByte(0), 0);
}

TEST_F(SourceTest, LoadingDeletesTheFileAndStartsAfresh) {
    TempFolder folder;
    const fs::path path = folder.file("job.rtf");
    writeFileBytes(path, "{x}");
    ASSERT_EQ(loadSourceRtf(path), SourceLoadStatus::Ok);
    EXPECT_FALSE(fs::exists(path));
    EXPECT_EQ(nextSourceByte(0), '{');

    writeFileBytes(path, "yz");
    ASSERT_EQ(loadSourceRtf(path), SourceLoadStatus::Ok);
    EXPECT_EQ(nextSourceByte(0), 'y');
}

// Natively the file's pages are mapped: sizes around the page boundaries read back whole, with the end reported after
// the last byte and a text run that ends exactly at a page's end read without touching past it.
TEST_F(SourceTest, FilesOfEverySizeAroundAPageReadBackWhole) {
    const size_t kSizes[] = {1, 15, 16, 17, 4095, 4096, 4097, 8191, 8192, 65536, 65537};
    for (size_t size : kSizes) {
        std::string bytes(size, 'a');
        for (size_t i = 0; i < size; i += 7)
            bytes[i] = char('b' + i % 20);
        loadSourceText(bytes);
        std::string read;
        for (;;) {
            const uint8_t byte = nextSourceByte(0);
            if (byte == 0 && sourceRtfEnded())
                break;
            read += char(byte);
        }
        EXPECT_EQ(read, bytes) << "size " << size;
        EXPECT_EQ(sourceRtfBytesRead(), int64_t(size)) << "size " << size;

        loadSourceText(bytes);
        RtfToken token;
        readRtfToken({}, token);
        EXPECT_EQ(token.text, bytes) << "size " << size;
        readRtfToken({}, token);
        EXPECT_EQ(token.kind, TokenNone) << "size " << size;
    }
}

// A folder cannot be mapped or read: nothing is loaded, and it is left in place.
TEST_F(SourceTest, AFolderIsNoDocument) {
    TempFolder folder;
    const fs::path path = folder.file("folder.rtf");
    fs::create_directory(path);
    EXPECT_NE(loadSourceRtf(path), SourceLoadStatus::Ok);
    EXPECT_TRUE(fs::is_directory(path));
    EXPECT_EQ(nextSourceByte(0), 0);
}

TEST_F(SourceTest, MissingFileGivesAnEmptySource) {
    TempFolder folder;
    EXPECT_EQ(loadSourceRtf(folder.file("missing.rtf")), SourceLoadStatus::OpenFailed);
    EXPECT_EQ(nextSourceByte(0), 0);
    EXPECT_EQ(sourceRtfLength(), 0);
}

// A file of 2^31 bytes would overflow the signed 32-bit length: it is refused before anything is read, and kept.
// The file is sparse, so the test costs no disk space.
TEST_F(SourceTest, SourcesOfTwoGigabytesAreRefused) {
    TempFolder folder;
    const fs::path path = folder.file("huge.rtf");
    writeFileBytes(path, "{");
    std::error_code error;
    fs::resize_file(path, uintmax_t(1) << 31, error);
    if (error)
        GTEST_SKIP() << "cannot make a sparse file here: " << error.message();
    EXPECT_EQ(loadSourceRtf(path), SourceLoadStatus::TooLarge);
    EXPECT_TRUE(fs::exists(path));
    EXPECT_EQ(nextSourceByte(0), 0);

    fs::resize_file(path, uintmax_t(kMaxSourceRtfBytes) + 1, error);
    ASSERT_FALSE(error);
    EXPECT_EQ(loadSourceRtf(path), SourceLoadStatus::TooLarge);
}

// Every load status has a text of its own, which the driver shows.
TEST(SourceLoadStatusText, EveryStatusHasItsOwnText) {
    const SourceLoadStatus statuses[] = {SourceLoadStatus::Ok, SourceLoadStatus::OpenFailed, SourceLoadStatus::TooLarge,
                                         SourceLoadStatus::ReadFailed, SourceLoadStatus::NoMemory};
    std::vector<std::string> seen;
    for (size_t row = 0; row < std::size(statuses); ++row) {
        const std::string text = sourceLoadStatusText(statuses[row]);
        EXPECT_NE(text, "unknown status") << "row " << row;
        EXPECT_EQ(std::count(seen.begin(), seen.end(), text), 0) << "row " << row << ": " << text;
        seen.push_back(text);
    }
}
} // namespace
