// The settings program's command line: which mode option wins, options glued into other text, letter case, the
// owner option with too few characters, with letters, signs and out-of-range numbers, and the decimal read itself.
// Portable: runs natively and under Wine.
#include "commandLine.h"

#include <gtest/gtest.h>

#include <iterator>
#include <string>

namespace {
constexpr StartMode kMain = StartMode::MainWindow;
constexpr StartMode kPalvex = StartMode::PalvexOptionsOnly;
constexpr StartMode kDornak = StartMode::DornakOptionsOnly;
constexpr StartMode kSembrik = StartMode::SembrikOptionsOnly;
constexpr StartMode kProc = StartMode::MainWindowWithFileProcessing;

TEST(CommandLine, ModesAndOwner) {
    const struct {
        const wchar_t* commandLine;
        StartMode mode;
        int32_t owner;
    } cases[] = {
        // commandLine                      mode      owner
        {L"-sbk -pvx", kPalvex, 0}, // the order of testing decides, not the position
        {L"-pvx -sbk", kPalvex, 0},
        {L"-sbk", kSembrik, 0},
        {L"-proc -sbk", kSembrik, 0},
        {L"-dnk -sbk -proc", kDornak, 0},
        {L"abc-dnkxyz", kDornak, 0}, // glued between other letters
        {L"-processing", kProc, 0},  // a longer word that begins with "-proc"
        {L"-pro", kMain, 0},
        {L"-SBK", kMain, 0}, // upper case is not recognised
        {L"-Proc -PVX", kMain, 0},
        {L"-wnd:5", kMain, 0}, // one digit after the colon, at the end: ignored
        {L"-proc -wnd:5", kProc, 0},
        {L"-wnd:", kMain, 0},
        {L"-wnd:12 -proc", kProc, 12},
        {L"-wnd:12", kMain, 12},
        {L"-wnd:5 ", kMain, 5},  // two characters follow the colon
        {L"-wnd:abc", kMain, 0}, // letters: no owner
        {L"-wnd:-pvx", kPalvex, 0},
        {L"-wnd:12-wnd:34", kMain, 12}, // the first occurrence
        {L"x-wnd:77y", kMain, 77},
        {L"-wnd:  42", kMain, 42},
        {L"-wnd:\t+42", kMain, 42},
        {L"-wnd:-42", kMain, -42},
        {L"-wnd:4294967295", kMain, INT32_MAX}, // out of range: the limit, which names no window
        {L"-wnd:99999999999999999999", kMain, INT32_MAX},
        {L"-wnd:-2147483648", kMain, INT32_MIN},
        {L"-wnd:-99999999999999999999", kMain, INT32_MIN},
        {L"-WND:12", kMain, 0},
        {L"-wnd 12", kMain, 0},
        {L"", kMain, 0},
        {L"   ", kMain, 0},
    };
    for (size_t row = 0; row < std::size(cases); ++row) {
        const CommandLineOptions options = parseCommandLine(cases[row].commandLine);
        EXPECT_EQ(int(options.mode), int(cases[row].mode)) << "row " << row;
        EXPECT_EQ(options.ownerValue, cases[row].owner) << "row " << row;
    }
}

TEST(CommandLine, DecimalLong) {
    const struct {
        const wchar_t* text;
        size_t start;
        int32_t value;
    } cases[] = {
        // text                    start  value
        {L"0", 0, 0},
        {L"007", 0, 7},
        {L"123abc", 0, 123},
        {L" \t\n\v\f\r9", 0, 9},
        {L"+5", 0, 5},
        {L"-5", 0, -5},
        {L"--5", 0, 0},
        {L"+-5", 0, 0},
        {L"- 5", 0, 0},
        {L"", 0, 0},
        {L"x1", 0, 0},
        {L"2147483647", 0, INT32_MAX},
        {L"2147483648", 0, INT32_MAX},
        {L"-2147483647", 0, -INT32_MAX},
        {L"-2147483649", 0, INT32_MIN},
        {L"ab12", 2, 12},
        {L"12", 2, 0}, // start at the end
        {L"\x00a0"
         L"5",
         0, 0}, // only the C locale's white space is skipped
    };
    for (size_t row = 0; row < std::size(cases); ++row)
        EXPECT_EQ(parseDecimalLong(cases[row].text, cases[row].start), cases[row].value) << "row " << row;
}
} // namespace
