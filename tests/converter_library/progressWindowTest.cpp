// The progress window under Wine on the session's X server: placement on owners around the centring limits, the
// early results (no font, no instance, a window or button the system refuses), the window's and the button's shape,
// the cancel question through the message box hook and through a real box answered from a second thread, the font
// handed to the button at every paint, what the lines draw, and the pump serving the thread's pending messages.
// VELTRIM_PROGRESS_HOLD_SECONDS=n makes the last test keep a window open for a screenshot; otherwise it is skipped.
#include "progressWindow.h"

#include "messageBox.h"
#include "messageBoxRecorder.h"
#include "rtf/statusLine.h"
#include "scopedWin.h"
#include "testFiles.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

namespace {
using namespace testing_support;

constexpr wchar_t kClassName[] = L"VLTPROGRESSWIN";
constexpr wchar_t kTitle[] = L"Veltrim Sorvanta";
constexpr wchar_t kQuestion[] = L"This will cancel converting. Continue?";
constexpr wchar_t kButtonCaption[] = L"Cancel";
constexpr wchar_t kOwnerClass[] = L"VeltrimProgressTestOwner";
constexpr UINT kQuestionFlags = MB_YESNOCANCEL | MB_ICONQUESTION | MB_DEFBUTTON2;

HINSTANCE testInstance() {
    return GetModuleHandleW(nullptr);
}

bool classRegistered() {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    return GetClassInfoExW(testInstance(), kClassName, &windowClass) != FALSE;
}

// Owners are bare popups, so that their window rectangle is exactly the size asked for.
ScopedWindow makeOwner(int x, int y, int width, int height, DWORD extraStyle = 0) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = DefWindowProcW;
    windowClass.hInstance = testInstance();
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOW + 1));
    windowClass.lpszClassName = kOwnerClass;
    RegisterClassExW(&windowClass); // fails harmlessly from the second owner on: the class is there
    return ScopedWindow(CreateWindowExW(0, kOwnerClass, L"owner", WS_POPUP | extraStyle, x, y, width, height, nullptr,
                                        nullptr, testInstance(), nullptr));
}

HFONT stockFont(int object) {
    return static_cast<HFONT>(GetStockObject(object));
}

HFONT buttonFont() {
    return reinterpret_cast<HFONT>(SendMessageW(progressWindow().button, WM_GETFONT, 0, 0));
}

bool paintPending(HWND window) {
    return GetUpdateRect(window, nullptr, FALSE) != FALSE;
}

// Pixels of the window's client area inside `area` that are not the button face colour: ink of the text.
int inkPixels(HWND window, const RECT& area) {
    ScopedWindowDC dc(window);
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    int ink = 0;
    for (LONG y = area.top; y < area.bottom; ++y)
        for (LONG x = area.left; x < area.right; ++x)
            ink += GetPixel(dc.get(), x, y) != face ? 1 : 0;
    return ink;
}

class ProgressWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        answerMessageBoxes(IDNO);
        savedFont_ = progressWindow().font;
    }
    void TearDown() override {
        progressWindow().destroy();
        progressWindow().font = savedFont_;
        setMessageBoxHook(nullptr);
    }

    static ProgressWindowStatus show(HWND owner, bool enableButton = true, const std::wstring& line1 = L"line one",
                                     const std::wstring& line2 = L"line two") {
        return progressWindow().create(testInstance(), owner, L"", kButtonCaption, kQuestion, line1, line2,
                                       enableButton);
    }

    HFONT savedFont_ = nullptr;
};

TEST_F(ProgressWindowTest, PlacementOnTheOwner) {
    struct Case {
        const char* name;
        RECT owner; // left, top, width, height
        POINT at;   // expected top-left corner; the size is always 500 x 150
    };
    const Case cases[] = {
        {"501 wide: not centred, left + 25", {100, 80, 501, 600}, {125, 305}},
        {"502 wide: centred, half of 2", {100, 80, 502, 600}, {101, 305}},
        {"499 wide: -1 / 2 is 0, not centred", {100, 80, 499, 600}, {125, 305}},
        {"503 wide: 3 / 2 is 1", {100, 80, 503, 600}, {101, 305}},
        {"151 high: not centred, top + 10", {100, 80, 800, 151}, {250, 90}},
        {"152 high: centred, half of 2", {100, 80, 800, 152}, {250, 81}},
        {"small both ways", {300, 200, 200, 100}, {325, 210}},
        {"large owner", {40, 30, 1200, 900}, {390, 405}},
    };
    for (size_t row = 0; row < std::size(cases); ++row) {
        const Case& c = cases[row];
        ScopedWindow owner = makeOwner(c.owner.left, c.owner.top, c.owner.right, c.owner.bottom);
        ASSERT_NE(owner.get(), nullptr) << "row " << row;
        ASSERT_EQ(show(owner.get()), ProgressWindowStatus::Ok) << "row " << row << ": " << c.name;
        RECT placed{};
        GetWindowRect(progressWindow().window, &placed);
        EXPECT_EQ(placed.left, c.at.x) << "row " << row << ": " << c.name;
        EXPECT_EQ(placed.top, c.at.y) << "row " << row << ": " << c.name;
        EXPECT_EQ(placed.right, c.at.x + 500) << "row " << row << ": " << c.name;
        EXPECT_EQ(placed.bottom, c.at.y + 150) << "row " << row << ": " << c.name;
        EXPECT_TRUE(progressWindow().destroy()) << "row " << row;
    }
}

TEST_F(ProgressWindowTest, WindowAndButtonShape) {
    ScopedWindow owner = makeOwner(0, 0, 1000, 800);
    ASSERT_EQ(show(owner.get()), ProgressWindowStatus::Ok);
    const HWND window = progressWindow().window;
    const HWND button = progressWindow().button;
    ASSERT_NE(button, nullptr);

    wchar_t text[64] = {};
    GetClassNameW(window, text, 64);
    EXPECT_STREQ(text, kClassName);
    GetWindowTextW(window, text, 64);
    EXPECT_STREQ(text, kTitle);
    EXPECT_EQ(GetWindow(window, GW_OWNER), owner.get());
    EXPECT_TRUE(IsWindowVisible(window));
    const LONG_PTR style = GetWindowLongPtrW(window, GWL_STYLE);
    EXPECT_EQ(style & WS_CAPTION, WS_CAPTION);
    EXPECT_EQ(style & WS_SYSMENU, 0) << "no system menu, so no close box";
    EXPECT_EQ(style & WS_THICKFRAME, 0);
    EXPECT_EQ(GetClassLongPtrW(window, GCL_STYLE) & CS_NOCLOSE, CS_NOCLOSE);
    EXPECT_EQ(GetClassLongPtrW(window, GCLP_HICON), 0) << "no icon path, no icon";

    GetClassNameW(button, text, 64);
    EXPECT_EQ(lstrcmpiW(text, L"Button"), 0);
    GetWindowTextW(button, text, 64);
    EXPECT_STREQ(text, kButtonCaption);
    EXPECT_EQ(GetDlgCtrlID(button), 100);
    EXPECT_EQ(GetWindowLongPtrW(button, GWL_STYLE) & (WS_CHILD | WS_VISIBLE | WS_TABSTOP),
              WS_CHILD | WS_VISIBLE | WS_TABSTOP);

    // The button sits 25 px from the client's right edge and 10 px from its bottom, 80 x 24.
    RECT client{};
    GetClientRect(window, &client);
    RECT at{};
    GetWindowRect(button, &at);
    MapWindowPoints(HWND_DESKTOP, window, reinterpret_cast<POINT*>(&at), 2);
    EXPECT_EQ(at.left, client.right - 80 - 25);
    EXPECT_EQ(at.top, client.bottom - 24 - 10);
    EXPECT_EQ(at.right - at.left, 80);
    EXPECT_EQ(at.bottom - at.top, 24);

    EXPECT_EQ(progressWindow().line1, L"line one");
    EXPECT_EQ(progressWindow().line2, L"line two");
    EXPECT_EQ(progressWindow().cancelQuestion, kQuestion);
    EXPECT_EQ(progressWindow().instance, testInstance());
    EXPECT_TRUE(classRegistered());
}

// A 32 x 32 icon file of one 32-bit image: directory, one entry, the image's header (twice the height: colour rows
// and mask rows), opaque red pixels and an empty mask.
std::string iconFileBytes() {
    std::string bytes;
    auto put = [&bytes](uint32_t value, int size) {
        for (int i = 0; i < size; ++i)
            bytes.push_back(char((value >> (8 * i)) & 0xFF));
    };
    constexpr uint32_t kPixelBytes = 32 * 32 * 4;
    constexpr uint32_t kMaskBytes = 32 * 4;
    put(0, 2), put(1, 2), put(1, 2);                                                  // directory: icons, one entry
    put(32, 1), put(32, 1), put(0, 1), put(0, 1), put(1, 2), put(32, 2);              // entry: size, planes, bits
    put(40 + kPixelBytes + kMaskBytes, 4), put(22, 4);                                // entry: length, offset
    put(40, 4), put(32, 4), put(64, 4), put(1, 2), put(32, 2), put(0, 4), put(0, 20); // image header
    for (uint32_t i = 0; i < 32 * 32; ++i)
        put(0xFFFF0000u, 4);
    bytes.append(kMaskBytes, '\0');
    return bytes;
}

TEST_F(ProgressWindowTest, ClassIconFromFile) {
    testing_support::TempFolder folder;
    testing_support::writeFileBytes(folder.file("progress.ico"), iconFileBytes());
    testing_support::writeFileBytes(folder.file("text.ico"), "not an icon");
    struct Case {
        const char* name;
        std::wstring path;
        bool icon;
    };
    const Case cases[] = {
        {"icon file", folder.file("progress.ico").wstring(), true},
        {"missing file: no icon", folder.file("missing.ico").wstring(), false},
        {"not an icon: no icon", folder.file("text.ico").wstring(), false},
        {"no path: no icon", L"", false},
    };
    for (size_t row = 0; row < std::size(cases); ++row) {
        const Case& c = cases[row];
        ASSERT_EQ(progressWindow().create(testInstance(), nullptr, c.path, kButtonCaption, kQuestion, L"a", L"b", true),
                  ProgressWindowStatus::Ok)
            << "row " << row << ": " << c.name;
        const HICON classIcon = reinterpret_cast<HICON>(GetClassLongPtrW(progressWindow().window, GCLP_HICON));
        EXPECT_EQ(classIcon != nullptr, c.icon) << "row " << row << ": " << c.name;
        EXPECT_EQ(progressWindow().classIcon.get(), classIcon)
            << "row " << row << ": the window keeps the class's icon";
        EXPECT_TRUE(progressWindow().destroy()) << "row " << row;
        EXPECT_EQ(progressWindow().classIcon.get(), nullptr) << "row " << row << ": freed with the class";
    }
}

TEST_F(ProgressWindowTest, EarlyResultsDoNothing) {
    struct Case {
        const char* name;
        bool nullFont;
        bool nullInstance;
        ProgressWindowStatus expected;
    };
    const Case cases[] = {
        {"no font", true, false, ProgressWindowStatus::NoFont},
        {"no instance", false, true, ProgressWindowStatus::NoInstance},
        {"neither: the font is checked first", true, true, ProgressWindowStatus::NoFont},
    };
    for (size_t row = 0; row < std::size(cases); ++row) {
        const Case& c = cases[row];
        ProgressWindow& progress = progressWindow();
        progress.font = c.nullFont ? nullptr : savedFont_;
        progress.cancelQuestion = L"earlier question";
        progress.cancelled = true;
        const HINSTANCE keptInstance = progress.instance;
        const ProgressWindowStatus status = progress.create(c.nullInstance ? nullptr : testInstance(), nullptr, L"",
                                                            kButtonCaption, kQuestion, L"a", L"b", true);
        EXPECT_EQ(status, c.expected) << "row " << row << ": " << c.name;
        EXPECT_EQ(progress.window, nullptr) << "row " << row;
        EXPECT_EQ(FindWindowW(kClassName, nullptr), nullptr) << "row " << row;
        EXPECT_FALSE(classRegistered()) << "row " << row;
        EXPECT_EQ(progress.instance, keptInstance) << "row " << row;
        EXPECT_EQ(progress.cancelQuestion, L"earlier question") << "row " << row;
        EXPECT_TRUE(progress.cancelled) << "row " << row << ": only a successful create clears it";
        progress.cancelled = false;
    }
}

// The system refuses one window of the given class (case-insensitive), through a CBT hook on this thread.
std::wstring gRefusedClass;
LRESULT CALLBACK refuseCreation(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_CREATEWND) {
        wchar_t name[64] = {};
        GetClassNameW(reinterpret_cast<HWND>(wParam), name, 64);
        if (lstrcmpiW(name, gRefusedClass.c_str()) == 0)
            return 1;
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

TEST_F(ProgressWindowTest, RefusedWindowOrButtonGivesThree) {
    struct Case {
        const char* name;
        const wchar_t* refusedClass;
        bool bareWindowStays;
    };
    const Case cases[] = {
        {"window refused", kClassName, false},
        {"button refused: the bare window stays until destroy", L"Button", true},
    };
    for (size_t row = 0; row < std::size(cases); ++row) {
        const Case& c = cases[row];
        gRefusedClass = c.refusedClass;
        ProgressWindowStatus status;
        {
            ScopedWindowsHook hook(SetWindowsHookExW(WH_CBT, refuseCreation, nullptr, GetCurrentThreadId()));
            ASSERT_NE(hook.get(), nullptr);
            status = show(nullptr);
        }
        EXPECT_EQ(status, ProgressWindowStatus::NotCreated) << "row " << row << ": " << c.name;
        EXPECT_EQ(progressWindow().button, nullptr) << "row " << row;
        EXPECT_EQ(progressWindow().window != nullptr, c.bareWindowStays) << "row " << row;
        EXPECT_EQ(IsWindow(progressWindow().window) != FALSE, c.bareWindowStays) << "row " << row;
        EXPECT_TRUE(classRegistered()) << "row " << row;
        EXPECT_TRUE(progressWindow().destroy()) << "row " << row;
        EXPECT_EQ(FindWindowW(kClassName, nullptr), nullptr) << "row " << row;
        EXPECT_FALSE(classRegistered()) << "row " << row;
    }
}

TEST_F(ProgressWindowTest, ButtonEnabledOrGreyed) {
    struct Case {
        bool enableButton;
        int questionsAfterClick; // a greyed button never asks
    };
    const Case cases[] = {{true, 1}, {false, 0}};
    for (size_t row = 0; row < std::size(cases); ++row) {
        const Case& c = cases[row];
        clearShownMessageBoxes();
        ASSERT_EQ(show(nullptr, c.enableButton), ProgressWindowStatus::Ok) << "row " << row;
        const HWND button = progressWindow().button;
        EXPECT_EQ(IsWindowEnabled(button) != FALSE, c.enableButton) << "row " << row;
        EXPECT_EQ((GetWindowLongPtrW(button, GWL_STYLE) & WS_DISABLED) == 0, c.enableButton) << "row " << row;
        // A mouse click in the middle of the button, as the user would give it.
        RECT at{};
        GetWindowRect(button, &at);
        SetCursorPos((at.left + at.right) / 2, (at.top + at.bottom) / 2);
        INPUT clicks[2] = {};
        clicks[0].type = clicks[1].type = INPUT_MOUSE;
        clicks[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
        clicks[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
        ASSERT_EQ(SendInput(2, clicks, sizeof(INPUT)), 2u) << "row " << row;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
        while (shownMessageBoxes().size() < size_t(c.questionsAfterClick) &&
               std::chrono::steady_clock::now() < deadline) {
            pumpProgressWindowMessages();
            Sleep(10);
        }
        pumpProgressWindowMessages();
        EXPECT_EQ(shownMessageBoxes().size(), size_t(c.questionsAfterClick)) << "row " << row;
        progressWindow().destroy();
    }
}

TEST_F(ProgressWindowTest, CancelQuestionThroughTheHook) {
    struct Case {
        int answer;
        bool windowGone;
    };
    const Case cases[] = {{IDYES, true}, {IDNO, false}, {IDCANCEL, false}};
    for (size_t row = 0; row < std::size(cases); ++row) {
        const Case& c = cases[row];
        clearShownMessageBoxes();
        setMessageBoxAnswer(c.answer);
        ASSERT_EQ(show(nullptr), ProgressWindowStatus::Ok) << "row " << row;
        const HWND window = progressWindow().window;
        SendMessageW(progressWindow().button, BM_CLICK, 0, 0);

        ASSERT_EQ(shownMessageBoxes().size(), 1u) << "row " << row;
        EXPECT_EQ(shownMessageBoxes()[0].owner, window) << "row " << row;
        EXPECT_EQ(shownMessageBoxes()[0].text, kQuestion) << "row " << row;
        EXPECT_EQ(shownMessageBoxes()[0].caption, kTitle) << "row " << row;
        EXPECT_EQ(shownMessageBoxes()[0].flags, kQuestionFlags) << "row " << row;

        EXPECT_EQ(progressWindow().cancelled, c.windowGone) << "row " << row;
        EXPECT_EQ(IsWindow(window) == FALSE, c.windowGone) << "row " << row;
        EXPECT_EQ(progressWindow().window == nullptr, c.windowGone) << "row " << row;
        EXPECT_EQ(classRegistered(), !c.windowGone) << "row " << row;
        // The job's own destroy comes later: after a confirmed cancel it only repeats the unregistration, which
        // then fails since the class is gone already.
        EXPECT_EQ(progressWindow().destroy(), !c.windowGone) << "row " << row;
        EXPECT_EQ(shownMessageBoxes().size(), 1u) << "row " << row;
        EXPECT_FALSE(IsWindow(window)) << "row " << row;
    }
    // The next window starts uncancelled.
    ASSERT_EQ(show(nullptr), ProgressWindowStatus::Ok);
    EXPECT_FALSE(progressWindow().cancelled);
}

TEST_F(ProgressWindowTest, OnlyTheButtonAsks) {
    ASSERT_EQ(show(nullptr), ProgressWindowStatus::Ok);
    const HWND window = progressWindow().window;
    EXPECT_EQ(SendMessageW(window, WM_COMMAND, MAKEWPARAM(101, BN_CLICKED), 0), 1);
    EXPECT_EQ(SendMessageW(window, WM_COMMAND, MAKEWPARAM(0, 0), 0), 1);
    EXPECT_TRUE(shownMessageBoxes().empty());
    EXPECT_EQ(SendMessageW(window, WM_COMMAND, MAKEWPARAM(100, BN_CLICKED),
                           reinterpret_cast<LPARAM>(progressWindow().button)),
              1);
    EXPECT_EQ(shownMessageBoxes().size(), 1u);
}

// A real message box, answered the way a user would: a second thread finds it by class and caption, checks who owns
// it and which button is the default, and presses the answer.
struct RealBoxSeen {
    bool found = false;
    HWND owner = nullptr;
    bool noIsDefault = false;
    bool hasCancel = false;
    bool showsQuestion = false;
};

BOOL CALLBACK findQuestionText(HWND child, LPARAM seen) {
    wchar_t text[128] = {};
    GetWindowTextW(child, text, 128);
    if (lstrcmpW(text, kQuestion) == 0)
        reinterpret_cast<RealBoxSeen*>(seen)->showsQuestion = true;
    return TRUE;
}

void answerRealBox(int answer, RealBoxSeen& seen) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    HWND box = nullptr;
    // The box is listed as soon as it is created, before its buttons are set up; it is shown only afterwards.
    while ((box == nullptr || !IsWindowVisible(box)) && std::chrono::steady_clock::now() < deadline) {
        box = FindWindowW(L"#32770", kTitle);
        Sleep(20);
    }
    if (box == nullptr || !IsWindowVisible(box))
        return; // the main thread then waits in the box until the run's time limit fails the test
    seen.found = true;
    seen.owner = GetWindow(box, GW_OWNER);
    // The default button is drawn as such and has the focus, so that Enter answers No.
    const HWND no = GetDlgItem(box, IDNO);
    GUITHREADINFO thread{};
    thread.cbSize = sizeof(thread);
    GetGUIThreadInfo(GetWindowThreadProcessId(box, nullptr), &thread);
    seen.noIsDefault =
        no != nullptr && (GetWindowLongPtrW(no, GWL_STYLE) & 0x0F) == BS_DEFPUSHBUTTON && thread.hwndFocus == no;
    seen.hasCancel = GetDlgItem(box, IDCANCEL) != nullptr;
    EnumChildWindows(box, findQuestionText, reinterpret_cast<LPARAM>(&seen));
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(answer, BN_CLICKED), 0);
}

TEST_F(ProgressWindowTest, RealQuestionAnsweredFromAnotherThread) {
    setMessageBoxHook(nullptr);
    struct Case {
        int answer;
        bool windowGone;
    };
    const Case cases[] = {{IDNO, false}, {IDYES, true}};
    for (size_t row = 0; row < std::size(cases); ++row) {
        const Case& c = cases[row];
        ASSERT_EQ(show(nullptr), ProgressWindowStatus::Ok) << "row " << row;
        const HWND window = progressWindow().window;
        RealBoxSeen seen;
        std::thread user(answerRealBox, c.answer, std::ref(seen));
        // The click returns once the box is answered: the box runs its own message loop on this thread.
        SendMessageW(progressWindow().button, BM_CLICK, 0, 0);
        user.join();
        ASSERT_TRUE(seen.found) << "row " << row;
        EXPECT_EQ(seen.owner, window) << "row " << row;
        EXPECT_TRUE(seen.noIsDefault) << "row " << row;
        EXPECT_TRUE(seen.hasCancel) << "row " << row;
        EXPECT_TRUE(seen.showsQuestion) << "row " << row;
        EXPECT_EQ(progressWindow().cancelled, c.windowGone) << "row " << row;
        EXPECT_EQ(IsWindow(window) == FALSE, c.windowGone) << "row " << row;
        EXPECT_EQ(classRegistered(), !c.windowGone) << "row " << row;
        progressWindow().destroy();
    }
}

TEST_F(ProgressWindowTest, EveryPaintSetsTheButtonFont) {
    struct Case {
        const char* name;
        int fieldFont; // stock object held in `font` for the paint
    };
    const Case cases[] = {
        {"the default GUI font", DEFAULT_GUI_FONT},
        {"another font in the field", SYSTEM_FONT},
    };
    for (size_t row = 0; row < std::size(cases); ++row) {
        const Case& c = cases[row];
        progressWindow().font = stockFont(c.fieldFont);
        ASSERT_EQ(show(nullptr), ProgressWindowStatus::Ok) << "row " << row;
        EXPECT_EQ(buttonFont(), stockFont(c.fieldFont)) << "row " << row << ": " << c.name << ", first paint";
        SendMessageW(progressWindow().button, WM_SETFONT, reinterpret_cast<WPARAM>(stockFont(ANSI_FIXED_FONT)), FALSE);
        ASSERT_EQ(buttonFont(), stockFont(ANSI_FIXED_FONT)) << "row " << row;
        RedrawWindow(progressWindow().window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
        EXPECT_EQ(buttonFont(), stockFont(c.fieldFont)) << "row " << row << ": " << c.name << ", repaint";
        progressWindow().destroy();
    }
}

TEST_F(ProgressWindowTest, LinesDrawInTheirBands) {
    const std::wstring longLine(300, L'W');
    struct Case {
        const char* name;
        std::wstring line1;
        std::wstring line2;
        bool ink1;
        bool ink2;
    };
    const Case cases[] = {
        {"both lines", L"Preparing content", L"Please wait", true, true},
        {"empty lines draw nothing", L"", L"", false, false},
        {"only the second", L"", L"Please wait", false, true},
        {"a long first line is clipped at the margin", longLine, L"", true, false},
    };
    for (size_t row = 0; row < std::size(cases); ++row) {
        const Case& c = cases[row];
        ASSERT_EQ(show(nullptr, true, c.line1, c.line2), ProgressWindowStatus::Ok) << "row " << row;
        const HWND window = progressWindow().window;
        RECT client{};
        GetClientRect(window, &client);
        const LONG third = client.bottom / 3;
        const RECT band1{10, 10, client.right - 10, third};
        const RECT band2{10, third, client.right - 10, 2 * third};
        const RECT rightMargin{client.right - 10, 0, client.right, 2 * third};
        const RECT leftMargin{0, 0, 10, 2 * third};
        EXPECT_EQ(inkPixels(window, band1) > 0, c.ink1) << "row " << row << ": " << c.name;
        EXPECT_EQ(inkPixels(window, band2) > 0, c.ink2) << "row " << row << ": " << c.name;
        EXPECT_EQ(inkPixels(window, rightMargin), 0) << "row " << row << ": " << c.name;
        EXPECT_EQ(inkPixels(window, leftMargin), 0) << "row " << row << ": " << c.name;
        progressWindow().destroy();
    }
}

TEST_F(ProgressWindowTest, PumpServesPendingMessages) {
    ASSERT_EQ(show(nullptr), ProgressWindowStatus::Ok);
    const HWND window = progressWindow().window;
    EXPECT_FALSE(paintPending(window)) << "create paints once";

    // A pending paint: only a dispatch runs the procedure, which hands the font to the button again.
    SendMessageW(progressWindow().button, WM_SETFONT, reinterpret_cast<WPARAM>(stockFont(ANSI_FIXED_FONT)), FALSE);
    InvalidateRect(window, nullptr, TRUE);
    ASSERT_TRUE(paintPending(window));
    pumpProgressWindowMessages();
    EXPECT_FALSE(paintPending(window));
    EXPECT_EQ(buttonFont(), progressWindow().font);

    // A posted click reaches the button's handler.
    PostMessageW(window, WM_COMMAND, MAKEWPARAM(100, BN_CLICKED), reinterpret_cast<LPARAM>(progressWindow().button));
    EXPECT_TRUE(shownMessageBoxes().empty());
    pumpProgressWindowMessages();
    EXPECT_EQ(shownMessageBoxes().size(), 1u);

    // With nothing waiting it returns at once.
    pumpProgressWindowMessages();
    EXPECT_EQ(shownMessageBoxes().size(), 1u);
}

TEST_F(ProgressWindowTest, PumpLeavesQuitForTheThreadsLoop) {
    ASSERT_EQ(show(nullptr), ProgressWindowStatus::Ok);
    PostQuitMessage(7);
    pumpProgressWindowMessages();
    MSG message{};
    ASSERT_TRUE(PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(message.wParam, 7u);
}

TEST_F(ProgressWindowTest, StatusReportsPumpThroughTheTickHook) {
    ASSERT_EQ(show(nullptr), ProgressWindowStatus::Ok);
    const HWND window = progressWindow().window;
    setStatusTickHook(pumpProgressWindowMessages);
    InvalidateRect(window, nullptr, TRUE);
    ASSERT_TRUE(paintPending(window));
    showStatusLine(L"Processed: 50%");
    setStatusTickHook(nullptr);
    EXPECT_FALSE(paintPending(window));
}

// Not a check: keeps the job's window (greyed button) over a large owner for a screenshot of the X display, then,
// with VELTRIM_PROGRESS_ASK set, the real question over it, answered No at the end.
TEST_F(ProgressWindowTest, HoldOpenForScreenshot) {
    wchar_t value[16] = {};
    if (GetEnvironmentVariableW(L"VELTRIM_PROGRESS_HOLD_SECONDS", value, 16) == 0)
        GTEST_SKIP() << "set VELTRIM_PROGRESS_HOLD_SECONDS to hold the window open";
    const int seconds = _wtoi(value);
    const bool ask = GetEnvironmentVariableW(L"VELTRIM_PROGRESS_ASK", nullptr, 0) != 0;
    setMessageBoxHook(nullptr);
    ScopedWindow owner = makeOwner(100, 100, 900, 600, WS_VISIBLE | WS_CAPTION | WS_SYSMENU);
    ASSERT_EQ(progressWindow().create(testInstance(), owner.get(), L"", L"Cancel", kQuestion,
                                      L"Preparing content, it may take a few minutes.",
                                      L"Please wait while Microsoft Word configures content.", ask),
              ProgressWindowStatus::Ok);
    if (ask) {
        std::thread user([seconds] {
            Sleep(DWORD(seconds) * 1000);
            if (HWND box = FindWindowW(L"#32770", kTitle))
                PostMessageW(box, WM_COMMAND, IDNO, 0);
        });
        SendMessageW(progressWindow().button, BM_CLICK, 0, 0);
        user.join();
        return;
    }
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (std::chrono::steady_clock::now() < end) {
        pumpProgressWindowMessages();
        Sleep(20);
    }
}
} // namespace
