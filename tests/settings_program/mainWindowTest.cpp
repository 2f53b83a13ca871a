// The settings program's main window, its real code on a thread of its own (support/mainWindowSession.h), driven by
// mouse and key messages posted to its queue: the tables and texts it starts with, clicks that need press and
// release on one control, dragging by free space (ended by the release, a lost capture or a move without the
// button), Enter with nothing highlighted, the Tab order with and without an owner, the unsaved-changes question on
// close (Cancel, No, Yes; the MathType style box alone) and the first run's template install. The selectors and the
// localisation are in localisationTest.cpp.
#include "mainWindow.h"
#include "mainCommand.h"
#include "mainWindowLayout.h"
#include "mainWindowTestSupport.h"
#include "programSettings.h"

#include "controls.h"
#include "scopedWin.h"
#include "skinHost.h"

#include <gtest/gtest.h>

#include <shlobj.h>

#include <filesystem>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

namespace {
using namespace testing_support;

TEST_F(MainWindowTest, StartsWithEveryControlLabelAndList) {
    MainWindowSession session;
    ASSERT_TRUE(session.started());
    const RECT client = session.call<RECT>([&] {
        RECT r{};
        GetClientRect(session.window(), &r);
        return r;
    });
    EXPECT_EQ(client.right, 512);
    EXPECT_EQ(client.bottom, 489);
    EXPECT_EQ(session.call<int32_t>([] { return countControls(); }), 27);
    EXPECT_EQ(session.call<int32_t>([] { return highlightedControlId(); }), kOkControl);
    const struct {
        int32_t id;
        const wchar_t* caption;
    } captions[] = {
        {2, kMakerSiteCaption},
        {3, L"OK"},
        {4, L"Cancel"},
        {5, L"Apply"},
        {6, L"Help"},
        {7, L"Download"}, // no module installed
        {9, L"Download"},
        {10, L"File Processing"},
        {12, L"File Processing"},
        {17, L"Colorful"},
        {18, L"100%"},
        {19, L"English (Default)"},
        {20, L"Microsoft Equation"},
        {22, L"Enable"},
        {23, L"Disable"},
        {25, L"Update"},
        {26, L"Info"},
    };
    for (size_t row = 0; row < std::size(captions); ++row)
        EXPECT_EQ(session.call<std::wstring>([&] { return controlCaption(captions[row].id); }), captions[row].caption)
            << "row " << row;
    const struct {
        int32_t id;
        const wchar_t* text;
    } labels[] = {
        {0, kFooterText},         {1, L"Utilities:"},
        {2, kUtilitiesText},      {3, L"System options"},
        {4, L"Theme:"},           {5, L"Scale:"},
        {6, L"Language:"},        {7, L"Default equation editor:"},
        {8, L"MathType style"},   {9, L"Veltrim Math ribbon"},
        {10, L"Veltrim updates"}, {11, L"About Veltrim"},
    };
    for (size_t row = 0; row < std::size(labels); ++row)
        EXPECT_EQ(session.call<std::wstring>([&] { return labelText(labels[row].id); }), labels[row].text)
            << "row " << row;
    // Microsoft Equation: no MathType style box.
    EXPECT_FALSE(session.call<bool>([] { return controlVisible(kMathTypeStyleBox); }));
    EXPECT_FALSE(session.call<bool>([] { return labelVisible(kMathTypeStyleLabel); }));
    // The lists: hidden, filled, the current choice selected.
    EXPECT_EQ(session.call<std::vector<std::wstring>>([] { return listItems(kEditorList); }),
              (std::vector<std::wstring>{L"Microsoft Equation", L"Equation Editor 3", L"MathType"}));
    EXPECT_EQ(session.call<std::vector<std::wstring>>([] { return listItems(kScaleList); }),
              (std::vector<std::wstring>{L"75%", L"100%", L"125%"}));
    EXPECT_EQ(session.call<std::vector<std::wstring>>([] { return listItems(kSkinList); }),
              (std::vector<std::wstring>{L"Colorful", L"Graphite"}));
    EXPECT_EQ(session.call<std::vector<std::wstring>>([] { return listItems(kLanguageList); }),
              (std::vector<std::wstring>{L"English (Default)"}));
    EXPECT_EQ(session.call<std::wstring>([] { return selectedItem(kScaleList); }), L"100%");
    EXPECT_FALSE(session.call<bool>([] { return anyListOpen(); }));
    const HWND focus = session.call<HWND>([] { return GetFocus(); });
    wchar_t className[64] = {};
    GetClassNameW(focus, className, 64);
    EXPECT_EQ(focus, session.window()) << "focus on " << testing::PrintToString(std::wstring(className));
    // Still the window's after another window of its thread was active (as after a message box or a list).
    const HWND refocused = session.call<HWND>([] {
        {
            const ScopedWindow other(CreateWindowExW(0, L"STATIC", L"other", WS_POPUP | WS_VISIBLE, 600, 600, 50, 50,
                                                     nullptr, nullptr, GetModuleHandleW(nullptr), nullptr));
            SetActiveWindow(other.get());
            SetFocus(other.get());
        }
        SetActiveWindow(skinHost().mainWindow);
        return GetFocus();
    });
    GetClassNameW(refocused, className, 64);
    EXPECT_EQ(refocused, session.window()) << "focus on " << testing::PrintToString(std::wstring(className));
}

TEST_F(MainWindowTest, PressOnOneControlAndReleaseOnAnotherRunsNothing) {
    MainWindowSession session;
    ASSERT_TRUE(session.started());
    const POINT apply = controlCentre(session, kApplyControl);
    const POINT help = controlCentre(session, kHelpControl);
    ASSERT_TRUE(session.post(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(apply.x, apply.y)));
    EXPECT_TRUE(session.call<bool>([] { return controlPressed(kApplyControl); }));
    ASSERT_TRUE(session.post(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(help.x, help.y)));
    EXPECT_FALSE(session.call<bool>([] { return controlPressed(kApplyControl); })); // the pressed look went
    ASSERT_TRUE(session.post(WM_LBUTTONUP, 0, MAKELPARAM(help.x, help.y)));
    EXPECT_TRUE(recordedCommands(session).empty());
    // Press and release on the same control: its command.
    ASSERT_TRUE(session.clickControl(kHelpControl));
    EXPECT_EQ(recordedCommands(session), (std::vector<int32_t>{kHelpControl}));
}

TEST_F(MainWindowTest, PressOnFreeSpaceDragsTheWindow) {
    MainWindowSession session;
    ASSERT_TRUE(session.started());
    const RECT before = windowRect(session);
    ASSERT_TRUE(session.post(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 60)));
    EXPECT_TRUE(session.call<bool>([&] { return GetCapture() == session.window(); }));
    ASSERT_TRUE(session.post(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(40, 80)));
    const RECT moved = windowRect(session);
    EXPECT_EQ(moved.left - before.left, 30);
    EXPECT_EQ(moved.top - before.top, 20);
    EXPECT_EQ(moved.right - moved.left, 512);
    EXPECT_EQ(moved.bottom - moved.top, 489);
    ASSERT_TRUE(session.post(WM_LBUTTONUP, 0, MAKELPARAM(10, 60)));
    EXPECT_FALSE(session.call<bool>([&] { return GetCapture() == session.window(); }));
    ASSERT_TRUE(session.post(WM_MOUSEMOVE, 0, MAKELPARAM(200, 200)));
    EXPECT_EQ(windowRect(session).left, moved.left); // the drag ended with the release
    // A press exactly on a control's edge (Help's top edge) is that control's: no drag, and its command on release.
    ASSERT_TRUE(session.post(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(436, 446)));
    ASSERT_TRUE(session.post(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(436, 446)));
    ASSERT_TRUE(session.post(WM_LBUTTONUP, 0, MAKELPARAM(436, 446)));
    EXPECT_EQ(windowRect(session).left, moved.left);
    EXPECT_EQ(recordedCommands(session), (std::vector<int32_t>{-1, kHelpControl})); // -1: the release on free space
}

TEST_F(MainWindowTest, ADragEndsWhenTheCaptureGoesOrTheButtonIsUp) {
    enum Loss { AnotherWindowTakesTheCapture, CaptureReleased, MoveWithoutTheButton };
    const struct {
        const char* what;
        Loss loss;
    } cases[] = {
        {"another window takes the capture", AnotherWindowTakesTheCapture},
        {"the capture is released elsewhere", CaptureReleased},
        {"a move without the left button", MoveWithoutTheButton},
    };
    for (size_t row = 0; row < std::size(cases); ++row) {
        SCOPED_TRACE(cases[row].what);
        MainWindowSession session;
        ASSERT_TRUE(session.started()) << "row " << row;
        ASSERT_TRUE(session.post(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 60)));
        ASSERT_TRUE(session.post(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(20, 70)));
        const RECT dragged = windowRect(session);
        std::unique_ptr<ScopedWindow> other; // a window of the main window's thread, made and destroyed there
        switch (cases[row].loss) {
        case AnotherWindowTakesTheCapture:
            session.run([&] {
                other = std::make_unique<ScopedWindow>(CreateWindowExW(0, L"STATIC", L"other", WS_POPUP | WS_VISIBLE,
                                                                       600, 600, 50, 50, nullptr, nullptr,
                                                                       GetModuleHandleW(nullptr), nullptr));
                SetCapture(other->get());
            });
            EXPECT_EQ(session.call<HWND>([] { return GetCapture(); }), other->get()) << "row " << row;
            break;
        case CaptureReleased:
            session.run([] { ReleaseCapture(); });
            break;
        case MoveWithoutTheButton:
            ASSERT_TRUE(session.post(WM_MOUSEMOVE, 0, MAKELPARAM(30, 80)));
            EXPECT_EQ(session.call<HWND>([] { return GetCapture(); }), nullptr) << "row " << row;
            break;
        }
        // The pointer moves on, as if the button were still held: the window stays where the drag left it.
        ASSERT_TRUE(session.post(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(120, 140)));
        ASSERT_TRUE(session.post(WM_MOUSEMOVE, 0, MAKELPARAM(200, 200)));
        const RECT after = windowRect(session);
        EXPECT_EQ(after.left, dragged.left) << "row " << row;
        EXPECT_EQ(after.top, dragged.top) << "row " << row;
        if (other != nullptr)
            session.run([&] { other.reset(); });
        // A new press on free space drags again.
        ASSERT_TRUE(session.post(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 60)));
        ASSERT_TRUE(session.post(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(15, 65)));
        EXPECT_EQ(windowRect(session).left, after.left + 5) << "row " << row;
        ASSERT_TRUE(session.post(WM_LBUTTONUP, 0, MAKELPARAM(15, 65)));
    }
}

TEST_F(MainWindowTest, EnterWithNothingHighlightedDoesNothing) {
    MainWindowSession session;
    ASSERT_TRUE(session.started());
    // Over a control and off again: the highlight goes.
    const POINT help = controlCentre(session, kHelpControl);
    ASSERT_TRUE(session.post(WM_MOUSEMOVE, 0, MAKELPARAM(help.x, help.y)));
    EXPECT_EQ(session.call<int32_t>([] { return highlightedControlId(); }), kHelpControl);
    ASSERT_TRUE(session.post(WM_MOUSEMOVE, 0, MAKELPARAM(10, 60)));
    EXPECT_EQ(session.call<int32_t>([] { return highlightedControlId(); }), -1);
    ASSERT_TRUE(session.post(WM_KEYDOWN, VK_RETURN));
    ASSERT_TRUE(session.post(WM_KEYDOWN, VK_SPACE));
    EXPECT_EQ(recordedCommands(session), (std::vector<int32_t>{-1, -1}));
    EXPECT_FALSE(session.ended());
    EXPECT_TRUE(shownMessageBoxes().empty());
    // With a control highlighted, Enter runs it: Cancel, which closes (nothing changed: no question).
    const POINT cancel = controlCentre(session, kCancelControl);
    ASSERT_TRUE(session.post(WM_MOUSEMOVE, 0, MAKELPARAM(cancel.x, cancel.y)));
    ASSERT_TRUE(session.post(WM_KEYDOWN, VK_RETURN));
    EXPECT_TRUE(session.ended() || session.waitForEnd() == 2);
}

TEST_F(MainWindowTest, TabOrderWithAndWithoutOwner) {
    for (bool owner : {false, true}) {
        MainWindowStart start;
        start.owner = owner;
        MainWindowSession session(start);
        ASSERT_TRUE(session.started()) << "owner " << owner;
        std::vector<int32_t> forward;
        for (int i = 0; i < 25; ++i) {
            ASSERT_TRUE(session.post(WM_KEYDOWN, VK_TAB));
            forward.push_back(session.call<int32_t>([] { return highlightedControlId(); }));
        }
        std::vector<int32_t> expected;
        for (int32_t id = 4; id <= 26; ++id)
            if (id != kMathTypeStyleBox) // hidden with Microsoft Equation
                expected.push_back(id);
        if (!owner)
            expected.push_back(kMinimiseControl); // hidden when the window has an owner
        for (int32_t id = 1; expected.size() < forward.size(); ++id)
            expected.push_back(id);
        EXPECT_EQ(forward, expected) << "owner " << owner;
        // Shift held: backwards; released: forwards again.
        ASSERT_TRUE(session.post(WM_KEYDOWN, VK_SHIFT));
        const int32_t at = session.call<int32_t>([] { return highlightedControlId(); });
        ASSERT_TRUE(session.post(WM_KEYDOWN, VK_TAB));
        ASSERT_TRUE(session.post(WM_KEYDOWN, VK_TAB));
        const int32_t back = session.call<int32_t>([] { return highlightedControlId(); });
        ASSERT_TRUE(session.post(WM_KEYUP, VK_SHIFT));
        ASSERT_TRUE(session.post(WM_KEYDOWN, VK_TAB));
        EXPECT_EQ(at, owner ? 3 : 2) << "owner " << owner;
        EXPECT_EQ(back, owner ? 1 : kMinimiseControl) << "owner " << owner;
        EXPECT_EQ(session.call<int32_t>([] { return highlightedControlId(); }), owner ? 2 : 1) << "owner " << owner;
    }
}

TEST_F(MainWindowTest, ClosingWithUnsavedChanges) {
    const struct {
        int answer;
        bool stays;
        bool saved;
    } cases[] = {
        // answer    stays  saved
        {IDCANCEL, true, false},
        {IDNO, false, false},
        {IDYES, false, true},
    };
    for (size_t row = 0; row < std::size(cases); ++row) {
        registry_.removeKey(SuiteKey::UserMain);
        liveSettings() = ProgramSettings(); // what the row before left is no stored value
        MainWindowSession session;
        ASSERT_TRUE(session.started()) << "row " << row;
        ASSERT_TRUE(chooseItem(session, kScaleSelector, kScaleList, L"125%")) << "row " << row;
        answerMessageBoxes(cases[row].answer);
        ASSERT_TRUE(session.post(WM_CLOSE)) << "row " << row;
        const std::vector<ShownMessageBox> boxes = shownMessageBoxes();
        ASSERT_EQ(boxes.size(), 1u) << "row " << row;
        EXPECT_EQ(boxes[0].text, L"Not saved! Save changes before quit?") << "row " << row;
        EXPECT_EQ(boxes[0].caption, L"Veltrim Sorvanta") << "row " << row;
        EXPECT_EQ(boxes[0].flags, UINT(MB_YESNOCANCEL | MB_ICONQUESTION)) << "row " << row;
        EXPECT_EQ(boxes[0].owner, session.window()) << "row " << row;
        if (cases[row].stays) {
            EXPECT_FALSE(session.ended()) << "row " << row;
            EXPECT_EQ(session.call<int32_t>([] { return liveSettings().textScale; }), 125) << "row " << row;
            EXPECT_EQ(session.call<std::wstring>([] { return controlCaption(kScaleSelector); }), L"125%");
        } else {
            EXPECT_EQ(session.waitForEnd(), 2) << "row " << row;
        }
        EXPECT_EQ(storedTextScale(), cases[row].saved ? 125 : -1) << "row " << row;
    }
}

TEST_F(MainWindowTest, TheMathTypeStyleBoxAloneAsksBeforeClosing) {
    MainWindowStart start;
    start.beforeStart = [] {
        liveSettings().isEE = 1;
        liveSettings().isEE2007 = 0; // Equation Editor 3.x: the box is shown
    };
    for (bool tick : {false, true}) {
        MainWindowSession session(start);
        ASSERT_TRUE(session.started());
        EXPECT_TRUE(session.call<bool>([] { return controlVisible(kMathTypeStyleBox); }));
        if (tick) {
            ASSERT_TRUE(session.clickControl(kMathTypeStyleBox));
        }
        answerMessageBoxes(IDCANCEL);
        ASSERT_TRUE(session.post(WM_CLOSE));
        EXPECT_EQ(shownMessageBoxes().size(), tick ? 1u : 0u) << "tick " << tick;
        EXPECT_EQ(session.ended(), !tick) << "tick " << tick;
        if (tick) {
            EXPECT_EQ(session.call<int32_t>([] { return liveSettings().isMTstyle; }), 1);
        }
    }
}

TEST_F(MainWindowTest, FirstRunInstallsTheTemplateOnceWhileTheWindowIsMade) {
    registry_.removeKey(SuiteKey::UserMain); // no per-user key: the first run
    MainWindowSession session;
    ASSERT_TRUE(session.started());
    const std::vector<HWND> installs = templateInstalls(session);
    ASSERT_EQ(installs.size(), 1u);
    EXPECT_EQ(installs[0], session.window());
    ASSERT_TRUE(session.clickControl(kHelpControl));
    EXPECT_EQ(templateInstalls(session).size(), 1u);
}

TEST_F(MainWindowTest, FirstRunInstallsTheTemplateThroughTheInstaller) {
    // The real first-run call, no stand-in: the suite's template lands in the user's own Word STARTUP folder of the
    // prefix, recorded and listed, without a question or a message.
    registry_.removeKey(SuiteKey::UserMain);
    const std::filesystem::path source = std::filesystem::path(install_.mainFolder()) / "Veltrim.dotm";
    testing_support::writeFileBytes(source, "the suite's Word template");
    wchar_t appData[MAX_PATH] = {};
    wchar_t common[MAX_PATH] = {};
    ASSERT_TRUE(SUCCEEDED(SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, appData)));
    ASSERT_TRUE(SUCCEEDED(SHGetFolderPathW(nullptr, CSIDL_COMMON_APPDATA, nullptr, SHGFP_TYPE_CURRENT, common)));
    const std::filesystem::path own = std::filesystem::path(appData) / "Microsoft" / "Word" / "STARTUP";
    const std::filesystem::path list = std::filesystem::path(common) / "Veltrim" / "wordstartup";
    std::error_code error;
    std::filesystem::remove(own / "Veltrim.dotm", error);
    std::filesystem::remove(list, error);
    setFirstRunTemplateSetup(nullptr);
    {
        MainWindowSession session;
        ASSERT_TRUE(session.started());
        EXPECT_EQ(testing_support::readFileBytes(own / "Veltrim.dotm"), "the suite's Word template");
        EXPECT_EQ(testing_support::readFileBytes(list), "\xEF\xBB\xBF" + own.string() + "\r\n");
        wchar_t recorded[MAX_PATH] = {};
        DWORD size = sizeof recorded;
        EXPECT_EQ(RegGetValueW(HKEY_CURRENT_USER, L"SOFTWARE\\Veltrim\\main", L"wordStartup0", RRF_RT_REG_SZ, nullptr,
                               recorded, &size),
                  ERROR_SUCCESS);
        EXPECT_EQ(std::wstring(recorded), own.wstring());
        EXPECT_TRUE(shownMessageBoxes().empty()) << "silent";
        EXPECT_FALSE(session.ended());
    }
    std::filesystem::remove(own / "Veltrim.dotm", error);
    std::filesystem::remove(list, error);
    std::filesystem::remove(list.parent_path(), error);
}

TEST_F(MainWindowTest, OkSavesAndEndsWithOne) {
    MainWindowSession session;
    ASSERT_TRUE(session.started());
    ASSERT_TRUE(chooseItem(session, kScaleSelector, kScaleList, L"75%"));
    ASSERT_TRUE(session.clickControl(kOkControl));
    EXPECT_EQ(session.waitForEnd(), 1);
    EXPECT_EQ(storedTextScale(), 75);
}
} // namespace
