// Skins, style tables, the label and control tables, the UI font face and the fatal exit, under Wine without a
// running dialog: skin.txt cases of both hosts (format version, colour and offset limits, missing files, the other
// host's prefix letter), the cells cut from the right strip with their colours, the two hosts' tables, hit testing
// on the edges, hover and press, rectangles and captions by id, the font chooser, and fatalExit (13) seen from a
// child process.
#include "buttonStyles.h"
#include "controls.h"
#include "labels.h"
#include "messageBox.h"
#include "scopedWin.h"
#include "skinHost.h"
#include "skinTestHost.h"
#include "skinnedDialog.h"
#include "testFiles.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <set>
#include <string>
#include <vector>

using namespace skin_test;

namespace {
constexpr COLORREF kSkinStripColour = RGB(0xFF, 0x00, 0xFF);
constexpr COLORREF kSkinBackgroundColour = RGB(0x12, 0x34, 0x56);

void writeText(const std::filesystem::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

// Whether every style's cut bitmap shows the skin's solid strip (true) or the look's default strip (false); any
// other mix fails the test. The default strip is compared at the cell's centre.
bool stylesFromSkinStrip(HostLook look) {
    ScopedGdiObject<HBITMAP> defaults(loadBitmapFile(artworkFolder(look) + L"buttons.bmp"));
    int fromSkin = 0, fromDefault = 0, rows = 0;
    for (const ButtonStyle* row = skinHost().buttonStyles; row->styleId != 0; ++row, ++rows) {
        const COLORREF cut = bitmapPixel(row->bitmap, row->width / 2, row->height / 2);
        fromSkin += cut == kSkinStripColour ? 1 : 0;
        fromDefault += cut == bitmapPixel(defaults.get(), row->srcX + row->width / 2, row->srcY + row->height / 2);
    }
    EXPECT_TRUE(fromSkin == rows || fromDefault == rows) << fromSkin << " skin and " << fromDefault << " default cells";
    return fromSkin == rows;
}

// The background's pixel as drawBackground paints it, through a back buffer of the test's own.
COLORREF backgroundPixel(int32_t x, int32_t y) {
    ScopedWindowDC screen(nullptr);
    ScopedCreatedDC buffer(CreateCompatibleDC(screen.get()));
    ScopedGdiObject<HBITMAP> bitmap(
        CreateCompatibleBitmap(screen.get(), skinHost().windowWidth, skinHost().windowHeight));
    ScopedSelectObject selection(buffer.get(), bitmap.get());
    skinHost().backBuffer = buffer.get();
    drawBackground();
    const COLORREF pixel = GetPixel(buffer.get(), x, y);
    skinHost().backBuffer = nullptr;
    return pixel;
}

class SkinLoadingTest : public ::testing::Test {
protected:
    void TearDown() override {
        freeButtonStyleBitmaps();
        freeBackgroundBitmap();
    }
    testing_support::TempFolder temp_;
};

TEST_F(SkinLoadingTest, SkinTextCases) {
    struct Case {
        const char* name;
        HostLook look;
        const char* skinText; // null: no skin.txt
        bool buttonBitmap;    // the skin folder has button.bmp (a solid strip)
        bool mainBitmap;      // and main.bmp (a solid background)
        bool stripFromSkin;
        bool backgroundFromSkin;
        COLORREF primary, secondary;
        struct StyleExpect {
            int32_t styleId;
            COLORREF colour;
            int32_t offsetX, offsetY;
        } styles[3];
    };
    constexpr COLORREF kGrey = kDefaultTextColour;
    const Case cases[] = {
        {"format 2025",
         HostLook::SettingsProgram,
         "D001:Old\r\nD002:2025\r\nD010:0000FF\r\nD020:00FF00\r\n",
         true,
         true,
         false,
         false,
         kGrey,
         kGrey,
         {{25, kGrey, 0, 0}, {13, kGrey, 0, 0}, {26, kGrey, 0, 0}}},
        {"format 2026, every entry",
         HostLook::SettingsProgram,
         "D001:Full\r\nD002:2026\r\nD010:0000FF\r\nD011:00FF00\r\nD020:112233\r\nD021:445566\r\nD022:778899\r\n"
         "D025:A\r\nD026:-A\r\nD027:B\r\nD028:3\r\nD050:ABCDEF\r\n",
         true,
         true,
         true,
         true,
         0x0000FF,
         0x00FF00,
         {{25, 0x112233, 0, 0}, {26, 0x445566, 10, -10}, {27, 0x778899, 0, 3}}},
        {"the secondary colour also colours the link",
         HostLook::SettingsProgram,
         "D002:2026\r\nD011:00FF00\r\nD050:ABCDEF\r\n",
         true,
         true,
         true,
         true,
         kGrey,
         0x00FF00,
         {{13, 0x00FF00, 0, 0}, {15, 0x00FF00, 0, 0}, {37, 0xABCDEF, 0, 0}}},
        {"hex 1000000: label grey, style black",
         HostLook::SettingsProgram,
         "D002:2026\r\nD010:1000000\r\nD011:FFFFFF\r\nD020:1000000\r\nD021:FFFFFF\r\n",
         true,
         true,
         true,
         true,
         kGrey,
         0xFFFFFF,
         {{25, 0, 0, 0}, {26, 0xFFFFFF, 0, 0}, {27, kGrey, 0, 0}}},
        {"negative colours",
         HostLook::SettingsProgram,
         "D002:2026\r\nD010:-1\r\nD020:-1\r\n",
         true,
         true,
         true,
         true,
         kGrey,
         kGrey,
         {{25, 0, 0, 0}, {26, kGrey, 0, 0}, {27, kGrey, 0, 0}}},
        {"empty and out-of-range offsets",
         HostLook::SettingsProgram,
         "D002:2026\r\nD025:\r\nD026:-B\r\nD027:7FFFFFFF\r\nD028:-3\r\n",
         true,
         true,
         true,
         true,
         kGrey,
         kGrey,
         {{26, kGrey, 0, 0}, {27, kGrey, 0, -3}, {25, kGrey, 0, 0}}},
        {"button.bmp missing",
         HostLook::SettingsProgram,
         "D002:2026\r\nD010:0000FF\r\nD020:112233\r\nD025:2\r\n",
         false,
         true,
         false,
         true,
         0x0000FF,
         kGrey,
         {{25, 0x112233, 0, 0}, {26, kGrey, 2, 0}, {13, kGrey, 0, 0}}},
        {"main.bmp missing",
         HostLook::SettingsProgram,
         "D002:2026\r\n",
         true,
         false,
         true,
         false,
         kGrey,
         kGrey,
         {{25, kGrey, 0, 0}, {13, kGrey, 0, 0}, {26, kGrey, 0, 0}}},
        {"only the other host's lines",
         HostLook::SettingsProgram,
         "M002:2026\r\nM010:0000FF\r\nM020:112233\r\n",
         true,
         true,
         false,
         false,
         kGrey,
         kGrey,
         {{25, kGrey, 0, 0}, {13, kGrey, 0, 0}, {26, kGrey, 0, 0}}},
        {"the other host's lines among ours",
         HostLook::SettingsProgram,
         "D002:2026\r\nM010:0000FF\r\nM020:112233\r\nD021:445566\r\n",
         true,
         true,
         true,
         true,
         kGrey,
         kGrey,
         {{25, kGrey, 0, 0}, {26, 0x445566, 0, 0}, {13, kGrey, 0, 0}}},
        {"no skin.txt",
         HostLook::SettingsProgram,
         nullptr,
         true,
         true,
         false,
         false,
         kGrey,
         kGrey,
         {{25, kGrey, 0, 0}, {13, kGrey, 0, 0}, {26, kGrey, 0, 0}}},
        {"library: tab groups",
         HostLook::ConverterLibrary,
         "M002:2026\r\nM030:0000FF\r\nM036:4\r\nM040:00FF00\r\nM045:-2\r\nM048:1\r\nD040:112233\r\n",
         true,
         true,
         true,
         true,
         kGrey,
         kGrey,
         {{31, 0x0000FF, 0, 0}, {32, kGrey, 0, 4}, {34, 0x00FF00, 0, 0}}},
        {"library: selected tab offsets",
         HostLook::ConverterLibrary,
         "M002:2026\r\nM045:-2\r\nM048:1\r\n",
         true,
         true,
         true,
         true,
         kGrey,
         kGrey,
         {{35, kGrey, -2, 0}, {36, kGrey, 0, 1}, {34, kGrey, 0, 0}}},
    };
    for (size_t row = 0; row < std::size(cases); ++row) {
        const Case& c = cases[row];
        SCOPED_TRACE(testing::Message() << "row " << row << ": " << c.name);
        const std::string name = "skin" + std::to_string(row);
        const std::filesystem::path folder = temp_.file(name);
        std::filesystem::create_directories(folder);
        if (c.skinText != nullptr)
            writeText(folder / "skin.txt", c.skinText);
        if (c.buttonBitmap)
            writeSolidBitmap((folder / "button.bmp").wstring(), 900, 80, kSkinStripColour);
        if (c.mainBitmap)
            writeSolidBitmap((folder / "main.bmp").wstring(), 512, 489, kSkinBackgroundColour);
        configureHost(c.look, std::wstring(name.begin(), name.end()), temp_.path().wstring() + L"\\");
        loadButtonSkin();
        loadBackgroundBitmap();
        EXPECT_EQ(stylesFromSkinStrip(c.look), c.stripFromSkin);
        EXPECT_EQ(backgroundPixel(100, 100) == kSkinBackgroundColour, c.backgroundFromSkin);
        EXPECT_EQ(primaryTextColour(), c.primary);
        EXPECT_EQ(secondaryTextColour(), c.secondary);
        for (const auto& style : c.styles) {
            const ButtonStyle* found = styleRow(style.styleId);
            ASSERT_NE(found, nullptr) << "style " << style.styleId;
            EXPECT_EQ(found->textColour, style.colour) << "style " << style.styleId;
            EXPECT_EQ(found->textOffsetX, style.offsetX) << "style " << style.styleId;
            EXPECT_EQ(found->textOffsetY, style.offsetY) << "style " << style.styleId;
        }
    }
}

TEST_F(SkinLoadingTest, NoSkinNameOrMissingFolderGivesTheDefaults) {
    for (const wchar_t* name : {L"", L"no such skin"}) {
        SCOPED_TRACE(testing::Message() << "skin name \"" << std::string(name, name + wcslen(name)) << "\"");
        configureHost(HostLook::SettingsProgram, name);
        setButtonStyleColour(25, 0x123456);
        loadButtonSkin();
        loadBackgroundBitmap();
        EXPECT_FALSE(stylesFromSkinStrip(HostLook::SettingsProgram));
        EXPECT_EQ(styleRow(25)->textColour, kDefaultTextColour); // the reset comes first
    }
}

TEST_F(SkinLoadingTest, ShippedFurtherSkinsLoad) {
    for (HostLook look : {HostLook::SettingsProgram, HostLook::ConverterLibrary}) {
        configureHost(look, L"graphite");
        loadButtonSkin();
        loadBackgroundBitmap();
        // Light captions on the dark skin: every group entry was read.
        EXPECT_EQ(primaryTextColour(), RGB(0xE6, 0xE9, 0xEE));
        EXPECT_EQ(styleRow(25)->textColour, RGB(0xE6, 0xE9, 0xEE));
        EXPECT_EQ(styleRow(27)->textOffsetX, 1);
        EXPECT_EQ(styleRow(38)->textColour, RGB(0xFF, 0xFF, 0xFF));
        ScopedGdiObject<HBITMAP> strip(loadBitmapFile(artworkFolder(look) + L"skins\\graphite\\button.bmp"));
        ASSERT_NE(strip.get(), nullptr);
        const ButtonStyle* push = styleRow(25);
        EXPECT_EQ(bitmapPixel(push->bitmap, 60, 13), bitmapPixel(strip.get(), push->srcX + 60, push->srcY + 13));
    }
}

// The cells keep their colours: cut compatible with the DC that holds the strip, not with a fresh memory DC (which
// would give one bit per pixel, so black and white cells).
TEST_F(SkinLoadingTest, CutCellsKeepTheStripColours) {
    configureHost(HostLook::ConverterLibrary, L"");
    loadButtonSkin();
    ScopedGdiObject<HBITMAP> strip(loadBitmapFile(artworkFolder(HostLook::ConverterLibrary) + L"buttons.bmp"));
    std::set<COLORREF> colours;
    for (const ButtonStyle* row = skinHost().buttonStyles; row->styleId != 0; ++row) {
        BITMAP info{};
        ASSERT_NE(GetObjectW(row->bitmap, sizeof(info), &info), 0) << "style " << row->styleId;
        EXPECT_GT(info.bmBitsPixel, 1) << "style " << row->styleId;
        EXPECT_EQ(info.bmWidth, row->width);
        EXPECT_EQ(info.bmHeight, row->height);
        for (int32_t y = 0; y < row->height; y += 3)
            for (int32_t x = 0; x < row->width; x += 3) {
                const COLORREF cut = bitmapPixel(row->bitmap, x, y);
                ASSERT_EQ(cut, bitmapPixel(strip.get(), row->srcX + x, row->srcY + y))
                    << "style " << row->styleId << " at " << x << "," << y;
                colours.insert(cut);
            }
    }
    EXPECT_GT(colours.size(), 20u);
}

TEST(ButtonStyleTablesTest, HostTablesAndStrips) {
    struct Case {
        HostLook look;
        const ButtonStyle* table;
        size_t rows;
        std::vector<int32_t> order;
    };
    const Case cases[] = {
        {HostLook::SettingsProgram,
         kSettingsProgramButtonStyles.data(),
         kSettingsProgramButtonStyles.size(),
         {16, 17, 18, 19, 20, 21, 1,  2,  3,  4,  5,  6,  7,  8,  9, 10,
          11, 12, 25, 26, 27, 37, 38, 39, 13, 14, 15, 22, 23, 24, 0}},
        {HostLook::ConverterLibrary,
         kConverterLibraryButtonStyles.data(),
         kConverterLibraryButtonStyles.size(),
         {16, 17, 18, 19, 20, 21, 1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11,
          12, 25, 26, 27, 31, 32, 33, 34, 35, 36, 37, 38, 39, 13, 14, 15, 0}},
    };
    for (size_t row = 0; row < std::size(cases); ++row) {
        const Case& c = cases[row];
        ASSERT_EQ(c.rows, c.order.size()) << "row " << row;
        ScopedGdiObject<HBITMAP> strip(loadBitmapFile(artworkFolder(c.look) + L"buttons.bmp"));
        BITMAP info{};
        ASSERT_NE(GetObjectW(strip.get(), sizeof(info), &info), 0) << "row " << row;
        for (size_t i = 0; i < c.rows; ++i) {
            const ButtonStyle& style = c.table[i];
            EXPECT_EQ(style.styleId, c.order[i]) << "row " << row << " style row " << i;
            EXPECT_EQ(style.textColour, kDefaultTextColour);
            EXPECT_EQ(style.bitmap, nullptr);
            // Every cell lies inside the default strip.
            EXPECT_LE(style.srcX + style.width, info.bmWidth) << "row " << row << " style " << style.styleId;
            EXPECT_LE(style.srcY + style.height, info.bmHeight) << "row " << row << " style " << style.styleId;
        }
    }
}

TEST(ButtonStyleTablesTest, FindAndSetByStyleId) {
    configureHost(HostLook::SettingsProgram, L"");
    EXPECT_EQ(findButtonStyle(16), 0);
    EXPECT_EQ(findButtonStyle(24), 29);
    EXPECT_EQ(findButtonStyle(31), -1); // a tab: not in the settings program's table
    EXPECT_EQ(findButtonStyle(0), -1);
    struct Case {
        uint32_t colour;
        COLORREF stored;
    };
    const Case colours[] = {{0, 0}, {0xFFFFFF, 0xFFFFFF}, {0x1000000, 0}, {0xFFFFFFFF, 0}, {0x0000FF, 0x0000FF}};
    for (size_t row = 0; row < std::size(colours); ++row) {
        setButtonStyleColour(26, colours[row].colour);
        EXPECT_EQ(styleRow(26)->textColour, colours[row].stored) << "row " << row;
    }
    struct OffsetCase {
        int32_t axis, value, x, y;
    };
    const OffsetCase offsets[] = {{0, 10, 10, 0}, {1, -10, 10, -10}, {0, 11, 0, -10}, {1, -11, 0, 0},
                                  {2, 5, 0, 0},   {-1, 5, 0, 0},     {1, 3, 0, 3}};
    for (size_t row = 0; row < std::size(offsets); ++row) {
        setButtonStyleTextOffset(27, offsets[row].axis, offsets[row].value);
        EXPECT_EQ(styleRow(27)->textOffsetX, offsets[row].x) << "row " << row;
        EXPECT_EQ(styleRow(27)->textOffsetY, offsets[row].y) << "row " << row;
    }
    setButtonStyleColour(99, 0x123456); // not in the table: nothing
    setButtonStyleTextOffset(99, 0, 3);
}

// A table of the test's own: a hidden control over a visible one, and controls meeting at an edge.
class ControlTableTest : public ::testing::Test {
protected:
    void SetUp() override {
        configureHost(HostLook::SettingsProgram, L"");
        controls_ = {
            newControlRecord(ControlKind::PushButton, 10, 10, 10, 50, 50, 0, L"hidden"),
            newControlRecord(ControlKind::PushButton, 11, 30, 30, 50, 50, ControlFlags::Visible, L"below"),
            newControlRecord(ControlKind::PushButton, 12, 80, 30, 20, 20, ControlFlags::Visible, L"touching"),
            newControlRecord(ControlKind::CheckBox, 13, 200, 200, 20, 20, ControlFlags::Visible, L""),
            controlTableEnd(),
        };
        skinHost().controls = controls_.data();
    }
    const ControlRecord& control(int32_t id) { return controls_[size_t(findControlIndex(id))]; }
    std::vector<ControlRecord> controls_;
};

TEST_F(ControlTableTest, HitTesting) {
    struct Case {
        int32_t x, y, id;
    };
    const Case cases[] = {
        {30, 30, 11},   {80, 80, 11},   {81, 80, -1},   {80, 81, -1},  {29, 30, -1}, // both ends included
        {15, 15, -1},   {35, 35, 11},                                                // hidden: the visible one below
        {80, 30, 11},   {81, 30, 12},   {100, 50, 12},  {101, 50, -1},               // touching: first in table order
        {200, 200, 13}, {220, 220, 13}, {221, 220, -1}, {-1, -1, -1},
    };
    for (size_t row = 0; row < std::size(cases); ++row)
        EXPECT_EQ(hitTestControl(cases[row].x, cases[row].y), cases[row].id) << "row " << row;
    EXPECT_EQ(countControls(), 4);
    EXPECT_EQ(findControlIndex(13), 3);
    EXPECT_EQ(findControlIndex(99), -1);
}

TEST_F(ControlTableTest, HoverPressRelease) {
    struct Step {
        char action; // h hover, p press, r release
        int32_t id;
        int32_t flags11, flags12; // expected Highlighted / Pressed bits of controls 11 and 12 afterwards
    };
    constexpr int32_t H = ControlFlags::Highlighted, P = ControlFlags::Pressed;
    const Step steps[] = {
        {'h', 11, H, 0}, {'h', 12, 0, H}, {'p', 12, 0, P}, {'h', 12, 0, P}, // hover on a pressed control
        {'h', 11, H, 0},                                                    // hover elsewhere drops the press
        {'p', 11, P, 0}, {'r', 11, H, 0}, {'p', 12, 0, P}, {'r', 99, 0, 0}, {'h', -1, 0, 0}, {'p', 99, 0, 0},
    };
    for (size_t row = 0; row < std::size(steps); ++row) {
        const Step& s = steps[row];
        if (s.action == 'h')
            hoverControl(s.id);
        else if (s.action == 'p')
            pressControl(s.id);
        else
            releaseControl(s.id);
        EXPECT_EQ(control(11).flags & (H | P), s.flags11) << "step " << row;
        EXPECT_EQ(control(12).flags & (H | P), s.flags12) << "step " << row;
    }
    EXPECT_EQ(highlightedControlId(), -1);
    hoverControl(10); // hidden: highlighted, but highlightedControlId only sees visible ones
    EXPECT_EQ(highlightedControlId(), -1);
    hoverControl(13);
    EXPECT_EQ(highlightedControlId(), 13);
}

TEST_F(ControlTableTest, ChecksVisibilityCaptionsAndRectangles) {
    EXPECT_FALSE(isControlChecked(13));
    toggleControlChecked(13);
    EXPECT_TRUE(isControlChecked(13));
    uncheckControl(13);
    EXPECT_FALSE(isControlChecked(13));
    setControlChecked(13, true);
    EXPECT_TRUE(isControlChecked(13));
    EXPECT_FALSE(isControlChecked(99));
    hideControl(11);
    EXPECT_EQ(control(11).flags & ControlFlags::Visible, 0);
    setControlVisible(11, true);
    EXPECT_NE(control(11).flags & ControlFlags::Visible, 0);

    EXPECT_EQ(setControlCaption(11, L"new"), L"new");
    EXPECT_EQ(control(11).caption, L"new");
    EXPECT_EQ(setControlCaption(99, L"lost"), L"");

    struct Case {
        int32_t x, y, width, height;
        RECT expected; // x, y, width, height as left, top, right, bottom
    };
    const Case cases[] = {
        {-1, -1, 200, -1, {30, 30, 200, 50}},
        {5, -1, -1, -1, {5, 30, 200, 50}},
        {-1, 0, -1, 0, {5, 0, 200, 0}},
        {-7, -7, -7, -7, {5, 0, 200, 0}},
    };
    for (size_t row = 0; row < std::size(cases); ++row) {
        const Case& c = cases[row];
        setControlRect(11, c.x, c.y, c.width, c.height);
        const ControlRecord& r = control(11);
        EXPECT_EQ(r.x, c.expected.left) << "row " << row;
        EXPECT_EQ(r.y, c.expected.top) << "row " << row;
        EXPECT_EQ(r.width, c.expected.right) << "row " << row;
        EXPECT_EQ(r.height, c.expected.bottom) << "row " << row;
    }
    setControlX(12, 90);
    setControlY(12, 95);
    EXPECT_EQ(control(12).x, 90);
    EXPECT_EQ(control(12).y, 95);
    EXPECT_EQ(control(12).width, 20);
}

// Tab order on the table alone; the window test sends the same keys through the message queue.
TEST_F(ControlTableTest, TabOrderWraps) {
    struct Step {
        bool forward;
        int32_t highlighted;
    };
    const Step steps[] = {{true, 11},  {true, 12},  {true, 13},  {true, 11},
                          {false, 13}, {false, 12}, {false, 11}, {false, 13}};
    for (size_t row = 0; row < std::size(steps); ++row) {
        if (steps[row].forward)
            focusNextControl();
        else
            focusPreviousControl();
        EXPECT_EQ(highlightedControlId(), steps[row].highlighted) << "step " << row;
    }
    hoverControl(-1);
    focusPreviousControl(); // nothing highlighted: the first visible control, either way
    EXPECT_EQ(highlightedControlId(), 11);
}

// Which style a control draws with: its state, its check mark, and kinds whose styles the host's table lacks.
TEST(ControlStyleTest, StyleOfEachState) {
    struct Case {
        HostLook look;
        int32_t kind;
        int32_t flags;
        int32_t styleId; // 0: draws nothing
    };
    constexpr int32_t H = ControlFlags::Highlighted, P = ControlFlags::Pressed, C = ControlFlags::Checked;
    const Case cases[] = {
        {HostLook::SettingsProgram, 3, 0, 1},        {HostLook::SettingsProgram, 3, H, 2},
        {HostLook::SettingsProgram, 3, P, 3},        {HostLook::SettingsProgram, 3, H | P, 2}, // highlight wins
        {HostLook::SettingsProgram, 3, C, 4},        {HostLook::SettingsProgram, 3, C | H, 5},
        {HostLook::SettingsProgram, 3, C | P, 6},    {HostLook::SettingsProgram, 4, C | H, 11},
        {HostLook::SettingsProgram, 1, C | P, 27},   {HostLook::SettingsProgram, 5, H, 14},
        {HostLook::SettingsProgram, 6, 0, 16},       {HostLook::SettingsProgram, 7, P, 21},
        {HostLook::SettingsProgram, 9, H, 23},       {HostLook::SettingsProgram, 11, P, 39},
        {HostLook::SettingsProgram, 10, 0, 0},       {HostLook::SettingsProgram, 2, 0, 0},
        {HostLook::SettingsProgram, 8, 0, 0},        {HostLook::SettingsProgram, 99, 0, 0},
        {HostLook::ConverterLibrary, 10, 0, 31},     {HostLook::ConverterLibrary, 10, C | H, 35},
        {HostLook::ConverterLibrary, 10, C | P, 36}, {HostLook::ConverterLibrary, 9, 0, 0},
    };
    for (size_t row = 0; row < std::size(cases); ++row) {
        const Case& c = cases[row];
        configureHost(c.look, L"");
        const ControlRecord control = newControlRecord(c.kind, 1, 0, 0, 10, 10, ControlFlags::Visible | c.flags, L"");
        const int32_t styleRowIndex = controlStyleRow(control);
        if (c.styleId == 0) {
            EXPECT_EQ(styleRowIndex, -1) << "row " << row;
        } else {
            ASSERT_GE(styleRowIndex, 0) << "row " << row;
            EXPECT_EQ(skinHost().buttonStyles[styleRowIndex].styleId, c.styleId) << "row " << row;
        }
    }
}

TEST(LabelTableTest, OperationsById) {
    configureHost(HostLook::SettingsProgram, L"");
    const LabelRecord& left = hostLabels()[1];
    ASSERT_EQ(left.id, kLabelLeft);
    EXPECT_EQ(setLabelText(kLabelLeft, L"changed"), L"changed");
    EXPECT_EQ(left.caption, L"changed");
    EXPECT_EQ(setLabelText(999, L"lost"), L"");
    const int32_t x = left.x, width = left.width, height = left.height;
    setLabelRect(kLabelLeft, -1, 40, -1, -1);
    EXPECT_EQ(left.y, 40);
    EXPECT_EQ(left.x, x);
    EXPECT_EQ(left.width, width);
    EXPECT_EQ(left.height, height);
    setLabelX(kLabelLeft, 7);
    setLabelY(kLabelLeft, 9);
    EXPECT_EQ(left.x, 7);
    EXPECT_EQ(left.y, 9);
    hideLabel(kLabelLeft);
    EXPECT_EQ(left.flags & ControlFlags::Visible, 0);
    setLabelVisible(kLabelLeft, true);
    EXPECT_NE(left.flags & ControlFlags::Visible, 0);
    setLabelVisible(999, false); // nothing
    LabelRecord record = newControlRecord(LabelKind::LabelLeft, 1, 0, 0, 1, 1, 0, L"text");
    destroyControlRecord(record);
    EXPECT_TRUE(record.caption.empty());
}

TEST(UiFontTest, TahomaWithoutSegoeUi) {
    // The test prefix has Wine's Tahoma and no "Segoe UI".
    EXPECT_FALSE(isFontInstalled(L"Segoe UI"));
    EXPECT_TRUE(isFontInstalled(L"Tahoma"));
    EXPECT_FALSE(isFontInstalled(L"No Such Face At All"));
    EXPECT_EQ(chooseUiFontFace(), L"Tahoma");
    EXPECT_EQ(chooseUiFontFace(), L"Tahoma");
    EXPECT_EQ(baseFontPointSize(), 9);
    EXPECT_EQ(maxFontPointSize(), 14);
    EXPECT_EQ(minFontPointSize(), 6);
}

TEST(UiFontTest, HeightFollowsTheTextScale) {
    ScopedWindowDC screen(nullptr);
    const int dpi = GetDeviceCaps(screen.get(), LOGPIXELSY);
    for (int32_t scale : {75, 100, 125}) {
        EXPECT_EQ(uiFontHeight(screen.get(), scale), -MulDiv(9 * scale, dpi, 7200)) << "scale " << scale;
    }
    if (dpi == 96) {
        EXPECT_EQ(uiFontHeight(screen.get(), 100), -12);
    }
}

// The child's half of the fatal exit test: runs the dialog to its end, then fatalExit (13) with a message box hook
// that writes what it was asked into the file the parent named.
std::wstring gFatalRecordPath;
int recordFatalBox(HWND owner, const std::wstring& text, const std::wstring& caption, UINT flags) {
    std::wstring line =
        text + L"|" + caption + L"|" + std::to_wstring(flags) + L"|" + (owner == nullptr ? L"none" : L"owner");
    ScopedHandle out(CreateFileW(gFatalRecordPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    DWORD written = 0;
    WriteFile(out.get(), line.data(), DWORD(line.size() * sizeof(wchar_t)), &written, nullptr);
    return IDOK;
}

TEST(FatalExitChild, DISABLED_AfterTheDialogEnded) {
    wchar_t path[MAX_PATH] = {};
    GetEnvironmentVariableW(L"VELTRIM_FATAL_RECORD", path, MAX_PATH);
    gFatalRecordPath = path;
    setMessageBoxHook(recordFatalBox);
    {
        DialogSession session(HostLook::ConverterLibrary, L"");
        ASSERT_TRUE(session.started());
        session.post(WM_KEYDOWN, VK_ESCAPE);
        ASSERT_EQ(session.waitForEnd(), kEndedByEscape);
    }
    // The dialog has ended and released its window: fatalExit must not end a dialog that is gone.
    ASSERT_EQ(skinHost().mainWindow, nullptr);
    fatalExit(kExitDrawing);
}

TEST(FatalExitTest, ExitCodeAndMessageFromAChildProcess) {
    testing_support::TempFolder temp;
    const std::wstring record = temp.file("fatal.txt").wstring();
    SetEnvironmentVariableW(L"VELTRIM_FATAL_RECORD", record.c_str());
    wchar_t program[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, program, MAX_PATH);
    std::wstring commandLine =
        std::wstring(L"\"") + program +
        L"\" --gtest_also_run_disabled_tests --gtest_filter=FatalExitChild.DISABLED_AfterTheDialogEnded";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    ASSERT_TRUE(
        CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process));
    ScopedHandle processHandle(process.hProcess);
    ScopedHandle threadHandle(process.hThread);
    ASSERT_EQ(WaitForSingleObject(process.hProcess, 60000), WAIT_OBJECT_0);
    DWORD exitCode = 0;
    GetExitCodeProcess(process.hProcess, &exitCode);
    EXPECT_EQ(exitCode, 13u);
    const std::string bytes = testing_support::readFileBytes(temp.file("fatal.txt"));
    const std::wstring line(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / sizeof(wchar_t));
    EXPECT_EQ(line, L"Veltrim Sembrik is not properly installed.|Veltrim Sembrik|" + std::to_wstring(MB_ICONERROR) +
                        L"|none");
}
} // namespace
