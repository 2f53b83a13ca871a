// Skins: the host's button style table (each style one cell of the button strip, cut into a bitmap of its own, with
// a caption colour and offset), the two label colours, the window background and the window icons. A skin is a
// folder with skin.txt, main.bmp and button.bmp; a missing skin, one of another format version or a missing bitmap
// falls back to the host's default artwork. Only a missing default bitmap, or a DC or bitmap that cannot be made,
// ends the process (fatalExit (13)). Dialog thread only.
#pragma once

#include "buttonStyleCells.h"

#include <windows.h>

#include <array>
#include <cstddef>
#include <cstdint>

// The caption colour and the label colours after a reset.
constexpr COLORREF kDefaultTextColour = 0x444444;

// One row of a host's style table; a style id of 0 ends the table.
struct ButtonStyle {
    int32_t styleId = 0;
    int32_t srcX = 0; // the cell in the button strip, pixels
    int32_t srcY = 0;
    int32_t width = 0;
    int32_t height = 0;
    int32_t textOffsetX = 0; // -10 to 10, added to a caption's rectangle
    int32_t textOffsetY = 0;
    HBITMAP bitmap = nullptr;                 // the cut-out cell; owned by the table (freeButtonStyleBitmaps)
    COLORREF textColour = kDefaultTextColour; // 0x00BBGGRR
};

template <size_t N>
constexpr std::array<ButtonStyle, N> buttonStylesFromCells(const std::array<ButtonStyleCell, N>& cells) {
    std::array<ButtonStyle, N> styles{};
    for (size_t i = 0; i < N; ++i) {
        styles[i].styleId = cells[i].styleId;
        styles[i].srcX = cells[i].srcX;
        styles[i].srcY = cells[i].srcY;
        styles[i].width = cells[i].width;
        styles[i].height = cells[i].height;
    }
    return styles;
}

// The two hosts' tables as they start. A host copies its table into a global of its own and hands that to the
// framework (SkinHost::buttonStyles), since loading a skin writes bitmaps, colours and offsets into the rows.
inline constexpr auto kSettingsProgramButtonStyles = buttonStylesFromCells(kSettingsProgramStyleCells);
inline constexpr auto kConverterLibraryButtonStyles = buttonStylesFromCells(kConverterLibraryStyleCells);

// The row index of the first row with that style id, -1 when there is none.
int32_t findButtonStyle(int32_t styleId);
// The first matching row's caption colour; 0x1000000 and above (taken unsigned) becomes 0.
void setButtonStyleColour(int32_t styleId, uint32_t colour);
// Axis 0 sets textOffsetX, axis 1 textOffsetY; a value outside -10..10 becomes 0; any other axis changes nothing.
void setButtonStyleTextOffset(int32_t styleId, int32_t axis, int32_t value);

// The label colours (0x444444 after a reset).
COLORREF primaryTextColour();
COLORREF secondaryTextColour();

// Reads the skin's colours and offsets into the style table and cuts every style's bitmap out of the skin's strip
// (or the default strip).
void loadButtonSkin();
// Loads the skin's background (or the default one), replacing the previous.
void loadBackgroundBitmap();
// Paints the background into the back buffer.
void drawBackground();
// Loads the host's icon file at the large and small icon sizes and gives them to the main window.
void loadWindowIcons();

void freeButtonStyleBitmaps();
void freeBackgroundBitmap();
// Whether a background is loaded (between loadBackgroundBitmap and freeBackgroundBitmap).
bool hasBackgroundBitmap();
// Destroys the icons loadWindowIcons kept (after the window has gone).
void freeWindowIcons();
