// The settings program's start modes and the rules that read them, and the owner window, from its command line.
// Portable and pure: text in, values out, so the native tests cover it. Turning the owner value into a window handle
// and checking it is start-up's work (startup.h).
#pragma once

#include <cstdint>
#include <string>

// What the program does once its settings are loaded.
enum class StartMode : int32_t {
    MainWindow = 0,                   // the main options window
    PalvexOptionsOnly = 1,            // only the Palvex module's option window, then end
    DornakOptionsOnly = 2,            // only the Dornak module's option window, then end
    SembrikOptionsOnly = 3,           // only the Sembrik module's option window, then end
    MainWindowWithFileProcessing = 4, // the main window with its "File Processing" commands enabled
};

struct CommandLineOptions {
    StartMode mode = StartMode::MainWindow;
    // The owner window named by "-wnd:" as the 32-bit decimal the caller wrote; 0 is no owner.
    int32_t ownerValue = 0;
};

// Reads the options as plain, case-sensitive substrings found anywhere in the text (no tokenising, nothing checked
// around them):
//   - the first of "-pvx", "-dnk", "-sbk", "-proc" that occurs, tested in this order, gives the mode (1, 2, 3, 4);
//     the order of testing decides, not the position in the text, so "-sbk -pvx" is the Palvex mode;
//   - the first "-wnd:" followed by at least two more characters gives the owner: the text after the colon read as
//     by parseDecimalLong. With fewer characters after the colon it is ignored.
CommandLineOptions parseCommandLine(const std::wstring& commandLine);

// A base-10 read of a 32-bit long, as the C library's wide-string-to-long conversion does it where long has 32 bits:
// leading white space (space, \t, \n, \v, \f, \r) and one sign are skipped, digits are read up to the first
// non-digit, no digit gives 0, and a value out of range gives the limit on its side.
int32_t parseDecimalLong(const std::wstring& text, size_t start = 0);
