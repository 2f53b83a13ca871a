// Start-up of the settings program. In this process: the module-only modes (the "not found" note, no main window,
// nothing saved; an installed module's entry called without an owner), the main window's results, its owner (none, a
// window, a number that names no window) and the file processing flag. Real runs of VeltrimOptions.exe, their windows
// answered from here as a user would: without the machine-wide key the program says it is not properly installed and
// ends with exit code 12; a module-only run ends with 0 after its note; the main window takes its owner from "-wnd:".
#include "startup.h"

#include "mainWindow.h"
#include "moduleLaunchers.h"
#include "optionsInstallation.h"
#include "programSettings.h"
#include "suiteRegistry.h"

#include "messageBox.h"
#include "messageBoxRecorder.h"
#include "scopedWin.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

namespace {
using namespace testing_support;

constexpr wchar_t kTitle[] = L"Veltrim Sorvanta";
constexpr auto kWindowLimit = std::chrono::seconds(60);

// What a user saw of one dialog window: its owner, the texts of its child windows, whether it had buttons (a
// message box) and its client size.
struct SeenWindow {
    bool found = false;
    HWND owner = nullptr;
    std::vector<std::wstring> texts;
    bool buttons = false;
    RECT client{};
    // The skinned main window: drawn, so without buttons of its own, and 512 x 489.
    bool isMainWindow() const { return found && !buttons && client.right == 512 && client.bottom == 489; }
    bool shows(const std::wstring& text) const {
        for (const std::wstring& t : texts) {
            if (t == text)
                return true;
        }
        return false;
    }
};

BOOL CALLBACK collectText(HWND child, LPARAM seen) {
    wchar_t text[1024] = {};
    InternalGetWindowText(child, text, int(std::size(text)));
    reinterpret_cast<SeenWindow*>(seen)->texts.push_back(text);
    wchar_t className[32] = {};
    GetClassNameW(child, className, int(std::size(className)));
    if (lstrcmpiW(className, L"Button") == 0)
        reinterpret_cast<SeenWindow*>(seen)->buttons = true;
    return TRUE;
}

struct DialogSearch {
    DWORD processId;
    HWND found;
};

BOOL CALLBACK findDialog(HWND window, LPARAM search) {
    auto& s = *reinterpret_cast<DialogSearch*>(search);
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    wchar_t className[32] = {};
    wchar_t title[64] = {};
    GetClassNameW(window, className, int(std::size(className)));
    // Read without a message: the thread of a window of this process may be waiting for the searching one.
    InternalGetWindowText(window, title, int(std::size(title)));
    if (processId == s.processId && IsWindowVisible(window) && lstrcmpW(className, L"#32770") == 0 &&
        lstrcmpW(title, kTitle) == 0) {
        s.found = window;
        return FALSE;
    }
    return TRUE;
}

// The visible dialog titled "Veltrim Sorvanta" of a process, or null.
HWND visibleDialogOf(DWORD processId) {
    DialogSearch search{processId, nullptr};
    EnumWindows(findDialog, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// Records the dialog and presses `answer` on it: a message box's button, or on the main window a click on its OK
// (IDOK) or Cancel button (anything else).
void answer(HWND dialog, int answerId, SeenWindow& seen) {
    seen.found = true;
    seen.owner = GetWindow(dialog, GW_OWNER);
    EnumChildWindows(dialog, collectText, reinterpret_cast<LPARAM>(&seen));
    GetClientRect(dialog, &seen.client);
    if (seen.buttons) {
        PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(answerId, BN_CLICKED), 0);
        return;
    }
    const LPARAM at = answerId == IDOK ? MAKELPARAM(76, 459) : MAKELPARAM(196, 459);
    PostMessageW(dialog, WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageW(dialog, WM_LBUTTONUP, 0, at);
}

// A user on another thread: waits for this process's dialog and answers it.
void answerOwnDialog(int answerId, SeenWindow& seen, std::atomic<bool>& stop) {
    const auto deadline = std::chrono::steady_clock::now() + kWindowLimit;
    while (!stop && std::chrono::steady_clock::now() < deadline) {
        if (HWND dialog = visibleDialogOf(GetCurrentProcessId())) {
            // Let the dialog finish its initialisation (its buttons come at WM_INITDIALOG).
            Sleep(100);
            answer(dialog, answerId, seen);
            return;
        }
        Sleep(20);
    }
}

// A plain top-level window of this thread to own the main window.
ScopedWindow makeOwnerWindow() {
    return ScopedWindow(CreateWindowExW(0, L"STATIC", L"owner", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                        GetModuleHandleW(nullptr), nullptr));
}

// A number that names no window here.
HWND noWindow() {
    for (intptr_t value = 12345;; value += 2) {
        HWND candidate = reinterpret_cast<HWND>(value);
        if (!IsWindow(candidate))
            return candidate;
    }
}

void noTemplateSetup(HWND) {}

class StartupTest : public ::testing::Test {
protected:
    void SetUp() override {
        answerMessageBoxes(IDOK);
        setFirstRunTemplateSetup(noTemplateSetup);
        registry_.setString(SuiteKey::MachineMain, L"path", install_.path());
    }
    void TearDown() override {
        setMessageBoxHook(nullptr);
        setFirstRunTemplateSetup(nullptr);
    }

    // Runs start-up here while another thread answers the main window, if one comes.
    int32_t runHere(HWND owner, StartMode mode, int answerId, SeenWindow& seen) {
        std::atomic<bool> stop{false};
        std::thread user(answerOwnDialog, answerId, std::ref(seen), std::ref(stop));
        const int32_t result = startOptionsProgram(GetModuleHandleW(nullptr), owner, mode);
        stop = true;
        user.join();
        return result;
    }

    OptionsInstallation install_;
    SuiteRegistry registry_;
};

TEST_F(StartupTest, ModuleOnlyModes) {
    const ScopedWindow owner = makeOwnerWindow();
    const StartMode modes[] = {StartMode::PalvexOptionsOnly, StartMode::DornakOptionsOnly,
                               StartMode::SembrikOptionsOnly};
    for (size_t row = 0; row < std::size(modes); ++row) {
        clearShownMessageBoxes();
        liveSettings().isMTstyle = 1; // an edit that must not be saved
        SeenWindow seen;
        EXPECT_EQ(runHere(owner.get(), modes[row], IDCANCEL, seen), kModuleWindowOnly) << "row " << row;
        EXPECT_FALSE(seen.found) << "row " << row; // no main window
        ASSERT_EQ(shownMessageBoxes().size(), 1u) << "row " << row;
        EXPECT_EQ(shownMessageBoxes()[0].text, L"The module is not found.") << "row " << row;
        EXPECT_EQ(shownMessageBoxes()[0].caption, kTitle) << "row " << row;
        EXPECT_EQ(shownMessageBoxes()[0].flags, UINT(MB_ICONINFORMATION)) << "row " << row;
        EXPECT_EQ(shownMessageBoxes()[0].owner, nullptr) << "row " << row; // the "-wnd:" owner is not used
        HKEY user = nullptr;
        EXPECT_NE(RegOpenKeyExW(HKEY_CURRENT_USER, L"SOFTWARE\\Veltrim\\main", 0, KEY_READ | KEY_WOW64_32KEY, &user),
                  ERROR_SUCCESS)
            << "row " << row; // nothing saved
        ScopedRegKey closer(user);
    }
}

// An installed module's options library, stood in for: its entry point records how it was called.
struct EntryCall {
    HINSTANCE instance;
    HWND owner;
    bool mainWindowShown; // a window titled "Veltrim Sorvanta" of this process was there meanwhile
};
std::vector<EntryCall> gEntryCalls; // main thread only

int32_t recordEntry(HINSTANCE instance, HWND owner) {
    gEntryCalls.push_back({instance, owner, FindWindowW(nullptr, kTitle) != nullptr});
    return 1; // the module window's close control
}
HMODULE loadStandIn(const wchar_t*) {
    return GetModuleHandleW(nullptr);
}
FARPROC lookUpStandIn(HMODULE, const char* name) {
    return std::string(name) == "showOptSbk" ? reinterpret_cast<FARPROC>(reinterpret_cast<void*>(recordEntry))
                                             : nullptr;
}

TEST_F(StartupTest, InstalledModuleOnlyRunsWithoutAnOwnerAndSavesNothing) {
    registry_.installModule(SuiteKey::MachineSembrik, install_.path(), 0xB00);
    ModuleLoader loader;
    loader.load = loadStandIn;
    loader.lookUp = lookUpStandIn;
    setModuleLoader(loader);
    forgetModuleLibraries();
    gEntryCalls.clear();
    const ScopedWindow owner = makeOwnerWindow();
    liveSettings().isMTstyle = 1; // an edit that must not be saved
    SeenWindow seen;
    EXPECT_EQ(runHere(owner.get(), StartMode::SembrikOptionsOnly, IDCANCEL, seen), kModuleWindowOnly);
    setModuleLoader(ModuleLoader());
    forgetModuleLibraries();
    ASSERT_EQ(gEntryCalls.size(), 1u);
    EXPECT_EQ(gEntryCalls[0].owner, nullptr) << "the \"-wnd:\" owner is not used";
    EXPECT_EQ(gEntryCalls[0].instance, GetModuleHandleW(nullptr));
    EXPECT_FALSE(gEntryCalls[0].mainWindowShown);
    EXPECT_FALSE(seen.found) << "no main window";
    EXPECT_TRUE(shownMessageBoxes().empty()) << "no note: the module was found";
    HKEY user = nullptr;
    EXPECT_NE(RegOpenKeyExW(HKEY_CURRENT_USER, L"SOFTWARE\\Veltrim\\main", 0, KEY_READ | KEY_WOW64_32KEY, &user),
              ERROR_SUCCESS)
        << "nothing saved";
    ScopedRegKey closer(user);
}

TEST_F(StartupTest, MainWindowResultsAndOwner) {
    const ScopedWindow owner = makeOwnerWindow();
    ASSERT_NE(owner.get(), nullptr);
    const HWND notAWindow = noWindow();
    enum OwnerKind { None, Window, NotAWindow };
    const struct {
        StartMode mode;
        OwnerKind owner;
        int answer;
        int32_t result;
        bool fileProcessing; // the flag afterwards (it is never cleared)
    } cases[] = {
        // mode                                    owner       answer    result            fileProcessing
        {StartMode::MainWindow, None, IDOK, kClosedThroughOk, false},
        {StartMode::MainWindow, None, IDCANCEL, kClosedOtherwise, false},
        {StartMode::MainWindow, Window, IDOK, kClosedThroughOk, false},
        // Runs without an owner. Were the number handed on, the dialog would fail and the fatal exit would end this
        // test program with code 11.
        {StartMode::MainWindow, NotAWindow, IDOK, kClosedThroughOk, false},
        {StartMode(7), None, IDCANCEL, kClosedOtherwise, false}, // an unknown mode is the main window
        {StartMode(-1), Window, IDOK, kClosedThroughOk, false},
        {StartMode::MainWindowWithFileProcessing, Window, IDCANCEL, kClosedOtherwise, true},
        {StartMode::MainWindow, None, IDOK, kClosedThroughOk, true},
    };
    for (size_t row = 0; row < std::size(cases); ++row) {
        const auto& c = cases[row];
        const HWND given = c.owner == None ? nullptr : c.owner == Window ? owner.get() : notAWindow;
        liveSettings().skinName = L"edited";
        savedSettings().textScale = 75;
        SeenWindow seen;
        EXPECT_EQ(runHere(given, c.mode, c.answer, seen), c.result) << "row " << row;
        ASSERT_TRUE(seen.found) << "row " << row;
        EXPECT_EQ(seen.owner, c.owner == Window ? owner.get() : nullptr) << "row " << row;
        EXPECT_TRUE(seen.isMainWindow()) << "row " << row;
        EXPECT_EQ(fileProcessingEnabled(), c.fileProcessing) << "row " << row;
        EXPECT_EQ(mainWindowState().window, nullptr) << "row " << row;
        // Settings loaded again, and the snapshot taken from them before the window ran.
        EXPECT_EQ(liveSettings().mainFolder, install_.mainFolder()) << "row " << row;
        EXPECT_EQ(savedSettings().mainFolder, install_.mainFolder()) << "row " << row;
        EXPECT_EQ(savedSettings().textScale, liveSettings().textScale) << "row " << row;
        EXPECT_FALSE(areSettingsModified()) << "row " << row;
        EXPECT_TRUE(shownMessageBoxes().empty()) << "row " << row;
    }
}

TEST(StartupOwner, ValueSignExtended) {
    EXPECT_EQ(ownerWindowFromValue(0), nullptr);
    EXPECT_EQ(reinterpret_cast<intptr_t>(ownerWindowFromValue(12)), 12);
    EXPECT_EQ(reinterpret_cast<intptr_t>(ownerWindowFromValue(-1)), -1);
    EXPECT_EQ(reinterpret_cast<intptr_t>(ownerWindowFromValue(INT32_MIN)), intptr_t(INT32_MIN));
}

// One real run of the program: started, its dialog answered from here, its exit code returned (-1 when it could
// not be started or had to be ended).
struct ProgramRun {
    SeenWindow seen;
    DWORD exitCode = DWORD(-1);
};

ProgramRun runProgram(const std::wstring& arguments, int answerId) {
    ProgramRun run;
    const std::wstring program = std::filesystem::path("Z:" VELTRIM_OPTIONS_EXE).make_preferred().wstring();
    std::wstring commandLine = L"\"" + program + L"\" " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &info)) {
        ADD_FAILURE() << "VeltrimOptions.exe did not start: " << GetLastError();
        return run;
    }
    const ScopedHandle process(info.hProcess);
    const ScopedHandle thread(info.hThread);
    const auto deadline = std::chrono::steady_clock::now() + kWindowLimit;
    // This thread owns the window the program may be given as owner, so it keeps pumping its messages meanwhile.
    for (;;) {
        const DWORD waited = MsgWaitForMultipleObjects(1, &info.hProcess, FALSE, 20, QS_ALLINPUT);
        if (waited == WAIT_OBJECT_0)
            break;
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        if (!run.seen.found) {
            if (HWND dialog = visibleDialogOf(info.dwProcessId)) {
                Sleep(100);
                answer(dialog, answerId, run.seen);
            }
        }
        if (std::chrono::steady_clock::now() > deadline) {
            ADD_FAILURE() << "VeltrimOptions.exe did not end";
            TerminateProcess(info.hProcess, DWORD(-1));
            WaitForSingleObject(info.hProcess, 10000);
            return run;
        }
    }
    GetExitCodeProcess(info.hProcess, &run.exitCode);
    return run;
}

TEST(StartupRealRun, WithoutInstallationEndsWithCode12) {
    SuiteRegistry registry; // no keys at all
    for (const wchar_t* arguments : {L"", L"-sbk"}) {
        const ProgramRun run = runProgram(arguments, IDOK);
        ASSERT_TRUE(run.seen.found) << "arguments: " << testing::PrintToString(std::wstring(arguments));
        EXPECT_TRUE(run.seen.shows(L"Veltrim Sorvanta are not properly installed."));
        EXPECT_EQ(run.seen.owner, nullptr);
        EXPECT_EQ(run.exitCode, 12u);
    }
    registry.setString(SuiteKey::MachineMain, L"path", L""); // an empty path is no installation either
    const ProgramRun run = runProgram(L"", IDOK);
    EXPECT_TRUE(run.seen.shows(L"Veltrim Sorvanta are not properly installed."));
    EXPECT_EQ(run.exitCode, 12u);
}

TEST(StartupRealRun, ModuleOnlyEndsWithCode0) {
    SuiteRegistry registry;
    registry.setString(SuiteKey::MachineMain, L"path", L"C:\\suite"); // no main window: no artwork needed
    const ProgramRun run = runProgram(L"-wnd:12 -dnk", IDOK);
    ASSERT_TRUE(run.seen.found);
    EXPECT_TRUE(run.seen.shows(L"The module is not found."));
    EXPECT_EQ(run.seen.owner, nullptr);
    EXPECT_EQ(run.exitCode, 0u);
}

TEST(StartupRealRun, MainWindowOwner) {
    // An installation with the default artwork and no template: the first run's silent install changes nothing.
    OptionsInstallation install;
    SuiteRegistry registry;
    registry.setString(SuiteKey::MachineMain, L"path", install.path());
    const ScopedWindow owner = makeOwnerWindow();
    ASSERT_NE(owner.get(), nullptr);
    const std::wstring ownerValue = std::to_wstring(int32_t(reinterpret_cast<intptr_t>(owner.get())));
    const std::wstring notAWindow = std::to_wstring(int32_t(reinterpret_cast<intptr_t>(noWindow())));
    const struct {
        std::wstring arguments;
        int answer;
        HWND owner;
    } cases[] = {
        {L"", IDOK, nullptr},
        {L"-wnd:" + ownerValue + L" -proc", IDCANCEL, owner.get()},
        {L"-proc -wnd:" + ownerValue, IDOK, owner.get()},
        {L"-wnd:" + notAWindow, IDOK, nullptr}, // no window: the main window runs on its own
    };
    for (size_t row = 0; row < std::size(cases); ++row) {
        const ProgramRun run = runProgram(cases[row].arguments, cases[row].answer);
        ASSERT_TRUE(run.seen.found) << "row " << row;
        EXPECT_TRUE(run.seen.isMainWindow()) << "row " << row; // not a message box
        EXPECT_EQ(run.seen.owner, cases[row].owner) << "row " << row;
        EXPECT_EQ(run.exitCode, 0u) << "row " << row;
    }
}
} // namespace
