// startEquationServer, closeEquationWindows and postCloseToEquationWindow against the server process stand-in
// (standins/equationWindowsStandIn.cpp) registered under LocalServer32 in Wine's registry: which registrations start
// it, that it starts hidden and without the registration's arguments, the waits, the repaint of the job's window, and
// which window classes get WM_CLOSE. Windows only; the test writes HKLM, which Wine allows.
#include "equationServer.h"
#include "equationWindowsStandIn.h"
#include "registryValues.h"
#include "scopedWin.h"
#include "testFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;
using namespace testing_support;

namespace {
constexpr wchar_t kClassKey[] = L"SOFTWARE\\Classes\\CLSID\\{0002CE02-0000-0000-C000-000000000046}";
constexpr wchar_t kLocalServerKey[] =
    L"SOFTWARE\\Classes\\CLSID\\{0002CE02-0000-0000-C000-000000000046}\\LocalServer32";
constexpr wchar_t kParentClass[] = L"VeltrimEquationServerTestParent";
// Starting a program under Wine can take seconds on a loaded machine.
constexpr auto kStandInLimit = std::chrono::seconds(30);
// How long a wrongly started stand-in would need to write its first line.
constexpr auto kNothingStartedWait = std::chrono::seconds(3);

// What the code under test did, recorded on the test thread: each wait it asked for, and the paints of the parent
// window (so a wait can be placed before or after the repaint).
struct SleepCall {
    uint32_t milliseconds;
    int paintsBefore;
    bool operator==(const SleepCall& other) const {
        return milliseconds == other.milliseconds && paintsBefore == other.paintsBefore;
    }
};
std::vector<SleepCall> gSleeps;
int gPaints = 0;

void recordSleep(uint32_t milliseconds) {
    gSleeps.push_back({milliseconds, gPaints});
}

LRESULT CALLBACK parentProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_PAINT) {
        ++gPaints;
        PAINTSTRUCT paint;
        BeginPaint(window, &paint);
        EndPaint(window, &paint);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

fs::path testProgramFolder() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    return fs::path(path).parent_path();
}

bool waitForLine(const fs::path& log, const std::string& wanted) {
    const auto deadline = std::chrono::steady_clock::now() + kStandInLimit;
    while (std::chrono::steady_clock::now() < deadline) {
        const std::vector<std::string> lines = fileLines(log);
        if (std::find(lines.begin(), lines.end(), wanted) != lines.end())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
}

bool waitUntilNoStandIn() {
    const auto deadline = std::chrono::steady_clock::now() + kStandInLimit;
    while (FindWindowW(standin::kControlClass, nullptr) != nullptr) {
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return true;
}

std::string lowered(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](char c) { return char(tolower(uint8_t(c))); });
    return text;
}

// {plain} and {spaced} in a registration stand for the stand-in's two copies.
std::wstring expanded(std::wstring value, const std::wstring& plain, const std::wstring& spaced) {
    for (const auto& [mark, path] : {std::pair{std::wstring(L"{plain}"), plain}, {L"{spaced}", spaced}}) {
        for (size_t at = value.find(mark); at != std::wstring::npos; at = value.find(mark))
            value.replace(at, mark.size(), path);
    }
    return value;
}

class EquationServer : public ::testing::Test {
protected:
    void SetUp() override {
        HKEY existing = nullptr;
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kClassKey, 0, KEY_READ, &existing) == ERROR_SUCCESS) {
            ScopedRegKey adopted(existing);
            GTEST_SKIP() << "an Equation Editor 3.x class is registered here; the test leaves it alone";
        }
        ownsClassKey_ = true;
        ASSERT_TRUE(waitUntilNoStandIn()) << "a stand-in of an earlier run is still up";
        logPath_ = folder_.file("standIn.log");
        ASSERT_TRUE(SetEnvironmentVariableW(standin::kLogVariable, logPath_.c_str()));
        plainProgram_ = (testProgramFolder() / "equationWindowsStandIn.exe").wstring();
        const fs::path spacedFolder = folder_.path() / "Equation Server Stand In";
        fs::create_directories(spacedFolder);
        spacedProgram_ = (spacedFolder / "equationWindowsStandIn.EXE").wstring();
        ASSERT_TRUE(CopyFileW(plainProgram_.c_str(), spacedProgram_.c_str(), FALSE)) << narrowText(plainProgram_);
        parent_ = openParentWindow();
        ASSERT_NE(parent_, nullptr);
        parentRecord_ = std::make_unique<ScopedWindow>(parent_);
        gPaints = 0;
        gSleeps.clear();
        setEquationServerSleep(recordSleep);
    }

    void TearDown() override {
        setEquationServerSleep(nullptr);
        parentRecord_.reset();
        if (ownsClassKey_) {
            RegDeleteTreeW(HKEY_LOCAL_MACHINE, kClassKey);
            // A stand-in left by a failed check must not outlive the test's folder.
            if (HWND control = FindWindowW(standin::kControlClass, nullptr))
                PostMessageW(control, standin::kFinishMessage, 0, 0);
            waitUntilNoStandIn();
        }
        SetEnvironmentVariableW(standin::kLogVariable, nullptr);
    }

    static HWND openParentWindow() {
        WNDCLASSW windowClass = {};
        windowClass.lpfnWndProc = parentProc;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = kParentClass;
        RegisterClassW(&windowClass); // fails harmlessly when an earlier test registered it
        HWND window = CreateWindowExW(WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, kParentClass, L"", WS_POPUP, 0, 0, 20, 20,
                                      nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
        if (window != nullptr) {
            ShowWindow(window, SW_SHOWNOACTIVATE);
            UpdateWindow(window);
        }
        return window;
    }

    // Writes the default value of LocalServer32 (creating the key); null leaves the key without a default value.
    static void registerServer(const wchar_t* value) {
        ScopedRegKey key;
        ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, kLocalServerKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                  key.put(), nullptr),
                  ERROR_SUCCESS);
        if (value != nullptr) {
            ASSERT_TRUE(writeRegString(value, key, nullptr, KeyClosePolicy::KeepOpen));
        }
    }

    // Starts the stand-in through the plain registration and waits until its windows exist.
    void startStandIn() {
        registerServer(plainProgram_.c_str());
        startEquationServer(nullptr);
        ASSERT_TRUE(waitForLine(logPath_, "ready")) << "the stand-in did not come up";
    }

    // Ends the stand-in after everything posted to it so far is logged, and waits until it is gone.
    void finishStandIn() {
        HWND control = FindWindowW(standin::kControlClass, nullptr);
        ASSERT_NE(control, nullptr);
        ASSERT_TRUE(PostMessageW(control, standin::kFinishMessage, 0, 0));
        ASSERT_TRUE(waitForLine(logPath_, "exit finished"));
        ASSERT_TRUE(waitUntilNoStandIn());
    }

    // The classes whose windows logged WM_CLOSE, in log order.
    std::vector<std::string> closedClasses() const {
        std::vector<std::string> closed;
        for (const std::string& line : fileLines(logPath_)) {
            if (line.rfind("close ", 0) == 0)
                closed.push_back(line.substr(6));
        }
        return closed;
    }

    void expectClosedAsTabled() const {
        const std::vector<std::string> closed = closedClasses();
        size_t expected = 0;
        for (size_t row = 0; row < std::size(standin::kWindowClasses); ++row) {
            const standin::WindowClass& entry = standin::kWindowClasses[row];
            const bool wasClosed = std::count(closed.begin(), closed.end(), narrowText(entry.name)) == 1;
            EXPECT_EQ(wasClosed, entry.closedByConverter) << "row " << row << " " << narrowText(entry.name);
            expected += entry.closedByConverter ? 1 : 0;
        }
        EXPECT_EQ(closed.size(), expected) << "a window outside the table, or one closed twice";
    }

    testing_support::TempFolder folder_;
    fs::path logPath_;
    std::wstring plainProgram_;
    std::wstring spacedProgram_;
    HWND parent_ = nullptr;
    std::unique_ptr<ScopedWindow> parentRecord_; // takes parent_ down
    bool ownsClassKey_ = false;
};

TEST_F(EquationServer, StartsTheRegisteredProgramHidden) {
    const struct {
        const char* name;
        const wchar_t* value; // {plain}: the stand-in beside the test; {spaced}: its copy in a folder with blanks
        bool withWindow;
    } cases[] = {
        {"plain path", L"{plain}", true},
        {"plain path, no window to repaint", L"{plain}", false},
        {"path with blanks", L"{spaced}", true},
        {"quoted path with arguments", L"\"{spaced}\" /Automation", true},
        {"unquoted path with blanks and arguments", L"{spaced} /Automation /Embedding", true},
        {"unquoted path with arguments", L"{plain} /Automation", true},
        {"blanks around", L"  {plain}\t", true},
    };
    for (size_t row = 0; row < std::size(cases); ++row) {
        const std::string label = "row " + std::to_string(row) + " " + cases[row].name;
        std::error_code ignored;
        fs::remove(logPath_, ignored);
        registerServer(expanded(cases[row].value, plainProgram_, spacedProgram_).c_str());
        InvalidateRect(parent_, nullptr, FALSE);
        gPaints = 0;
        gSleeps.clear();

        startEquationServer(cases[row].withWindow ? parent_ : nullptr);

        // One second's wait, then the repaint of the window (when there is one).
        EXPECT_EQ(gSleeps, (std::vector<SleepCall>{{1000, 0}})) << label;
        EXPECT_EQ(gPaints, cases[row].withWindow ? 1 : 0) << label;
        ASSERT_TRUE(waitForLine(logPath_, "ready")) << label << ": the stand-in did not come up";
        const std::vector<std::string> lines = fileLines(logPath_);
        ASSERT_FALSE(lines.empty()) << label;
        EXPECT_EQ(lines[0].rfind("started show=0 command=", 0), 0u) << label << ": " << lines[0];
        EXPECT_NE(lowered(lines[0]).find("equationwindowsstandin.exe"), std::string::npos) << label << ": " << lines[0];
        EXPECT_EQ(lines[0].find('/'), std::string::npos) << label << ": arguments reached the program: " << lines[0];
        finishStandIn();
        ValidateRect(parent_, nullptr);
    }
}

TEST_F(EquationServer, StartsNothingWithoutAProgram) {
    const struct {
        const char* name;
        bool key;             // whether LocalServer32 exists
        const wchar_t* value; // its default value; null: none
    } cases[] = {
        {"no key", false, nullptr},
        {"no default value", true, nullptr},
        {"empty value", true, L""},
        {"blanks only", true, L"  \t "},
        {"empty quotes with arguments", true, L"\"\" /Automation"},
    };
    for (size_t row = 0; row < std::size(cases); ++row) {
        const std::string label = "row " + std::to_string(row) + " " + cases[row].name;
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, kClassKey);
        if (cases[row].key)
            registerServer(cases[row].value);
        InvalidateRect(parent_, nullptr, FALSE);
        gPaints = 0;
        gSleeps.clear();

        startEquationServer(parent_);

        // It returns before the wait and the repaint.
        EXPECT_TRUE(gSleeps.empty()) << label;
        EXPECT_EQ(gPaints, 0) << label;
        ValidateRect(parent_, nullptr);
    }
    // A program started by any row would have logged by now.
    std::this_thread::sleep_for(kNothingStartedWait);
    EXPECT_FALSE(fs::exists(logPath_));
    EXPECT_EQ(FindWindowW(standin::kControlClass, nullptr), nullptr);
}

TEST_F(EquationServer, CloseEquationWindowsClosesByClassName) {
    ASSERT_NO_FATAL_FAILURE(startStandIn());
    gSleeps.clear();
    closeEquationWindows();
    EXPECT_EQ(gSleeps, (std::vector<SleepCall>{{500, 0}}));
    ASSERT_NO_FATAL_FAILURE(finishStandIn());
    expectClosedAsTabled();
}

TEST_F(EquationServer, CallbackPostsCloseAndAlwaysContinues) {
    ASSERT_NO_FATAL_FAILURE(startStandIn());
    gSleeps.clear();
    for (size_t row = 0; row < std::size(standin::kWindowClasses); ++row) {
        const standin::WindowClass& entry = standin::kWindowClasses[row];
        HWND window = FindWindowW(entry.name, nullptr);
        ASSERT_NE(window, nullptr) << "row " << row << " " << narrowText(entry.name);
        EXPECT_EQ(postCloseToEquationWindow(window, LPARAM(row)), TRUE)
            << "row " << row << " " << narrowText(entry.name);
    }
    // Windows whose class cannot be read, and one of this process: the enumeration goes on all the same.
    HWND gone = nullptr;
    {
        const ScopedWindow made(CreateWindowExW(0, kParentClass, L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                                                GetModuleHandleW(nullptr), nullptr));
        gone = made.get();
    }
    ASSERT_NE(gone, nullptr);
    const HWND others[] = {nullptr, gone, parent_, GetDesktopWindow()};
    for (size_t row = 0; row < std::size(others); ++row)
        EXPECT_EQ(postCloseToEquationWindow(others[row], -1), TRUE) << "other window " << row;
    EXPECT_TRUE(gSleeps.empty()); // the callback itself never waits
    ASSERT_NO_FATAL_FAILURE(finishStandIn());
    expectClosedAsTabled();
    EXPECT_TRUE(IsWindow(parent_));
}
} // namespace
