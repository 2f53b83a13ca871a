// The skinned window running as a modal dialog under Wine on the session's X server, driven by real input posted to
// its message queue: the exact window size, the template's size in dialog units, the minimise control with and
// without an owner, Tab / Shift+Tab / Enter / Space / Esc reaching the host's procedure through the dialog manager,
// mouse hover, press and click painting the right cells, labels of every kind, skin colours drawn, and the redraw
// flags. Pixels are checked at known places of the back buffer and of the window on screen.
// VELTRIM_SKIN_HOLD_SECONDS=n with VELTRIM_SKIN_LOOK=settings|library|settings-graphite|library-graphite shows the
// test host for a screenshot (SkinWindowShow); otherwise that test is skipped.
#include "buttonStyles.h"
#include "controls.h"
#include "labels.h"
#include "scopedWin.h"
#include "skinHost.h"
#include "skinTestHost.h"
#include "skinnedDialog.h"
#include "testFiles.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

using namespace skin_test;

namespace {
LPARAM point(int32_t x, int32_t y) {
    return MAKELPARAM(x, y);
}

// The centre of a control of the host's table.
LPARAM centreOf(int32_t id) {
    const ControlRecord& c = hostControls()[size_t(findControlIndex(id))];
    return point(c.x + c.width / 2, c.y + c.height / 2);
}

// How many pixels of the control's area in `dc` differ from the cell of `styleId` (dialog thread). With a caption,
// only the three-pixel ring around the caption's rectangle is compared.
int32_t cellMismatches(HDC dc, int32_t controlId, int32_t styleId) {
    const ControlRecord& c = hostControls()[size_t(findControlIndex(controlId))];
    const ButtonStyle* style = styleRow(styleId);
    if (style == nullptr)
        return -1;
    ScopedCreatedDC cellDc(CreateCompatibleDC(dc));
    ScopedSelectObject selection(cellDc.get(), style->bitmap);
    int32_t mismatches = 0;
    for (int32_t y = 0; y < c.height; ++y)
        for (int32_t x = 0; x < c.width; ++x) {
            const bool inCaption = !c.caption.empty() && x >= 3 && x < c.width - 3 && y >= 3 && y < c.height - 4;
            if (!inCaption)
                mismatches += GetPixel(dc, c.x + x, c.y + y) != GetPixel(cellDc.get(), x, y) ? 1 : 0;
        }
    return mismatches;
}

// The cell the back buffer and the window show for a control: both must match it everywhere.
void expectCell(DialogSession& session, int32_t controlId, int32_t styleId, const char* what) {
    const int32_t inBuffer =
        session.call<int32_t>([&] { return cellMismatches(skinHost().backBuffer, controlId, styleId); });
    const int32_t onScreen =
        session.call<int32_t>([&] { return cellMismatches(skinHost().windowDc, controlId, styleId); });
    EXPECT_EQ(inBuffer, 0) << what << ": back buffer, control " << controlId << ", style " << styleId;
    EXPECT_EQ(onScreen, 0) << what << ": window, control " << controlId << ", style " << styleId;
}

// Pixels of the back buffer that differ from the plain background: the ink of what was drawn there (dialog thread).
struct Ink {
    int32_t pixels = 0;
    int32_t left = INT32_MAX, right = -1, top = INT32_MAX, bottom = -1;
    int32_t bands = 0; // runs of rows that hold ink, separated by rows without
    bool red = false;  // some pixel is clearly red
};

Ink inkIn(const RECT& area) {
    const SkinHost& host = skinHost();
    ScopedGdiObject<HBITMAP> background(loadBitmapFile(host.defaultBackground));
    ScopedCreatedDC plain(CreateCompatibleDC(host.backBuffer));
    ScopedSelectObject selection(plain.get(), background.get());
    Ink ink;
    bool previousRow = false;
    for (LONG y = area.top; y < area.bottom; ++y) {
        bool row = false;
        for (LONG x = area.left; x < area.right; ++x) {
            const COLORREF drawn = GetPixel(host.backBuffer, x, y);
            if (drawn == GetPixel(plain.get(), x, y))
                continue;
            row = true;
            ++ink.pixels;
            ink.left = std::min<int32_t>(ink.left, x);
            ink.right = std::max<int32_t>(ink.right, x);
            ink.top = std::min<int32_t>(ink.top, y);
            ink.bottom = std::max<int32_t>(ink.bottom, y);
            ink.red = ink.red || (GetRValue(drawn) > 180 && GetGValue(drawn) < 90 && GetBValue(drawn) < 90);
        }
        ink.bands += row && !previousRow ? 1 : 0;
        previousRow = row;
    }
    return ink;
}

RECT labelRect(int32_t id) {
    for (const LabelRecord& label : hostLabels())
        if (label.id == id)
            return RECT{label.x, label.y, label.x + label.width, label.y + label.height};
    return RECT{};
}

Ink labelInk(DialogSession& session, int32_t id) {
    return session.call<Ink>([id] {
        redrawWindow(kRedrawFace);
        return inkIn(labelRect(id));
    });
}

TEST(SkinWindowTest, ExactSizeAndTemplateUnits) {
    for (HostLook look : {HostLook::SettingsProgram, HostLook::ConverterLibrary}) {
        const int32_t height = look == HostLook::ConverterLibrary ? 453 : 489;
        SCOPED_TRACE(testing::Message() << "height " << height);
        DialogSession session(look, L"");
        ASSERT_TRUE(session.started());
        const RECT client = session.call<RECT>([] { return hostRecord().clientAtStart; });
        EXPECT_EQ(client.right, 512);
        EXPECT_EQ(client.bottom, height);
        RECT outer{};
        GetWindowRect(session.window(), &outer);
        EXPECT_EQ(outer.right - outer.left, 512);
        EXPECT_EQ(outer.bottom - outer.top, height);
        const DialogUnitSize units = session.call<DialogUnitSize>([] { return skinnedDialogUnits(); });
        const LONG base = GetDialogBaseUnits();
        EXPECT_EQ(units.cx, MulDiv(512, 4, LOWORD(base)));
        EXPECT_EQ(units.cy, MulDiv(height, 8, HIWORD(base)));
        // The window's last row and column are painted from the back buffer: no unpainted strip.
        const bool edgesPainted = session.call<bool>([height] {
            redrawWindow(kRedrawFace);
            const SkinHost& host = skinHost();
            return GetPixel(host.windowDc, 511, height - 1) == GetPixel(host.backBuffer, 511, height - 1) &&
                   GetPixel(host.windowDc, 511, height - 1) != CLR_INVALID &&
                   GetPixel(host.windowDc, 256, height - 2) == GetPixel(host.backBuffer, 256, height - 2);
        });
        EXPECT_TRUE(edgesPainted);
        wchar_t title[128] = {};
        GetWindowTextW(session.window(), title, 128);
        EXPECT_EQ(std::wstring(title), look == HostLook::ConverterLibrary ? L"Veltrim Sembrik" : L"Veltrim Sorvanta");
        // The window icons came from the host's icon file.
        EXPECT_NE(SendMessageW(session.window(), WM_GETICON, ICON_BIG, 0), 0);
        EXPECT_NE(SendMessageW(session.window(), WM_GETICON, ICON_SMALL, 0), 0);
    }
}

// A title too long for the template is cut, never written past the block.
TEST(SkinWindowTest, LongTitlesAreCut) {
    struct Case {
        size_t length;
        size_t shown;
    };
    const Case cases[] = {{97, 97}, {98, 97}, {300, 97}};
    for (size_t row = 0; row < std::size(cases); ++row) {
        HostExtras extras;
        for (size_t i = 0; i < cases[row].length; ++i)
            extras.title += wchar_t(L'a' + i % 26);
        DialogSession session(HostLook::SettingsProgram, L"", extras);
        ASSERT_TRUE(session.started()) << "row " << row;
        wchar_t title[512] = {};
        const int length = GetWindowTextW(session.window(), title, 512);
        EXPECT_EQ(size_t(length), cases[row].shown) << "row " << row;
        EXPECT_EQ(std::wstring(title), extras.title.substr(0, cases[row].shown)) << "row " << row;
    }
}

TEST(SkinWindowTest, MinimiseControlHiddenOnlyWithAnOwner) {
    struct Case {
        bool owner;
        bool minimiseVisible;
        int32_t firstTab; // the control the first Tab highlights
    };
    const Case cases[] = {{false, true, kMinimise}, {true, false, kClose}};
    for (size_t row = 0; row < std::size(cases); ++row) {
        DialogSession session(HostLook::SettingsProgram, L"", cases[row].owner);
        ASSERT_TRUE(session.started()) << "row " << row;
        EXPECT_EQ(session.call<bool>([] { return hostRecord().minimiseVisibleAtStart; }), cases[row].minimiseVisible)
            << "row " << row;
        ASSERT_TRUE(session.post(WM_KEYDOWN, VK_TAB));
        EXPECT_EQ(session.call<int32_t>([] { return highlightedControlId(); }), cases[row].firstTab) << "row " << row;
    }
}

// Tab, Shift+Tab, Enter and Space as real key messages: the dialog manager would move a focus, send IDOK or
// IDCANCEL; instead the host's procedure gets every key as WM_KEYDOWN.
TEST(SkinWindowTest, KeyboardNavigationWithRealKeys) {
    DialogSession session(HostLook::SettingsProgram, L"");
    ASSERT_TRUE(session.started());
    struct Step {
        UINT message;
        UINT key;
        int32_t highlighted; // expected afterwards
    };
    const Step steps[] = {
        {WM_KEYDOWN, VK_TAB, kMinimise},   {WM_KEYDOWN, VK_TAB, kClose},    {WM_KEYDOWN, VK_TAB, kCheckTicked},
        {WM_KEYDOWN, VK_TAB, kCheckPlain}, {WM_KEYDOWN, VK_TAB, kSelector}, {WM_KEYDOWN, VK_TAB, kHelp},
        {WM_KEYDOWN, VK_TAB, kLink},       {WM_KEYDOWN, VK_TAB, kPush},     {WM_KEYDOWN, VK_TAB, kMinimise},
        {WM_KEYDOWN, VK_SHIFT, kMinimise}, {WM_KEYDOWN, VK_TAB, kPush},     {WM_KEYDOWN, VK_TAB, kLink},
        {WM_KEYUP, VK_SHIFT, kLink},       {WM_KEYDOWN, VK_TAB, kPush},
    };
    for (size_t row = 0; row < std::size(steps); ++row) {
        ASSERT_TRUE(session.post(steps[row].message, steps[row].key, 1)) << "step " << row;
        EXPECT_EQ(session.call<int32_t>([] { return highlightedControlId(); }), steps[row].highlighted)
            << "step " << row;
    }
    // The highlighted push button is painted in its highlighted look.
    expectCell(session, kPush, 26, "Tab onto the push button");
    // Enter and Space run the highlighted control's command; the dialog keeps running.
    for (int i = 0; i < 4; ++i)
        ASSERT_TRUE(session.post(WM_KEYDOWN, VK_TAB, 1));
    ASSERT_EQ(session.call<int32_t>([] { return highlightedControlId(); }), kCheckPlain);
    ASSERT_TRUE(session.post(WM_KEYDOWN, VK_RETURN, 1));
    EXPECT_TRUE(session.call<bool>([] { return isControlChecked(kCheckPlain); }));
    ASSERT_TRUE(session.post(WM_KEYDOWN, VK_SPACE, 1));
    EXPECT_FALSE(session.call<bool>([] { return isControlChecked(kCheckPlain); }));
    EXPECT_EQ(session.call<std::vector<int32_t>>([] { return hostRecord().commands; }),
              (std::vector<int32_t>{kCheckPlain, kCheckPlain}));
    const std::vector<UINT> keys = session.call<std::vector<UINT>>([] { return hostRecord().keysDown; });
    EXPECT_EQ(std::count(keys.begin(), keys.end(), UINT(VK_TAB)), 16);
    EXPECT_EQ(std::count(keys.begin(), keys.end(), UINT(VK_RETURN)), 1);
    EXPECT_EQ(session.waitForEnd(0), -2); // still running
    // Esc reaches the host too, which ends the dialog with its own value.
    session.post(WM_KEYDOWN, VK_ESCAPE, 1);
    EXPECT_EQ(session.waitForEnd(), kEndedByEscape);
}

// The mouse over, pressing and clicking a ticked check box: each state shows its own cell.
TEST(SkinWindowTest, MouseStatesPaintTheirCells) {
    for (HostLook look : {HostLook::SettingsProgram, HostLook::ConverterLibrary}) {
        SCOPED_TRACE(look == HostLook::SettingsProgram ? "settings program" : "converter library");
        DialogSession session(look, L"");
        ASSERT_TRUE(session.started());
        ASSERT_TRUE(session.run([] { redrawWindow(kRedrawFace); }));
        expectCell(session, kCheckTicked, 4, "ticked, at rest");
        expectCell(session, kCheckPlain, 1, "plain, at rest");
        ASSERT_TRUE(session.post(WM_MOUSEMOVE, 0, centreOf(kCheckTicked)));
        expectCell(session, kCheckTicked, 5, "ticked, mouse over");
        ASSERT_TRUE(session.post(WM_LBUTTONDOWN, MK_LBUTTON, centreOf(kCheckTicked)));
        expectCell(session, kCheckTicked, 6, "ticked, pressed");
        // Moving over the pressed control keeps it pressed.
        ASSERT_TRUE(session.post(WM_MOUSEMOVE, MK_LBUTTON, centreOf(kCheckTicked)));
        expectCell(session, kCheckTicked, 6, "ticked, pressed, mouse moved over it");
        ASSERT_TRUE(session.post(WM_LBUTTONUP, 0, centreOf(kCheckTicked)));
        EXPECT_FALSE(session.call<bool>([] { return isControlChecked(kCheckTicked); }));
        expectCell(session, kCheckTicked, 2, "clicked: no longer ticked, mouse over");
        ASSERT_TRUE(session.post(WM_MOUSEMOVE, 0, point(300, 300)));
        expectCell(session, kCheckTicked, 1, "mouse gone");
        // Pushing and releasing elsewhere runs no command.
        ASSERT_TRUE(session.post(WM_LBUTTONDOWN, MK_LBUTTON, centreOf(kPush)));
        expectCell(session, kPush, 27, "push button pressed");
        ASSERT_TRUE(session.post(WM_MOUSEMOVE, MK_LBUTTON, point(300, 300)));
        ASSERT_TRUE(session.post(WM_LBUTTONUP, 0, point(300, 300)));
        expectCell(session, kPush, 25, "push button let go elsewhere");
        if (look == HostLook::ConverterLibrary) {
            expectCell(session, kTabFirst, 34, "selected tab");
            ASSERT_TRUE(session.post(WM_LBUTTONDOWN, MK_LBUTTON, centreOf(kTabSecond)));
            ASSERT_TRUE(session.post(WM_LBUTTONUP, 0, centreOf(kTabSecond)));
            expectCell(session, kTabFirst, 31, "tab no longer selected");
            expectCell(session, kTabSecond, 35, "selected tab, mouse over");
        }
        EXPECT_EQ(session.call<std::vector<int32_t>>([] { return hostRecord().commands; }).front(), kCheckTicked);
        // A click on the close control ends the dialog through the host.
        ASSERT_TRUE(session.post(WM_LBUTTONDOWN, MK_LBUTTON, centreOf(kClose)));
        session.post(WM_LBUTTONUP, 0, centreOf(kClose));
        EXPECT_EQ(session.waitForEnd(), 2);
    }
}

TEST(SkinWindowTest, LabelKinds) {
    DialogSession session(HostLook::SettingsProgram, L"");
    ASSERT_TRUE(session.started());
    // Three lines from the top of the rectangle.
    const Ink multi = labelInk(session, kLabelMulti);
    EXPECT_EQ(multi.bands, 3);
    EXPECT_LT(multi.top, labelRect(kLabelMulti).top + 6);
    // A line break in a one-line label: one line.
    session.run([] { setLabelText(kLabelLeft, L"first\nsecond"); });
    EXPECT_EQ(labelInk(session, kLabelLeft).bands, 1);
    // The ampersand is drawn, not taken as a prefix.
    session.run([] { setLabelText(kLabelLeft, L"WW"); });
    const Ink plain = labelInk(session, kLabelLeft);
    session.run([] { setLabelText(kLabelLeft, L"W&W"); });
    const Ink ampersand = labelInk(session, kLabelLeft);
    EXPECT_GT(ampersand.right - ampersand.left, plain.right - plain.left + 4);
    // The heading is one point larger, the bold label heavier, than a left label of the same text.
    session.run([] {
        setLabelText(kLabelLeft, L"Hg Keep");
        setLabelText(kLabelHeading, L"Hg Keep");
        setLabelText(kLabelBold, L"Hg Keep");
    });
    const Ink left = labelInk(session, kLabelLeft);
    const Ink heading = labelInk(session, kLabelHeading);
    const Ink bold = labelInk(session, kLabelBold);
    EXPECT_GT(heading.bottom - heading.top, left.bottom - left.top);
    EXPECT_GT(bold.pixels, left.pixels * 6 / 5);
    // Left-aligned and vertically centred; the centred label sits about the middle of its rectangle.
    const RECT leftRect = labelRect(kLabelLeft);
    EXPECT_LT(left.left, leftRect.left + 3);
    EXPECT_NEAR((left.top + left.bottom) / 2, (leftRect.top + leftRect.bottom) / 2, 3);
    const Ink centred = labelInk(session, kLabelCentred);
    EXPECT_NEAR((centred.left + centred.right) / 2, 256, 3);
    // Kind 6 is never drawn; a hidden label is not drawn.
    EXPECT_EQ(labelInk(session, kLabelOddKind).pixels, 0);
    EXPECT_GT(centred.pixels, 0);
    session.run([] { hideLabel(kLabelCentred); });
    EXPECT_EQ(labelInk(session, kLabelCentred).pixels, 0);
}

// A skin's colours as they appear: 0000FF is a COLORREF, so red.
TEST(SkinWindowTest, SkinColoursAreDrawn) {
    testing_support::TempFolder temp;
    const std::filesystem::path folder = temp.file("red");
    std::filesystem::create_directories(folder);
    std::ofstream(folder / "skin.txt", std::ios::binary) << "D002:2026\r\nD010:0000FF\r\nD020:0000FF\r\n";
    // The skin's own bitmaps: the default ones copied, so that only the colours differ.
    const std::wstring artwork = artworkFolder(HostLook::SettingsProgram);
    std::filesystem::copy_file(artwork + L"background.bmp", folder / "main.bmp");
    std::filesystem::copy_file(artwork + L"buttons.bmp", folder / "button.bmp");
    DialogSession session(HostLook::SettingsProgram, L"red", false, temp.path().wstring() + L"\\");
    ASSERT_TRUE(session.started());
    EXPECT_TRUE(labelInk(session, kLabelLeft).red);
    EXPECT_FALSE(labelInk(session, kLabelBold).red); // the secondary colour stays grey
    const ControlRecord push = hostControls()[size_t(findControlIndex(kPush))];
    const bool captionRed = session.call<bool>([&] {
        const SkinHost& host = skinHost();
        for (int32_t y = push.y; y < push.y + push.height; ++y)
            for (int32_t x = push.x; x < push.x + push.width; ++x) {
                const COLORREF c = GetPixel(host.windowDc, x, y);
                if (GetRValue(c) > 180 && GetGValue(c) < 90 && GetBValue(c) < 90)
                    return true;
            }
        return false;
    });
    EXPECT_TRUE(captionRed);
}

TEST(SkinWindowTest, RedrawFlags) {
    DialogSession session(HostLook::SettingsProgram, L"");
    ASSERT_TRUE(session.started());
    constexpr COLORREF kMark = RGB(0x10, 0xE0, 0x20);
    struct Case {
        int32_t flags;
        bool markOverBackground; // after the redraw, the mark painted at a bare place of the face is still there
        bool markOverControl;    // and the one painted over a control
    };
    const Case cases[] = {{0, true, true},
                          {kRedrawControls, true, false},
                          {kRedrawFace, false, false},
                          {kRedrawFace | kRedrawControls, false, false}};
    const ControlRecord push = hostControls()[size_t(findControlIndex(kPush))];
    for (size_t row = 0; row < std::size(cases); ++row) {
        struct Seen {
            bool background, control, windowShowsBuffer, blitOk;
        };
        const Seen seen = session.call<Seen>([&] {
            const SkinHost& host = skinHost();
            redrawWindow(kRedrawFace);
            ScopedGdiObject<HBRUSH> brush(CreateSolidBrush(kMark));
            RECT bare{300, 300, 310, 310};
            RECT onControl{push.x + 50, push.y + 8, push.x + 60, push.y + 18};
            FillRect(host.backBuffer, &bare, brush.get());
            FillRect(host.backBuffer, &onControl, brush.get());
            Seen s{};
            s.blitOk = redrawWindow(cases[row].flags);
            s.background = GetPixel(host.backBuffer, 305, 305) == kMark;
            s.control = GetPixel(host.backBuffer, push.x + 55, push.y + 13) == kMark;
            s.windowShowsBuffer = GetPixel(host.windowDc, 305, 305) == GetPixel(host.backBuffer, 305, 305) &&
                                  GetPixel(host.windowDc, push.x + 55, push.y + 13) ==
                                      GetPixel(host.backBuffer, push.x + 55, push.y + 13);
            return s;
        });
        EXPECT_TRUE(seen.blitOk) << "row " << row;
        EXPECT_EQ(seen.background, cases[row].markOverBackground) << "row " << row;
        EXPECT_EQ(seen.control, cases[row].markOverControl) << "row " << row;
        EXPECT_TRUE(seen.windowShowsBuffer) << "row " << row;
    }
}

TEST(SkinWindowTest, PopupPlacementOffset) {
    DialogSession session(HostLook::SettingsProgram, L"");
    ASSERT_TRUE(session.started());
    RECT outer{};
    GetWindowRect(session.window(), &outer);
    const POINT placed = session.call<POINT>([] {
        int32_t x = 28, y = 166;
        toScreenOffset(x, y);
        return POINT{x, y};
    });
    // A borderless window: the client area starts at the window's corner, and the popup goes 3 pixels up and left.
    EXPECT_EQ(placed.x, outer.left + 28 - 3);
    EXPECT_EQ(placed.y, outer.top + 166 - 3);
}

// Shows the test host for a screenshot: VELTRIM_SKIN_HOLD_SECONDS and VELTRIM_SKIN_LOOK (see the file's head).
TEST(SkinWindowShow, HoldForScreenshot) {
    const char* hold = std::getenv("VELTRIM_SKIN_HOLD_SECONDS");
    const char* lookName = std::getenv("VELTRIM_SKIN_LOOK");
    if (hold == nullptr || lookName == nullptr)
        GTEST_SKIP() << "VELTRIM_SKIN_HOLD_SECONDS and VELTRIM_SKIN_LOOK are not set";
    const std::string name = lookName;
    const HostLook look = name.rfind("library", 0) == 0 ? HostLook::ConverterLibrary : HostLook::SettingsProgram;
    const bool graphite = name.find("graphite") != std::string::npos;
    DialogSession session(look, graphite ? L"graphite" : L"");
    ASSERT_TRUE(session.started());
    // A state to look at: the push button highlighted by Tab.
    for (int i = 0; i < (look == HostLook::ConverterLibrary ? 9 : 8); ++i)
        session.post(WM_KEYDOWN, VK_TAB, 1);
    session.run([] { redrawWindow(kRedrawFace); });
    Sleep(DWORD(std::atoi(hold)) * 1000);
}
} // namespace
