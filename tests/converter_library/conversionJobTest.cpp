// The per-file conversion job under Wine with registry fixtures: settings missing, an output that cannot be created,
// full runs in both formats with their statistics texts, the AutoConvertTo warning answered OK and Cancel, the
// progress window around the pass, an exception from inside the pass, and one real message box answered from another
// thread.
#include "conversionJob.h"
#include "conversionSettings.h"
#include "equationServer.h"
#include "messageBox.h"
#include "messageBoxRecorder.h"
#include "moduleHandles.h"
#include "progressWindow.h"
#include "rtf/rtfOutput.h"
#include "rtf/statusLine.h"
#include "suiteRegistry.h"
#include "testFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <stdexcept>
#include <thread>
#include <vector>

namespace {
using namespace testing_support;
namespace fs = std::filesystem;

std::vector<std::wstring> gStatus; // status texts of the job
bool gProgressWindowSeen = false;  // a progress window existed while the pass reported progress
std::vector<uint32_t> gWaits;      // the Equation Editor 3.x waits the job asked for, in milliseconds

void recordStatus(const wchar_t* text) {
    gStatus.emplace_back(text);
    // Only this process's window counts: other test programs may show theirs on the same display.
    for (HWND window = FindWindowExW(nullptr, nullptr, L"VLTPROGRESSWIN", nullptr); window != nullptr;
         window = FindWindowExW(nullptr, window, L"VLTPROGRESSWIN", nullptr)) {
        DWORD process = 0;
        GetWindowThreadProcessId(window, &process);
        if (process == GetCurrentProcessId())
            gProgressWindowSeen = true;
    }
}

// Throws at the first progress report of the pass, as a failing hook (or memory) would from deep inside the engine.
void throwAtFirstProgress(const wchar_t* text) {
    recordStatus(text);
    if (std::wstring(text).rfind(L"Processed: ", 0) == 0)
        throw std::runtime_error("the status line failed");
}

std::string sampleDocument() {
#ifdef _WIN32
    return readFileBytes(fs::path("Z:" VELTRIM_SAMPLE_RTF));
#else
    return readFileBytes(fs::path(VELTRIM_SAMPLE_RTF));
#endif
}

class ConversionJob : public ::testing::Test {
protected:
    void SetUp() override {
        gStatus.clear();
        gProgressWindowSeen = false;
        answerMessageBoxes(IDOK);
        setStatusLineHook(recordStatus);
        setConversionOptions(ConversionOptions{}); // each test starts from a freshly loaded library's record
        setModuleHandles(nullptr, GetModuleHandleW(nullptr));
        setEquationServerSleep([](uint32_t) {});
        writeFileBytes(input(), sampleDocument());
    }
    void TearDown() override {
        setMessageBoxHook(nullptr);
        setStatusLineHook(nullptr);
        setAutoConvertToDeleter(nullptr);
        setEquationServerSleep(nullptr);
    }

    fs::path input() const { return folder_.file("in.rtf"); }
    fs::path output() const { return folder_.file("out.rtf"); }
    JobOutcome run() { return runConversionJob(input().wstring(), output().wstring()); }

    SuiteRegistry registry_;
    TempFolder folder_;
};

TEST_F(ConversionJob, SettingsMissing) {
    const JobOutcome outcome = run();
    ASSERT_TRUE(std::holds_alternative<int32_t>(outcome));
    EXPECT_EQ(std::get<int32_t>(outcome), kJobRefused);
    ASSERT_EQ(shownMessageBoxes().size(), 1u);
    EXPECT_EQ(shownMessageBoxes()[0].text, L"Veltrim Sembrik is not properly installed.");
    EXPECT_EQ(shownMessageBoxes()[0].caption, L"Veltrim Sorvanta");
    EXPECT_EQ(shownMessageBoxes()[0].flags, UINT(MB_ICONERROR));
    EXPECT_TRUE(fs::exists(input()));
    EXPECT_FALSE(fs::exists(output()));
}

TEST_F(ConversionJob, OutputNotCreatable) {
    registry_.install(L"C:\\suite");
    const JobOutcome outcome = runConversionJob(input().wstring(), (folder_.path() / "none" / "out.rtf").wstring());
    ASSERT_TRUE(std::holds_alternative<int32_t>(outcome));
    EXPECT_EQ(std::get<int32_t>(outcome), kJobOutputFailed);
    EXPECT_TRUE(shownMessageBoxes().empty());
    EXPECT_TRUE(fs::exists(input()));
}

TEST_F(ConversionJob, FullRunsInBothFormats) {
    const std::string document = sampleDocument();
    const auto direct = testing_support::runEngineJob(document);
    ASSERT_GT(direct.converted, 0);
    setStatusLineHook(recordStatus); // the direct run had its own
    const struct {
        DWORD eqVersion;
        std::wstring statistics;
    } cases[] = {
        {1, L"Equation format: Microsoft Equation [" + std::to_wstring(direct.converted) +
                L"];\r\n(+) Force Unicode;\r\n(-) Restore broken equations;\r\n(-) Allow MathType fonts.\r\n\r\n"},
        // No Equation Editor 3.x server in this prefix: every object stays as it was.
        {0, L"Equation format: Equation Editor 3.x [0];\r\n(-) Force Unicode;\r\n(+) Restore broken equations;\r\n"
            L"(+) Allow MathType fonts.\r\n\r\n"},
    };
    registry_.install(L"C:\\suite");
    registry_.setDword(SuiteKey::UserSembrik, L"isProgressWin", 0);
    for (size_t row = 0; row < std::size(cases); ++row) {
        writeFileBytes(input(), document);
        gStatus.clear();
        registry_.setDword(SuiteKey::UserSembrik, L"eqVersion", cases[row].eqVersion);
        registry_.setDword(SuiteKey::UserSembrik, L"isUniPrime", cases[row].eqVersion);
        registry_.setDword(SuiteKey::UserSembrik, L"isOleRestore", 1 - cases[row].eqVersion);
        registry_.setDword(SuiteKey::UserSembrik, L"isEuclid", 1 - cases[row].eqVersion);
        const JobOutcome outcome = run();
        ASSERT_TRUE(std::holds_alternative<std::wstring>(outcome)) << "row " << row;
        EXPECT_EQ(std::get<std::wstring>(outcome), cases[row].statistics) << "row " << row;
        EXPECT_FALSE(fs::exists(input())) << "row " << row; // the engine consumed it
        ASSERT_FALSE(gStatus.empty());
        EXPECT_EQ(gStatus.back(), L"Done.") << "row " << row;
        EXPECT_EQ(gStatus[gStatus.size() - 2].rfind(L"Processed: ", 0), 0u) << "row " << row;
        EXPECT_TRUE(shownMessageBoxes().empty()) << "row " << row;
        if (cases[row].eqVersion == 1) {
            EXPECT_EQ(readFileBytes(output()), direct.output); // exactly what the engine writes
        }
    }
}

// The example of the job's statistics: defaults, no language file, and the count of converted objects.
TEST_F(ConversionJob, StatisticsOfTheDefaults) {
    registry_.install(L"C:\\suite");
    registry_.setDword(SuiteKey::UserSembrik, L"isProgressWin", 0);
    const JobOutcome outcome = run();
    ASSERT_TRUE(std::holds_alternative<std::wstring>(outcome));
    const std::wstring text = std::get<std::wstring>(outcome);
    EXPECT_EQ(text.rfind(L"Equation format: Microsoft Equation [", 0), 0u);
    EXPECT_EQ(text.substr(text.find(L"]")),
              L"];\r\n(+) Force Unicode;\r\n(-) Restore broken equations;\r\n(-) Allow MathType fonts.\r\n\r\n");
}

TEST_F(ConversionJob, AutoConvertToWarning) {
    registry_.install(L"C:\\suite");
    registry_.setDword(SuiteKey::UserSembrik, L"eqVersion", 0);
    registry_.setDword(SuiteKey::UserSembrik, L"isProgressWin", 0);
    const std::wstring target = L"{00000000-0000-0000-0000-000000000001}";
    setAutoConvertToDeleter([](HKEY, const wchar_t*) -> LSTATUS { return ERROR_ACCESS_DENIED; });

    registry_.setAutoConvertTo(KEY_WOW64_32KEY, target);
    registry_.setAutoConvertTo(KEY_WOW64_64KEY, target);
    setMessageBoxAnswer(IDCANCEL);
    JobOutcome outcome = run();
    ASSERT_TRUE(std::holds_alternative<int32_t>(outcome));
    EXPECT_EQ(std::get<int32_t>(outcome), kJobRefused);
    ASSERT_EQ(shownMessageBoxes().size(), 1u);
    EXPECT_EQ(shownMessageBoxes()[0].flags, UINT(MB_OKCANCEL | MB_ICONWARNING | MB_DEFBUTTON2));
    EXPECT_EQ(shownMessageBoxes()[0].caption, L"Veltrim Sorvanta");
    EXPECT_EQ(shownMessageBoxes()[0].text.rfind(L"Cannot use Equation Editor 3.x format", 0), 0u);
    EXPECT_TRUE(fs::exists(input()));
    EXPECT_EQ(readFileBytes(output()), ""); // created, and left empty

    setMessageBoxAnswer(IDOK);
    clearShownMessageBoxes();
    outcome = run();
    EXPECT_TRUE(std::holds_alternative<std::wstring>(outcome));
    EXPECT_EQ(shownMessageBoxes().size(), 1u);

    // Only the 32-bit view's value stayed: no warning.
    static int calls = 0;
    calls = 0;
    setAutoConvertToDeleter([](HKEY key, const wchar_t* name) -> LSTATUS {
        return ++calls == 1 ? ERROR_ACCESS_DENIED : RegDeleteValueW(key, name);
    });
    registry_.setAutoConvertTo(KEY_WOW64_32KEY, target);
    registry_.setAutoConvertTo(KEY_WOW64_64KEY, target);
    writeFileBytes(input(), sampleDocument());
    clearShownMessageBoxes();
    outcome = run();
    EXPECT_TRUE(std::holds_alternative<std::wstring>(outcome));
    EXPECT_TRUE(shownMessageBoxes().empty());
    EXPECT_EQ(calls, 2);
}

TEST_F(ConversionJob, ProgressWindowAroundThePass) {
    registry_.install(L"C:\\suite");
    const struct {
        DWORD serverMode;
        DWORD isProgressWin;
        bool shown;
    } cases[] = {{0, 1, true}, {0, 0, false}, {1, 1, false}};
    for (size_t row = 0; row < std::size(cases); ++row) {
        registry_.setDword(SuiteKey::MachineMain, L"serverMode", cases[row].serverMode);
        registry_.setDword(SuiteKey::UserSembrik, L"isProgressWin", cases[row].isProgressWin);
        writeFileBytes(input(), sampleDocument());
        gProgressWindowSeen = false;
        EXPECT_TRUE(std::holds_alternative<std::wstring>(run())) << "row " << row;
        EXPECT_EQ(gProgressWindowSeen, cases[row].shown) << "row " << row;
        EXPECT_EQ(progressWindow().window, nullptr) << "row " << row;
    }
}

// An exception from inside the pass leaves the job with everything it took released: the output file closed (so that
// it can be removed), the progress window gone and, when the target is Equation Editor 3.x, the server's windows
// asked to close (the half-second wait after that request shows it was made).
TEST_F(ConversionJob, AnExceptionInsideThePassReleasesWhatTheJobTook) {
    registry_.install(L"C:\\suite");
    setEquationServerSleep([](uint32_t milliseconds) { gWaits.push_back(milliseconds); });
    const struct {
        DWORD eqVersion;
        DWORD isProgressWin;
    } cases[] = {{1, 1}, {0, 0}, {0, 1}};
    for (size_t row = 0; row < std::size(cases); ++row) {
        registry_.setDword(SuiteKey::UserSembrik, L"eqVersion", cases[row].eqVersion);
        registry_.setDword(SuiteKey::UserSembrik, L"isProgressWin", cases[row].isProgressWin);
        writeFileBytes(input(), sampleDocument());
        gWaits.clear();
        gProgressWindowSeen = false;
        setStatusLineHook(throwAtFirstProgress);
        EXPECT_THROW(run(), std::runtime_error) << "row " << row;
        setStatusLineHook(recordStatus);
        EXPECT_FALSE(isOutputRtfFileOpen()) << "row " << row;
        std::error_code error;
        EXPECT_TRUE(fs::remove(output(), error)) << "row " << row << ": " << error.message();
        EXPECT_EQ(gProgressWindowSeen, cases[row].isProgressWin != 0) << "row " << row;
        EXPECT_EQ(progressWindow().window, nullptr) << "row " << row;
        const bool closeRequested = std::find(gWaits.begin(), gWaits.end(), 500u) != gWaits.end();
        EXPECT_EQ(closeRequested, cases[row].eqVersion == 0) << "row " << row;
    }
    // The next job runs as any other.
    writeFileBytes(input(), sampleDocument());
    EXPECT_TRUE(std::holds_alternative<std::wstring>(run()));
}

// One real message box: the job's error box is found and answered from another thread.
TEST_F(ConversionJob, RealMessageBoxAnswered) {
    setMessageBoxHook(nullptr);
    std::atomic<bool> answered{false};
    std::thread answerer([&answered] {
        for (int attempt = 0; attempt < 200 && !answered; ++attempt) {
            if (HWND box = FindWindowW(L"#32770", L"Veltrim Sorvanta")) {
                PostMessageW(box, WM_COMMAND, IDOK, 0);
                answered = true;
            }
            Sleep(50);
        }
    });
    const JobOutcome outcome = run();
    answerer.join();
    EXPECT_TRUE(answered);
    ASSERT_TRUE(std::holds_alternative<int32_t>(outcome));
    EXPECT_EQ(std::get<int32_t>(outcome), kJobRefused);
}

} // namespace
