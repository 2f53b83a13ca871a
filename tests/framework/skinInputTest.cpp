// Edit fields and drop-down lists of the skinned window under Wine on the session's X server, driven by real input
// posted to the windows' message queue: keys in an open list (navigation without commit, Enter, Esc), a mouse pick,
// a focus loss, lists that must not open, items filled from newline-ended texts and read back at any length, the
// list height, and an edit field's keys (Tab handing navigation back, Shift+Tab, Enter and Space reaching the host,
// a click clearing the highlight). VELTRIM_SKIN_HOLD_SECONDS=n keeps an open list on screen for a screenshot
// (SkinInputShow); otherwise that test is skipped.
#include "controls.h"
#include "dropDowns.h"
#include "editFields.h"
#include "scopedWin.h"
#include "skinHost.h"
#include "skinTestHost.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

using namespace skin_test;

namespace {
using Commits = std::vector<std::pair<int32_t, std::wstring>>;

LPARAM centreOf(int32_t id) {
    const ControlRecord& c = hostControls()[size_t(findControlIndex(id))];
    return MAKELPARAM(c.x + c.width / 2, c.y + c.height / 2);
}

class SkinInputTest : public ::testing::Test {
protected:
    void SetUp() override {
        HostExtras extras;
        extras.fieldAndLists = true;
        session_ = std::make_unique<DialogSession>(HostLook::SettingsProgram, L"", extras);
        ASSERT_TRUE(session_->started());
    }

    DialogSession& session() { return *session_; }
    HWND listBox(int32_t id) { return hostDropDowns()[size_t(id)].listBox; }
    HWND popup(int32_t id) { return hostDropDowns()[size_t(id)].popup; }
    HWND field() { return hostEditFields()[0].window; }

    // A click on a control of the main window: button down and up at its centre.
    void click(int32_t controlId) {
        ASSERT_TRUE(session().post(WM_LBUTTONDOWN, MK_LBUTTON, centreOf(controlId)));
        ASSERT_TRUE(session().post(WM_LBUTTONUP, 0, centreOf(controlId)));
    }
    void postTo(HWND window, UINT message, WPARAM wParam, LPARAM lParam = 1) {
        ASSERT_TRUE(PostMessageW(window, message, wParam, lParam));
        ASSERT_TRUE(session().run([] {}));
    }
    bool isOpen(int32_t id) {
        return session().call<bool>([this, id] {
            return (hostDropDowns()[size_t(id)].flags & kDropDownVisible) != 0 && IsWindowVisible(popup(id));
        });
    }
    int32_t selection(int32_t id) {
        return session().call<int32_t>([this, id] { return int32_t(SendMessageW(listBox(id), LB_GETCURSEL, 0, 0)); });
    }
    Commits commits() {
        return session().call<Commits>([] { return hostRecord().commits; });
    }
    int32_t highlighted() {
        return session().call<int32_t>([] { return highlightedControlId(); });
    }

    std::unique_ptr<DialogSession> session_;
};

TEST_F(SkinInputTest, ArrowKeysMoveWithoutCommitThenEnterCommits) {
    click(kSelector);
    ASSERT_TRUE(isOpen(0));
    EXPECT_EQ(selection(0), 0); // the selector's caption, "English"
    EXPECT_EQ(session().call<HWND>([] { return GetFocus(); }), listBox(0));
    // Placed under its selector: the selector's corner plus (4, height + 2), through the popup offset.
    RECT placed{};
    GetWindowRect(popup(0), &placed);
    const POINT expected = session().call<POINT>([] {
        const ControlRecord& s = hostControls()[size_t(findControlIndex(kSelector))];
        int32_t x = s.x + 4, y = s.y + s.height + 2;
        toScreenOffset(x, y);
        return POINT{x, y};
    });
    EXPECT_EQ(placed.left, expected.x);
    EXPECT_EQ(placed.top, expected.y);
    EXPECT_EQ(placed.right - placed.left, 146);
    EXPECT_EQ(placed.bottom - placed.top, dropDownListHeight());

    postTo(listBox(0), WM_KEYDOWN, VK_DOWN);
    postTo(listBox(0), WM_KEYDOWN, VK_DOWN);
    EXPECT_EQ(selection(0), 2);
    postTo(listBox(0), WM_KEYDOWN, VK_UP);
    EXPECT_EQ(selection(0), 1);
    postTo(listBox(0), WM_KEYDOWN, VK_END);
    EXPECT_EQ(selection(0), 6);
    postTo(listBox(0), WM_KEYDOWN, VK_HOME);
    EXPECT_EQ(selection(0), 0);
    postTo(listBox(0), WM_KEYDOWN, VK_DOWN);
    EXPECT_TRUE(commits().empty());
    EXPECT_TRUE(isOpen(0));
    postTo(listBox(0), WM_KEYDOWN, VK_RETURN);
    EXPECT_EQ(commits(), (Commits{{0, L"Deutsch"}}));
    EXPECT_FALSE(isOpen(0));
    EXPECT_EQ(session().call<std::wstring>([] { return hostControls()[size_t(findControlIndex(kSelector))].caption; }),
              L"Deutsch");
    // Opened again, the list selects the selector's caption; Space commits too.
    click(kSelector);
    ASSERT_TRUE(isOpen(0));
    EXPECT_EQ(selection(0), 1);
    postTo(listBox(0), WM_KEYDOWN, VK_SPACE);
    EXPECT_EQ(commits().size(), 2u);
}

TEST_F(SkinInputTest, MouseClickOnAnItemCommitsAtOnce) {
    click(kSelector2);
    ASSERT_TRUE(isOpen(1));
    // Sorted: Alpha, Mid, Zeta.
    const std::vector<std::wstring> items = session().call<std::vector<std::wstring>>([this] {
        std::vector<std::wstring> texts;
        for (int32_t i = 0; i < 3; ++i)
            texts.push_back(listBoxItemText(listBox(1), i));
        return texts;
    });
    EXPECT_EQ(items, (std::vector<std::wstring>{L"Alpha", L"Mid", L"Zeta"}));
    const RECT item = session().call<RECT>([this] {
        RECT r{};
        SendMessageW(listBox(1), LB_GETITEMRECT, 2, reinterpret_cast<LPARAM>(&r));
        return r;
    });
    const LPARAM at = MAKELPARAM((item.left + item.right) / 2, (item.top + item.bottom) / 2);
    postTo(listBox(1), WM_LBUTTONDOWN, MK_LBUTTON, at);
    postTo(listBox(1), WM_LBUTTONUP, 0, at);
    ASSERT_FALSE(commits().empty());
    EXPECT_EQ(commits().front(), (std::pair<int32_t, std::wstring>{1, L"Zeta"}));
    EXPECT_FALSE(isOpen(1));
}

TEST_F(SkinInputTest, EscapeAndFocusLossCloseWithoutCommit) {
    click(kSelector3);
    ASSERT_TRUE(isOpen(2));
    postTo(listBox(2), WM_KEYDOWN, VK_DOWN);
    postTo(listBox(2), WM_KEYDOWN, VK_ESCAPE);
    EXPECT_FALSE(isOpen(2));
    click(kSelector4);
    ASSERT_TRUE(isOpen(3));
    postTo(listBox(3), WM_KEYDOWN, VK_DOWN);
    // A click on a bare place of the main window: the list loses the focus.
    ASSERT_TRUE(session().post(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(300, 400)));
    ASSERT_TRUE(session().post(WM_LBUTTONUP, 0, MAKELPARAM(300, 400)));
    EXPECT_FALSE(isOpen(3));
    EXPECT_TRUE(commits().empty());
    // Only one list is ever open: opening another closes the first.
    click(kSelector);
    click(kSelector2);
    EXPECT_FALSE(isOpen(0));
    EXPECT_TRUE(isOpen(1));
}

TEST_F(SkinInputTest, ItemsAndEmptyLists) {
    struct Case {
        const wchar_t* items;
        std::vector<std::wstring> filled;
    };
    const Case cases[] = {
        {L"a\nb\nc", {L"a", L"b"}},
        {L"a\nb\nc\n", {L"a", L"b", L"c"}},
        {L"\n\nx\n", {L"", L"", L"x"}},
        {L"no line end", {}},
        {L"", {}},
    };
    for (size_t row = 0; row < std::size(cases); ++row) {
        const std::vector<std::wstring> filled = session().call<std::vector<std::wstring>>([this, &cases, row] {
            EXPECT_EQ(setDropDownItems(2, cases[row].items), cases[row].items);
            fillDropDown(2, L"");
            std::vector<std::wstring> texts;
            const int32_t count = int32_t(SendMessageW(listBox(2), LB_GETCOUNT, 0, 0));
            for (int32_t i = 0; i < count; ++i)
                texts.push_back(listBoxItemText(listBox(2), i));
            return texts;
        });
        EXPECT_EQ(filled, cases[row].filled) << "row " << row;
        // An empty list never opens, through the host's selector either.
        click(kSelector3);
        EXPECT_EQ(isOpen(2), !cases[row].filled.empty()) << "row " << row;
        session().run([] {
            hideDropDowns();
            layoutDropDowns();
        });
    }
    EXPECT_EQ(session().call<std::wstring>([] { return setDropDownItems(99, L"x\n"); }), L"");
    EXPECT_EQ(session().call<int32_t>([this] { return findDropDownByWindow(popup(3)); }), 3);
    EXPECT_EQ(session().call<int32_t>([] { return findDropDownByWindow(skinHost().mainWindow); }), -1);
}

// An item longer than any fixed buffer a caller might read it into (lines of item files may be 1000 characters):
// read back whole.
TEST_F(SkinInputTest, LongItemsAreReadWhole) {
    const std::wstring longItem(1500, L'x');
    const std::wstring text = session().call<std::wstring>([this, &longItem] {
        setDropDownItems(0, L"short\n" + longItem + L"\n");
        fillDropDown(0, L"xx");
        return dropDownSelectionText(0);
    });
    EXPECT_EQ(text, longItem);
    EXPECT_EQ(session().call<std::wstring>([this] { return listBoxItemText(listBox(0), 0); }), L"short");
    EXPECT_EQ(session().call<std::wstring>([this] { return listBoxItemText(listBox(0), 7); }), L"");
    EXPECT_EQ(session().call<std::wstring>([] { return dropDownSelectionText(9); }), L"");
}

TEST(DropDownHeightTest, FromTheResolution) {
    struct Case {
        int32_t dotsPerInch, height;
    };
    const Case cases[] = {{96, 66}, {120, 82}, {144, 99}, {72, 49}};
    for (size_t row = 0; row < std::size(cases); ++row)
        EXPECT_EQ(dropDownListHeight(cases[row].dotsPerInch), cases[row].height) << "row " << row;
}

TEST_F(SkinInputTest, ListHeightOfTheDisplay) {
    ScopedCreatedDC display(CreateDCW(L"DISPLAY", nullptr, nullptr, nullptr));
    const int32_t expected = dropDownListHeight(GetDeviceCaps(display.get(), LOGPIXELSY));
    EXPECT_EQ(session().call<int32_t>([] { return dropDownListHeight(); }), expected);
    for (const DropDownRecord& list : hostDropDowns()) {
        if (list.kind != 0) {
            EXPECT_EQ(list.height, expected);
        }
    }
}

// Tab past the last control enters the field; Tab in the field hands navigation back to the host.
TEST_F(SkinInputTest, TabIntoAndOutOfTheEditField) {
    const int32_t visibleControls = session().call<int32_t>([] { return countControls(); });
    for (int32_t i = 0; i < visibleControls; ++i)
        ASSERT_TRUE(session().post(WM_KEYDOWN, VK_TAB, 1));
    ASSERT_EQ(highlighted(), kSelector4);
    ASSERT_TRUE(session().post(WM_KEYDOWN, VK_TAB, 1));
    EXPECT_EQ(highlighted(), -1);
    EXPECT_FALSE(session().call<bool>([] { return keyboardNavigation(); }));
    EXPECT_EQ(session().call<HWND>([] { return GetFocus(); }), field());
    EXPECT_TRUE(IsWindowVisible(field()));
    EXPECT_FALSE(IsWindowVisible(hostEditFields()[1].window)); // not Visible: hidden
    // Tab typed into the field: the dialog manager does not take it, the field hands it to the host.
    postTo(field(), WM_KEYDOWN, VK_TAB);
    EXPECT_TRUE(session().call<bool>([] { return keyboardNavigation(); }));
    EXPECT_EQ(session().call<HWND>([] { return GetFocus(); }), session().window());
    EXPECT_EQ(highlighted(), kMinimise);
    // Shift+Tab in the field reaches the host as Shift down, then Tab down.
    session().run([this] {
        setKeyboardNavigation(false);
        hoverControl(-1);
        SetFocus(field());
        hostRecord().keysDown.clear();
    });
    postTo(field(), WM_KEYDOWN, VK_SHIFT);
    postTo(field(), WM_KEYDOWN, VK_TAB);
    postTo(field(), WM_KEYUP, VK_SHIFT);
    EXPECT_EQ(session().call<std::vector<UINT>>([] { return hostRecord().keysDown; }),
              (std::vector<UINT>{VK_SHIFT, VK_TAB}));
    EXPECT_FALSE(session().call<bool>([] { return hostRecord().shiftDown; }));
    EXPECT_TRUE(session().call<bool>([] { return keyboardNavigation(); }));
}

TEST_F(SkinInputTest, EnterAndSpaceInTheFieldReachTheHost) {
    session().run([this] {
        setKeyboardNavigation(false);
        SetFocus(field());
        hostRecord().keysDown.clear();
    });
    // The dialog's message loop translates each key into its character as well, as for typed keys.
    postTo(field(), WM_KEYDOWN, VK_RETURN);
    postTo(field(), WM_KEYDOWN, VK_SPACE);
    postTo(field(), WM_KEYDOWN, '4');
    postTo(field(), WM_KEYDOWN, VK_ESCAPE); // not the host's: the dialog keeps running
    EXPECT_EQ(session().call<std::vector<UINT>>([] { return hostRecord().keysDown; }),
              (std::vector<UINT>{VK_RETURN, VK_SPACE}));
    // The field typed only the digit; with the field holding the keys, the host ran no command.
    const std::wstring text = session().call<std::wstring>([this] {
        wchar_t buffer[32] = {};
        GetWindowTextW(field(), buffer, 32);
        return std::wstring(buffer);
    });
    EXPECT_EQ(text, L"4");
    EXPECT_TRUE(session().call<std::vector<int32_t>>([] { return hostRecord().commands; }).empty());
    EXPECT_EQ(session().waitForEnd(0), -2);
}

TEST_F(SkinInputTest, ClickInTheFieldClearsTheHighlight) {
    ASSERT_TRUE(session().post(WM_KEYDOWN, VK_TAB, 1));
    ASSERT_TRUE(session().post(WM_KEYDOWN, VK_TAB, 1));
    ASSERT_EQ(highlighted(), kClose);
    postTo(field(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    postTo(field(), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    EXPECT_EQ(highlighted(), -1);
    EXPECT_FALSE(session().call<bool>([] { return keyboardNavigation(); }));
    EXPECT_EQ(session().call<HWND>([] { return GetFocus(); }), field());
}

TEST_F(SkinInputTest, VisibilityOfTheFields) {
    struct Seen {
        bool firstVisible, secondVisible;
    };
    struct Case {
        const char* action;
        bool first, second;
    };
    const Case cases[] = {{"show only 2", false, true},
                          {"show only 5, false", false, false},
                          {"show only 1", true, false},
                          {"hide all", false, false},
                          {"show only 1, false", false, false}};
    for (size_t row = 0; row < std::size(cases); ++row) {
        const std::string action = cases[row].action;
        const Seen seen = session().call<Seen>([this, action] {
            if (action == "show only 2")
                showOnlyEdit(2, true);
            else if (action == "show only 5, false")
                showOnlyEdit(5, false);
            else if (action == "show only 1")
                showOnlyEdit(kEditField, true);
            else if (action == "hide all")
                hideAllEdits();
            else
                showOnlyEdit(kEditField, false);
            refreshEdits(false);
            return Seen{IsWindowVisible(field()) != FALSE, IsWindowVisible(hostEditFields()[1].window) != FALSE};
        });
        EXPECT_EQ(seen.firstVisible, cases[row].first) << "row " << row << ": " << action;
        EXPECT_EQ(seen.secondVisible, cases[row].second) << "row " << row << ": " << action;
    }
    EXPECT_EQ(session().call<std::wstring>([] { return setEditValue(kEditField, L"12"); }), L"12");
    EXPECT_EQ(session().call<std::wstring>([] { return setEditValue(99, L"12"); }), L"");
    EXPECT_EQ(hostEditFields()[0].value, L"12");
    EditFieldRecord record = newEditFieldRecord(1, 3, 0, 0, 10, 10, 0, L"text");
    record.value = L"value";
    destroyEditFieldRecord(record);
    EXPECT_TRUE(record.text.empty());
    EXPECT_TRUE(record.value.empty());
}

// Shows an open list under its selector for a screenshot: VELTRIM_SKIN_HOLD_SECONDS (and VELTRIM_SKIN_LOOK for the
// further skin: settings-graphite).
TEST_F(SkinInputTest, ShowOpenListForScreenshot) {
    const char* hold = std::getenv("VELTRIM_SKIN_HOLD_SECONDS");
    if (hold == nullptr)
        GTEST_SKIP() << "VELTRIM_SKIN_HOLD_SECONDS is not set";
    session().run([] { redrawWindow(kRedrawFace); });
    click(kSelector);
    postTo(listBox(0), WM_KEYDOWN, VK_DOWN);
    Sleep(DWORD(std::atoi(hold)) * 1000);
}
} // namespace
