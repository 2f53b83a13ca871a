// The converter library's module window under Wine on the session's X server, through a test host that loads the
// library by path and calls its exports as the settings program does, driven by real input posted to the window's
// message queue: both exports and their ordinals, the minimise control with and without an owner, Enter as the
// first key, a press and a release on different controls, dragging and the end of a drag without the button's
// release (a lost capture, a move without the button), the two pages, the web link's address, the busy refusals
// while a conversion runs (the system's close included), a failing and a throwing conversion, a "Select ..." whose
// task cannot start, the status line handed to the window's thread, a conversion left running by an earlier window,
// the fatal exits (missing settings, on the worker thread, an outcome of the window other than its two closes) with
// the window's artwork released, the module id and the skin fallbacks and text offsets. The library's Raw Mode task
// is replaced through its seam (the tests' build of the library, VeltrimSbkSeam.dll). VELTRIM_MODULE_HOLD_SECONDS=n
// keeps both pages and the busy message on the display for screenshots (ModuleWindowShow); otherwise that test is
// skipped.
#include "moduleWindow.h"
#include "messageBoxRecorder.h"
#include "moduleWindowTables.h"
#include "rawModeTask.h"
#include "scopedWin.h"
#include "sembrikExports.h"
#include "sembrikTestHost.h"
#include "skinTestHost.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

using namespace sembrik_test;
using namespace testing_support;

namespace {
using SetTaskBody = void (*)(RawModeTaskBody);
using SetBoxHook = void (*)(int (*)(HWND, const std::wstring&, const std::wstring&, UINT));
using SetOpener = void (*)(LinkOpener);
using ReportStatus = void (*)(const wchar_t*);
using IntOfVoid = int32_t (*)();
using IntOfInt = int32_t (*)(int32_t);
using TextOfId = void (*)(int32_t, wchar_t*, int32_t);
using StyleOf = bool (*)(int32_t, int32_t*, int32_t*, COLORREF*, HBITMAP*);
using ColourOfVoid = COLORREF (*)();
using BoolOfVoid = bool (*)();
using VoidOfInt = void (*)(int32_t);
using WindowOfVoid = HWND (*)();

HMODULE realLibrary() {
    return loadLibraryOnce(skin_test::winePath(VELTRIM_SBK_DLL));
}
HMODULE seamLibrary() {
    return loadLibraryOnce(skin_test::winePath(VELTRIM_SBK_SEAM_DLL));
}
template <typename Function> Function seam(const char* name) {
    Function function = libraryEntry<Function>(seamLibrary(), name);
    EXPECT_NE(function, nullptr) << name;
    return function;
}

// The client centre of a control, from the library's own table.
LPARAM centreOf(int32_t id) {
    for (const ModuleTableRow& row : kModuleControlRows)
        if (row.id == id)
            return MAKELPARAM(row.x + row.width / 2, row.y + row.height / 2);
    return 0;
}
POINT pointOf(int32_t id) {
    const LPARAM centre = centreOf(id);
    return POINT{LOWORD(centre), HIWORD(centre)};
}

// Message boxes the seamed library showed: its own copy of the hook reaches the recorder through the seam, and the
// window's thread records them.

// Only the product page counts: the maker's host and the page's path "/miravet/".
std::atomic<int32_t> gLinkOpens{0};
void recordLink(HWND, const wchar_t* address) {
    if (std::wstring(address) == L"https://veltrim.example/miravet/")
        ++gLinkOpens;
}

// The tasks the seam runs. A slow task waits for the test's release and then reports what it was told to.
std::atomic<int32_t> gTaskRuns{0};
std::atomic<int32_t> gSlowResult{0};
std::atomic<DWORD> gTaskThread{0};
HANDLE gReleaseTask = nullptr; // manual-reset event, made once
int32_t slowTask() {
    ++gTaskRuns;
    gTaskThread = GetCurrentThreadId();
    seam<ReportStatus>("seamReportStatus")(L"Processed: 42%");
    WaitForSingleObject(gReleaseTask, 20000);
    seam<ReportStatus>("seamReportStatus")(L"Done.");
    return gSlowResult;
}
int32_t failingTask() {
    ++gTaskRuns;
    return 9;
}
int32_t outOfMemoryTask() {
    ++gTaskRuns;
    throw std::bad_alloc();
}
int32_t systemErrorTask() {
    ++gTaskRuns;
    throw std::runtime_error("the system failed");
}
int32_t fatalTask() {
    seam<VoidOfInt>("seamFatalExit")(12);
    return 0;
}

// Waits until `done` holds, looking on the window's thread; false after five seconds.
bool waitOnWindow(ModuleSession& session, const std::function<bool()>& done) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        if (session.call<bool>(done))
            return true;
        Sleep(50);
    }
    return false;
}

// Whether the window becomes minimised within two seconds (Wine minimises through the X server).
bool becomesIconic(HWND window) {
    for (int attempt = 0; attempt < 40; ++attempt, Sleep(50))
        if (IsIconic(window))
            return true;
    return false;
}

// The page the window shows, as its tables say: true for "Raw Mode". Also checks that exactly one tab is checked and
// that labels and buttons agree with it.
struct PageState {
    bool wordAddInChecked;
    bool rawModeChecked;
    bool wordAddInLabels;
    bool rawModeLabels;
    bool selectVisible;
};
PageState pageState() {
    auto controlFlags = seam<IntOfInt>("seamControlFlags");
    auto labelFlags = seam<IntOfInt>("seamLabelFlags");
    const auto visible = [&](int32_t id) { return (labelFlags(id) & ControlFlags::Visible) != 0; };
    PageState state{};
    state.wordAddInChecked = (controlFlags(kModuleWordAddInTab) & ControlFlags::Checked) != 0;
    state.rawModeChecked = (controlFlags(kModuleRawModeTab) & ControlFlags::Checked) != 0;
    state.wordAddInLabels = visible(kModuleWordAddInHeading) && visible(kModuleWordAddInText);
    state.rawModeLabels = visible(kModuleRawModeHeading) && visible(kModuleRawModeText) && visible(kModuleStatusLabel);
    state.selectVisible = (controlFlags(kModuleSelectButton) & ControlFlags::Visible) != 0;
    return state;
}
bool onRawModePage(const PageState& s) {
    return s.rawModeChecked && !s.wordAddInChecked && s.rawModeLabels && !s.wordAddInLabels && s.selectVisible;
}
bool onWordAddInPage(const PageState& s) {
    return s.wordAddInChecked && !s.rawModeChecked && s.wordAddInLabels && !s.rawModeLabels && !s.selectVisible;
}

std::wstring labelText(int32_t id) {
    wchar_t buffer[600] = {};
    seam<TextOfId>("seamLabelText")(id, buffer, 600);
    return buffer;
}

class ModuleWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        // The X pointer rests where the tests put it, away from the window: only the tests' own mouse messages reach
        // the window.
        SetCursorPos(0, 0);
        if (gReleaseTask == nullptr)
            gReleaseTask = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        ResetEvent(gReleaseTask);
        ASSERT_NE(realLibrary(), nullptr);
        ASSERT_NE(seamLibrary(), nullptr);
        seam<SetBoxHook>("seamSetMessageBoxHook")(testing_support::recordMessageBox);
        seam<SetOpener>("seamSetLinkOpener")(recordLink);
        seam<SetTaskBody>("seamSetTaskBody")(nullptr);
        testing_support::clearShownMessageBoxes();
        gTaskRuns = 0;
        gSlowResult = 0;
        gLinkOpens = 0;
    }
    void TearDown() override { SetEvent(gReleaseTask); }

    std::unique_ptr<ModuleSession> open(HMODULE library, bool withOwner = false, bool throughShowOpt = false) {
        auto session = std::make_unique<ModuleSession>(SessionCall{library, withOwner, throughShowOpt});
        EXPECT_TRUE(session->started());
        return session;
    }
    bool click(ModuleSession& session, int32_t id) {
        const POINT p = pointOf(id);
        return session.click(p.x, p.y);
    }
    // A click on the minimise control minimises the window. On a freshly started Wine display the window manager
    // now and then undoes a minimise that comes right after the window appeared (more often on a loaded machine); a
    // second click then minimises it as the first should have.
    bool minimisesByClick(ModuleSession& session) {
        for (int attempt = 0; attempt < 3; ++attempt) {
            if (!click(session, kModuleMinimise))
                return false;
            if (becomesIconic(session.window()))
                return true;
        }
        return false;
    }
    bool clickToEnd(ModuleSession& session, int32_t id) {
        const POINT p = pointOf(id);
        return session.clickToEnd(p.x, p.y);
    }
    // The Raw Mode page with a slow conversion running.
    void startSlowConversion(ModuleSession& session) {
        seam<SetTaskBody>("seamSetTaskBody")(slowTask);
        ASSERT_TRUE(click(session, kModuleRawModeTab));
        ASSERT_TRUE(click(session, kModuleSelectButton));
        ASSERT_TRUE(session.call<bool>([] { return seam<BoolOfVoid>("seamBusy")(); }));
    }

    SembrikInstallation installation_;
};

TEST_F(ModuleWindowTest, ExportsByNameAndOrdinal) {
    for (HMODULE library : {realLibrary(), seamLibrary()}) {
        const auto byName1 = GetProcAddress(library, "showOpt");
        const auto byName2 = GetProcAddress(library, "showOptSbk");
        ASSERT_NE(byName1, nullptr);
        ASSERT_NE(byName2, nullptr);
        EXPECT_EQ(GetProcAddress(library, MAKEINTRESOURCEA(1)), byName1);
        EXPECT_EQ(GetProcAddress(library, MAKEINTRESOURCEA(2)), byName2);
    }
}

TEST_F(ModuleWindowTest, WithoutOwnerTheMinimiseControlMinimises) {
    auto session = open(realLibrary());
    ASSERT_TRUE(session->started());
    EXPECT_TRUE(minimisesByClick(*session));
    ASSERT_TRUE(session->run([&] { ShowWindow(session->window(), SW_RESTORE); }));
    ASSERT_TRUE(clickToEnd(*session, kModuleCloseControl));
    EXPECT_EQ(session->waitForEnd(), 1); // the close control is a close request
}

TEST_F(ModuleWindowTest, WithAnOwnerTheMinimiseControlIsHidden) {
    auto session = open(realLibrary(), true);
    ASSERT_TRUE(session->started());
    EXPECT_EQ(GetWindow(session->window(), GW_OWNER), session->owner());
    ASSERT_TRUE(click(*session, kModuleMinimise)); // nothing there: a press and release on no control
    EXPECT_FALSE(IsIconic(session->window()));
    ASSERT_TRUE(clickToEnd(*session, kModuleCloseControl));
    EXPECT_EQ(session->waitForEnd(), 1);
}

TEST_F(ModuleWindowTest, EnterAsTheFirstKeyEndsWithZeroAndFillsTheModuleId) {
    auto session = open(realLibrary(), false, true);
    ASSERT_TRUE(session->started());
    ASSERT_TRUE(session->postOnly(WM_KEYDOWN, VK_RETURN, 1));
    EXPECT_EQ(session->waitForEnd(), 0);
    EXPECT_EQ(session->status(), 0);
    const std::wstring id = session->moduleIdBuffer();
    EXPECT_EQ(id.substr(0, 10), L"SBK15x2026");
    EXPECT_EQ(id[10], L'\0');
    EXPECT_EQ(id[11], L'x'); // nothing written past the zero
}

TEST_F(ModuleWindowTest, ASecondOpeningWorksLikeTheFirst) {
    for (int opening = 0; opening < 3; ++opening) {
        auto session = open(realLibrary(), opening == 1, opening == 2);
        ASSERT_TRUE(session->started()) << "opening " << opening;
        // With an owner the minimise control was hidden; the next opening without one has it again.
        if (opening != 1) {
            EXPECT_TRUE(minimisesByClick(*session)) << "opening " << opening;
        } else {
            ASSERT_TRUE(click(*session, kModuleMinimise));
            EXPECT_FALSE(IsIconic(session->window())) << "opening " << opening;
        }
        ASSERT_TRUE(session->run([&] { ShowWindow(session->window(), SW_RESTORE); }));
        ASSERT_TRUE(session->postOnly(WM_SYSCOMMAND, SC_CLOSE, 0)) << "opening " << opening;
        EXPECT_EQ(session->waitForEnd(), 1) << "opening " << opening;
    }
}

TEST_F(ModuleWindowTest, DraggingMovesTheWindow) {
    auto session = open(realLibrary());
    ASSERT_TRUE(session->started());
    RECT before{};
    GetWindowRect(session->window(), &before);
    ASSERT_TRUE(session->post(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(300, 380))); // on no control
    ASSERT_TRUE(session->post(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(340, 410)));
    ASSERT_TRUE(session->post(WM_LBUTTONUP, 0, MAKELPARAM(340, 410)));
    RECT after{};
    GetWindowRect(session->window(), &after);
    EXPECT_EQ(after.left - before.left, 40);
    EXPECT_EQ(after.top - before.top, 30);
    EXPECT_EQ(after.right - after.left, kModuleWindowWidth);
    EXPECT_EQ(after.bottom - after.top, kModuleWindowHeight);
    // After the release the mouse only hovers.
    ASSERT_TRUE(session->post(WM_MOUSEMOVE, 0, MAKELPARAM(300, 380)));
    RECT still{};
    GetWindowRect(session->window(), &still);
    EXPECT_EQ(still.left, after.left);
}

// A drag ends without the button's release reaching the window: when the capture goes to someone else (the button may
// still be down when the pointer comes back), and at a move that comes without the button. The window stays put.
TEST_F(ModuleWindowTest, ADragEndsWhenTheCaptureIsLostOrTheButtonIsUp) {
    const struct {
        const char* name;
        bool captureLost; // the window's thread gives up the capture after the press
        WPARAM moveKeys;  // the keys of the moves that follow
    } cases[] = {
        {"capture lost, button still down", true, MK_LBUTTON},
        {"capture lost, button up", true, 0},
        {"a move without the button", false, 0},
    };
    for (const auto& row : cases) {
        auto session = open(realLibrary());
        ASSERT_TRUE(session->started()) << row.name;
        RECT before{};
        GetWindowRect(session->window(), &before);
        ASSERT_TRUE(session->post(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(300, 380))) << row.name; // on no control
        if (row.captureLost) {
            ASSERT_TRUE(session->run([&] { EXPECT_EQ(GetCapture(), session->window()) << row.name; }));
            ASSERT_TRUE(session->run([] { ReleaseCapture(); })) << row.name;
        }
        ASSERT_TRUE(session->post(WM_MOUSEMOVE, row.moveKeys, MAKELPARAM(340, 410))) << row.name;
        ASSERT_TRUE(session->post(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(360, 420))) << row.name;
        RECT after{};
        GetWindowRect(session->window(), &after);
        EXPECT_EQ(after.left, before.left) << row.name;
        EXPECT_EQ(after.top, before.top) << row.name;
        ASSERT_TRUE(clickToEnd(*session, kModuleCloseButton)) << row.name;
        EXPECT_EQ(session->waitForEnd(), 0) << row.name;
    }
}

TEST_F(ModuleWindowTest, TabsSwitchPagesWithExactlyOneChecked) {
    auto session = open(seamLibrary());
    ASSERT_TRUE(session->started());
    EXPECT_TRUE(onWordAddInPage(session->call<PageState>(pageState)));
    EXPECT_EQ(session->call<std::wstring>([] { return labelText(kModuleWordAddInText); }), kWordAddInInstructions);
    const struct {
        int32_t tab;
        bool rawMode; // the page expected after the click
    } steps[] = {
        {kModuleRawModeTab, true},    {kModuleRawModeTab, true}, {kModuleWordAddInTab, false},
        {kModuleWordAddInTab, false}, {kModuleRawModeTab, true},
    };
    for (size_t row = 0; row < sizeof(steps) / sizeof(steps[0]); ++row) {
        ASSERT_TRUE(click(*session, steps[row].tab)) << "step " << row;
        const PageState state = session->call<PageState>(pageState);
        EXPECT_TRUE(steps[row].rawMode ? onRawModePage(state) : onWordAddInPage(state)) << "step " << row;
    }
    EXPECT_EQ(session->call<std::wstring>([] { return labelText(kModuleRawModeText); }), kRawModeInstructions);
    EXPECT_TRUE(shownMessageBoxes().empty());
}

TEST_F(ModuleWindowTest, APressOnOneControlAndAReleaseOnAnotherRunsNothing) {
    auto session = open(seamLibrary());
    ASSERT_TRUE(session->started());
    ASSERT_TRUE(session->post(WM_LBUTTONDOWN, MK_LBUTTON, centreOf(kModuleCloseButton)));
    ASSERT_TRUE(session->post(WM_LBUTTONUP, 0, centreOf(kModuleRawModeTab)));
    ASSERT_TRUE(session->post(WM_LBUTTONDOWN, MK_LBUTTON, centreOf(kModuleRawModeTab)));
    ASSERT_TRUE(session->post(WM_LBUTTONUP, 0, centreOf(kModuleWebLink)));
    EXPECT_EQ(session->waitForEnd(200), -2); // "Close" did not run
    EXPECT_TRUE(onWordAddInPage(session->call<PageState>(pageState)));
    EXPECT_EQ(gLinkOpens, 0);
    // The same control under both: its command runs once.
    ASSERT_TRUE(click(*session, kModuleWebLink));
    EXPECT_EQ(gLinkOpens, 1);
    ASSERT_TRUE(clickToEnd(*session, kModuleCloseButton));
    EXPECT_EQ(session->waitForEnd(), 0);
}

TEST_F(ModuleWindowTest, WhileAConversionRunsCommandsAreRefused) {
    auto session = open(seamLibrary());
    ASSERT_TRUE(session->started());
    startSlowConversion(*session);
    // The worker's status text reached the status line through the window's own thread.
    EXPECT_TRUE(waitOnWindow(*session, [] { return labelText(kModuleStatusLabel) == L"Processed: 42%"; }));
    EXPECT_NE(gTaskThread.load(), session->threadId());

    const struct {
        const char* what;
        UINT message; // 0: a click on `control`
        WPARAM wParam;
        int32_t control;
    } refused[] = {
        {"Close", 0, 0, kModuleCloseButton},           {"close control", 0, 0, kModuleCloseControl},
        {"system close", WM_SYSCOMMAND, SC_CLOSE, -1}, {"close request", WM_CLOSE, 0, -1},
        {"Word Add-in", 0, 0, kModuleWordAddInTab},    {"Select ...", 0, 0, kModuleSelectButton},
    };
    size_t expectedBoxes = 0;
    for (const auto& row : refused) {
        if (row.message == 0)
            ASSERT_TRUE(click(*session, row.control)) << row.what;
        else
            ASSERT_TRUE(session->post(row.message, row.wParam, 0)) << row.what;
        const std::vector<ShownMessageBox> shown = shownMessageBoxes();
        ASSERT_EQ(shown.size(), ++expectedBoxes) << row.what;
        EXPECT_EQ(shown.back().text, kModuleBusyMessage) << row.what;
        EXPECT_EQ(shown.back().caption, kModuleTitle) << row.what;
        EXPECT_EQ(shown.back().owner, session->window()) << row.what;
        EXPECT_EQ(shown.back().flags, UINT(MB_ICONINFORMATION)) << row.what;
        EXPECT_TRUE(onRawModePage(session->call<PageState>(pageState))) << row.what;
        EXPECT_EQ(session->waitForEnd(0), -2) << row.what;
    }
    EXPECT_EQ(gTaskRuns, 1); // "Select ..." started nothing more

    // These still act.
    ASSERT_TRUE(click(*session, kModuleRawModeTab));
    EXPECT_TRUE(onRawModePage(session->call<PageState>(pageState)));
    ASSERT_TRUE(click(*session, kModuleWebLink));
    EXPECT_EQ(gLinkOpens, 1);
    ASSERT_TRUE(click(*session, kModuleMinimise));
    EXPECT_TRUE(becomesIconic(session->window()));
    ASSERT_TRUE(session->run([&] { ShowWindow(session->window(), SW_RESTORE); }));
    EXPECT_EQ(shownMessageBoxes().size(), expectedBoxes);

    // Done: the timer collects the result (0: silent), the status line shows the job's last text, and the window
    // closes again.
    SetEvent(gReleaseTask);
    EXPECT_TRUE(waitOnWindow(*session, [] { return !seam<BoolOfVoid>("seamBusy")(); }));
    EXPECT_TRUE(waitOnWindow(*session, [] { return labelText(kModuleStatusLabel) == L"Done."; }));
    EXPECT_EQ(shownMessageBoxes().size(), expectedBoxes);
    EXPECT_EQ(seam<IntOfVoid>("seamForeignDraws")(), 0); // nothing was drawn off the window's thread
    ASSERT_TRUE(clickToEnd(*session, kModuleCloseButton));
    EXPECT_EQ(session->waitForEnd(), 0);
}

TEST_F(ModuleWindowTest, AFailedOrThrowingConversionIsReportedOnce) {
    const struct {
        RawModeTaskBody task;
        const wchar_t* message;
    } cases[] = {
        {failingTask, L"Conversion failed with error code: 9"},
        {outOfMemoryTask, L"Conversion failed with error code: 11"},
        {systemErrorTask, L"Conversion failed with error code: 12"},
    };
    auto session = open(seamLibrary());
    ASSERT_TRUE(session->started());
    ASSERT_TRUE(click(*session, kModuleRawModeTab));
    for (size_t row = 0; row < sizeof(cases) / sizeof(cases[0]); ++row) {
        testing_support::clearShownMessageBoxes();
        seam<SetTaskBody>("seamSetTaskBody")(cases[row].task);
        ASSERT_TRUE(click(*session, kModuleSelectButton)) << "row " << row;
        ASSERT_TRUE(waitOnWindow(*session, [] { return !seam<BoolOfVoid>("seamBusy")(); })) << "row " << row;
        Sleep(300); // three more timer periods: nothing is shown twice
        ASSERT_TRUE(session->run([] {}));
        const std::vector<ShownMessageBox> shown = shownMessageBoxes();
        ASSERT_EQ(shown.size(), 1u) << "row " << row;
        EXPECT_EQ(shown[0].text, cases[row].message) << "row " << row;
        EXPECT_EQ(shown[0].caption, kModuleTitle) << "row " << row;
        EXPECT_EQ(shown[0].owner, session->window()) << "row " << row;
        EXPECT_EQ(shown[0].thread, session->threadId()) << "row " << row;
        EXPECT_EQ(gTaskRuns, int32_t(row + 1)) << "row " << row; // each "Select ..." started a new one
    }
    // The window is free: its pages switch and "Close" ends it.
    ASSERT_TRUE(click(*session, kModuleWordAddInTab));
    EXPECT_TRUE(onWordAddInPage(session->call<PageState>(pageState)));
    ASSERT_TRUE(clickToEnd(*session, kModuleCloseButton));
    EXPECT_EQ(session->waitForEnd(), 0);
}

// A pixel of the back buffer inside "Select ..." (away from its caption), as the window last drew it.
COLORREF selectButtonPixel() {
    for (const ModuleTableRow& row : kModuleControlRows)
        if (row.id == kModuleSelectButton)
            return GetPixel(seam<HDC (*)()>("seamBackBuffer")(), row.x + 3, row.y + row.height / 2);
    return CLR_INVALID;
}

// "Select ..." on a system that gives no thread for the task: the window's failure message with 12, the button is
// released and drawn as after any click, the window is not busy, and the next "Select ..." starts a task.
TEST_F(ModuleWindowTest, ASelectThatCannotStartItsTaskSaysSoAndReleasesTheButton) {
    auto session = open(seamLibrary());
    ASSERT_TRUE(session->started());
    ASSERT_TRUE(click(*session, kModuleRawModeTab));
    seam<SetTaskBody>("seamSetTaskBody")(failingTask);
    const auto selectAndCollect = [&] {
        ASSERT_TRUE(click(*session, kModuleSelectButton));
        ASSERT_TRUE(waitOnWindow(*session, [] { return !seam<BoolOfVoid>("seamBusy")(); }));
        ASSERT_TRUE(session->run([] {}));
    };
    selectAndCollect(); // how the button looks after a click that started its task
    const COLORREF released = session->call<COLORREF>(selectButtonPixel);
    ASSERT_TRUE(session->post(WM_LBUTTONDOWN, MK_LBUTTON, centreOf(kModuleSelectButton)));
    ASSERT_NE(session->call<COLORREF>(selectButtonPixel), released) << "a pressed button should look different";
    testing_support::clearShownMessageBoxes();

    seam<void (*)(bool)>("seamFailTaskStarts")(true);
    ASSERT_TRUE(session->post(WM_LBUTTONUP, 0, centreOf(kModuleSelectButton)));
    seam<void (*)(bool)>("seamFailTaskStarts")(false);
    ASSERT_TRUE(session->run([] {}));
    std::vector<ShownMessageBox> shown = shownMessageBoxes();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, L"Conversion failed with error code: 12");
    EXPECT_EQ(shown[0].caption, kModuleTitle);
    EXPECT_EQ(shown[0].owner, session->window());
    EXPECT_EQ(shown[0].flags, UINT(MB_ICONINFORMATION));
    EXPECT_EQ(session->call<int32_t>([] { return seam<IntOfInt>("seamControlFlags")(kModuleSelectButton); }) &
                  ControlFlags::Pressed,
              0);
    EXPECT_EQ(session->call<COLORREF>(selectButtonPixel), released);
    EXPECT_FALSE(session->call<bool>([] { return seam<BoolOfVoid>("seamBusy")(); }));
    EXPECT_EQ(gTaskRuns, 1);

    selectAndCollect();
    shown = shownMessageBoxes();
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[1].text, L"Conversion failed with error code: 9");
    EXPECT_EQ(gTaskRuns, 2);
    ASSERT_TRUE(clickToEnd(*session, kModuleCloseButton));
    EXPECT_EQ(session->waitForEnd(), 0);
}

TEST_F(ModuleWindowTest, AConversionLeftByAnEarlierWindowIsCollectedByTheNext) {
    {
        auto first = open(seamLibrary());
        ASSERT_TRUE(first->started());
        startSlowConversion(*first);
        // Ended from outside, not by its own commands (which are refused while busy).
        ASSERT_TRUE(first->run([] { seam<VoidOfInt>("seamEndDialog")(2); }));
        EXPECT_EQ(first->waitForEnd(), 1);
    }
    gSlowResult = 9;
    auto second = open(seamLibrary());
    ASSERT_TRUE(second->started());
    // It opens on the conversion's page and its timer collects the result once the task ends.
    EXPECT_TRUE(onRawModePage(second->call<PageState>(pageState)));
    SetEvent(gReleaseTask);
    ASSERT_TRUE(waitOnWindow(*second, [] { return !seam<BoolOfVoid>("seamBusy")(); }));
    ASSERT_TRUE(second->run([] {}));
    const std::vector<ShownMessageBox> shown = shownMessageBoxes();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, L"Conversion failed with error code: 9");
    EXPECT_EQ(shown[0].owner, second->window());
    ASSERT_TRUE(clickToEnd(*second, kModuleCloseButton));
    EXPECT_EQ(second->waitForEnd(), 0);
}

TEST_F(ModuleWindowTest, TheWindowReleasesItsDrawingResourcesWhenItCloses) {
    auto session = open(seamLibrary());
    ASSERT_TRUE(session->started());
    EXPECT_NE(session->call<HDC>([] { return seam<HDC (*)()>("seamBackBuffer")(); }), nullptr);
    ASSERT_TRUE(clickToEnd(*session, kModuleCloseButton));
    EXPECT_EQ(session->waitForEnd(), 0);
    EXPECT_EQ(seam<HDC (*)()>("seamBackBuffer")(), nullptr);
    for (int32_t style : {16, 25, 31, 34, 13}) {
        int32_t x = 0, y = 0;
        COLORREF colour = 0;
        HBITMAP bitmap = nullptr;
        ASSERT_TRUE(seam<StyleOf>("seamStyle")(style, &x, &y, &colour, &bitmap)) << style;
        EXPECT_EQ(bitmap, nullptr) << style;
    }
    EXPECT_EQ(seam<WindowOfVoid>("seamModuleWindow")(), nullptr);
}

// A skin's effect on the window, read once it is open.
struct SkinLook {
    COLORREF primary = 0;
    COLORREF secondary = 0;
    int32_t offsets[4] = {}; // style 26 x, y; style 27 x, y
    COLORREF tabColour = 0;  // style 34
    COLORREF stripPixel = 0; // of style 25's bitmap
};
SkinLook readSkinLook() {
    SkinLook look;
    look.primary = seam<ColourOfVoid>("seamPrimaryColour")();
    look.secondary = seam<ColourOfVoid>("seamSecondaryColour")();
    COLORREF colour = 0;
    HBITMAP bitmap = nullptr;
    seam<StyleOf>("seamStyle")(26, &look.offsets[0], &look.offsets[1], &colour, &bitmap);
    seam<StyleOf>("seamStyle")(27, &look.offsets[2], &look.offsets[3], &colour, &bitmap);
    int32_t x = 0, y = 0;
    seam<StyleOf>("seamStyle")(34, &x, &y, &look.tabColour, &bitmap);
    seam<StyleOf>("seamStyle")(25, &x, &y, &colour, &bitmap);
    ScopedCreatedDC dc(CreateCompatibleDC(nullptr));
    ScopedSelectObject selection(dc.get(), bitmap);
    look.stripPixel = GetPixel(dc.get(), 5, 5);
    return look;
}

TEST_F(ModuleWindowTest, SkinFallbacksAndTextOffsets) {
    const COLORREF kSkinStrip = RGB(10, 200, 30);
    installation_.addSkin(L"offsets",
                          "M002:2026\r\nM010:0000FF\r\nM011:1000000\r\nM025:-3\r\nM026:B\r\n"
                          "M027:A\r\nM028:-A\r\nM040:123456\r\n",
                          kSkinStrip);
    installation_.addSkin(L"oldformat", "M002:2025\r\nM010:0000FF\r\nM025:3\r\n", kSkinStrip);
    installation_.addSkin(L"noformat", "M010:0000FF\r\nM025:3\r\n", kSkinStrip);
    // The default strip's pixel in the push button's cell, as the library cuts it.
    COLORREF defaultPixel = 0;
    {
        auto session = open(seamLibrary());
        ASSERT_TRUE(session->started());
        defaultPixel = session->call<SkinLook>(readSkinLook).stripPixel; // skin "colorful" is not installed
        ASSERT_TRUE(clickToEnd(*session, kModuleCloseButton));
        ASSERT_EQ(session->waitForEnd(), 0);
    }
    ASSERT_NE(defaultPixel, kSkinStrip);
    const struct {
        const wchar_t* skin;
        SkinLook expected;
    } cases[] = {
        // empty skin name, another format version, no format entry: the default strip and colours
        {L"", {0x444444, 0x444444, {0, 0, 0, 0}, 0x444444, defaultPixel}},
        {L"oldformat", {0x444444, 0x444444, {0, 0, 0, 0}, 0x444444, defaultPixel}},
        {L"noformat", {0x444444, 0x444444, {0, 0, 0, 0}, 0x444444, defaultPixel}},
        // -3 and 10 are kept; B (11) and -A... -10 is inside the range; 11 is outside and gives 0
        {L"offsets", {0x0000FF, 0x444444, {-3, 0, 10, -10}, 0x123456, kSkinStrip}},
    };
    for (size_t row = 0; row < sizeof(cases) / sizeof(cases[0]); ++row) {
        installation_.registry().setString(SuiteKey::UserMain, L"pathSkin", cases[row].skin);
        auto session = open(seamLibrary());
        ASSERT_TRUE(session->started()) << "row " << row;
        const SkinLook look = session->call<SkinLook>(readSkinLook);
        const SkinLook& want = cases[row].expected;
        EXPECT_EQ(look.primary, want.primary) << "row " << row;
        EXPECT_EQ(look.secondary, want.secondary) << "row " << row;
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(look.offsets[i], want.offsets[i]) << "row " << row << " offset " << i;
        EXPECT_EQ(look.tabColour, want.tabColour) << "row " << row;
        EXPECT_EQ(look.stripPixel, want.stripPixel) << "row " << row;
        ASSERT_TRUE(clickToEnd(*session, kModuleCloseButton));
        EXPECT_EQ(session->waitForEnd(), 0) << "row " << row;
    }
}

// Ends the process the way the library does when it finds itself not installed, before the window opens or from
// the conversion's thread (handed to the window's thread); the code comes back as the exit status and nothing waits
// for ever, not even on the running conversion's future.
void openWindowAndWait() {
    seam<SetBoxHook>("seamSetMessageBoxHook")(testing_support::recordMessageBox);
    auto showOptSbk = libraryEntry<ShowOptSbkEntry>(seamLibrary(), "showOptSbk");
    showOptSbk(GetModuleHandleW(nullptr), nullptr);
}

TEST_F(ModuleWindowTest, MissingMachineSettingsEndTheProcessWithTwelve) {
    ::testing::FLAGS_gtest_death_test_style = "threadsafe";
    EXPECT_EXIT(
        {
            installation_.registry().removeKey(SuiteKey::MachineSembrik);
            openWindowAndWait();
        },
        ::testing::ExitedWithCode(12), "");
}

// The fatal exit's box, in the dying process: whether the window's drawing resources were all released by then.
int reportArtworkAtFatalExit(HWND, const std::wstring&, const std::wstring&, UINT) {
    bool released = seam<HDC (*)()>("seamBackBuffer")() == nullptr && !seam<BoolOfVoid>("seamBackgroundLoaded")();
    for (int32_t style : {13, 16, 25, 31, 34}) {
        int32_t x = 0, y = 0;
        COLORREF colour = 0;
        HBITMAP bitmap = nullptr;
        released = released && seam<StyleOf>("seamStyle")(style, &x, &y, &colour, &bitmap) && bitmap == nullptr;
    }
    std::fprintf(stderr, released ? "artwork released at the fatal exit\n" : "artwork still held at the fatal exit\n");
    std::fflush(stderr);
    return IDOK;
}

// An outcome of the window that is neither "Close" nor a close request ends the host process with 11 (it never
// returns as a close request), and the window's drawing resources are released before that: an exception while the
// window is set up (an allocation that fails once the background is loaded) and a dialog that ends with another
// result.
TEST_F(ModuleWindowTest, AnOutcomeOtherThanCloseEndsTheProcessWithItsArtworkReleased) {
    ::testing::FLAGS_gtest_death_test_style = "threadsafe";
    EXPECT_EXIT(
        {
            seam<SetBoxHook>("seamSetMessageBoxHook")(reportArtworkAtFatalExit);
            seam<void (*)()>("seamFailAllocationOnceArtworkLoaded")();
            const int32_t result =
                libraryEntry<ShowOptSbkEntry>(seamLibrary(), "showOptSbk")(GetModuleHandleW(nullptr), nullptr);
            std::fprintf(stderr, "showOptSbk returned %d\n", int(result));
            std::exit(0);
        },
        ::testing::ExitedWithCode(11), "artwork released at the fatal exit");
    EXPECT_EXIT(
        {
            seam<SetBoxHook>("seamSetMessageBoxHook")(reportArtworkAtFatalExit);
            auto session = std::make_unique<ModuleSession>(SessionCall{seamLibrary(), false, false});
            session->run([] { seam<VoidOfInt>("seamEndDialog")(5); });
            Sleep(20000); // the window's thread ends this process long before
        },
        ::testing::ExitedWithCode(11), "artwork released at the fatal exit");
}

TEST_F(ModuleWindowTest, AFatalExitOnTheWorkerThreadEndsTheProcess) {
    ::testing::FLAGS_gtest_death_test_style = "threadsafe";
    EXPECT_EXIT(
        {
            seam<SetTaskBody>("seamSetTaskBody")(fatalTask);
            auto session = std::make_unique<ModuleSession>(SessionCall{seamLibrary(), false, false});
            click(*session, kModuleRawModeTab);
            click(*session, kModuleSelectButton);
            Sleep(20000); // the worker's exit ends this process long before
        },
        ::testing::ExitedWithCode(12), "");
}

// Both pages and the busy message on the test display for screenshots (import -window root).
TEST_F(ModuleWindowTest, ModuleWindowShow) {
    const char* hold = std::getenv("VELTRIM_MODULE_HOLD_SECONDS");
    if (hold == nullptr)
        GTEST_SKIP() << "set VELTRIM_MODULE_HOLD_SECONDS to look at the window";
    const DWORD holdMs = DWORD(std::atoi(hold)) * 1000;
    auto session = open(seamLibrary());
    ASSERT_TRUE(session->started());
    std::fprintf(stderr, "showing: Word Add-in page\n");
    Sleep(holdMs);
    startSlowConversion(*session);
    std::fprintf(stderr, "showing: Raw Mode page during a conversion\n");
    Sleep(holdMs);
    seam<SetBoxHook>("seamSetMessageBoxHook")(nullptr); // a real box
    const POINT close = pointOf(kModuleCloseButton);
    ASSERT_TRUE(session->post(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(close.x, close.y)));
    ASSERT_TRUE(session->postOnly(WM_LBUTTONUP, 0, MAKELPARAM(close.x, close.y)));
    std::fprintf(stderr, "showing: the busy message\n");
    Sleep(holdMs);
    HWND box = nullptr;
    for (int attempt = 0; attempt < 100 && box == nullptr; ++attempt, Sleep(50)) {
        HWND candidate = GetWindow(session->window(), GW_HWNDFIRST);
        for (; candidate != nullptr; candidate = GetWindow(candidate, GW_HWNDNEXT))
            if (candidate != session->window() && GetWindow(candidate, GW_OWNER) == session->window())
                box = candidate;
    }
    ASSERT_NE(box, nullptr);
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    seam<SetBoxHook>("seamSetMessageBoxHook")(testing_support::recordMessageBox);
    SetEvent(gReleaseTask);
    EXPECT_TRUE(waitOnWindow(*session, [] { return !seam<BoolOfVoid>("seamBusy")(); }));
    ASSERT_TRUE(clickToEnd(*session, kModuleCloseButton));
    EXPECT_EQ(session->waitForEnd(), 0);
}
} // namespace
