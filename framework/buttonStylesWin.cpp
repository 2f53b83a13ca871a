// Skin loading: skin.txt's colours and offsets, the button strip cut into style bitmaps, the background and the
// window icons. See buttonStyles.h.
#include "buttonStyles.h"

#include "scopedWin.h"
#include "settingsFiles.h"
#include "skinHost.h"

#include <cwchar>

namespace {
// The label colours and the background. Dialog thread only.
COLORREF gPrimaryTextColour = kDefaultTextColour;
COLORREF gSecondaryTextColour = kDefaultTextColour;
ScopedGdiObject<HBITMAP> gBackground;
// The icons handed to the main window; WM_SETICON does not take them over. Dialog thread only.
ScopedIcon gBigIcon;
ScopedIcon gSmallIcon;

constexpr uint32_t kColourLimit = 0x1000000; // the first value that is no COLORREF of a plain colour
constexpr int32_t kOffsetLimit = 10;

// A skin's entries when its skin.txt could be read; empty otherwise (no skin name, or no entries).
NumberedStringMap readSkinEntries() {
    const SkinHost& host = skinHost();
    NumberedStringMap entries;
    if (!host.skinName.empty())
        loadNumberedStrings(entries, host.skinFolder + host.skinName + L"\\skin.txt", 3, host.skinPrefix, L':');
    return entries;
}

// The entry's text; null when it is absent or empty.
const wchar_t* entryText(const NumberedStringMap& entries, int32_t number) {
    const auto found = entries.find(number);
    if (found == entries.end() || found->second.empty())
        return nullptr;
    return found->second.c_str();
}

bool isCurrentFormat(const NumberedStringMap& entries) {
    const wchar_t* text = entryText(entries, kSkinFormatEntry);
    return text != nullptr && std::wcstol(text, nullptr, 10) == kSkinFormatVersion;
}

// A label colour entry: hexadecimal; absent, empty, or above 0xFFFFFF taken unsigned gives the default.
COLORREF labelColour(const NumberedStringMap& entries, int32_t number) {
    const wchar_t* text = entryText(entries, number);
    if (text == nullptr)
        return kDefaultTextColour;
    const auto value = static_cast<uint32_t>(std::wcstol(text, nullptr, 16));
    return value >= kColourLimit ? kDefaultTextColour : value;
}

void applySkinGroups(const NumberedStringMap& entries) {
    for (const SkinGroup& group : skinHost().skinGroups) {
        for (int32_t k = 0; k < 3; ++k)
            if (const wchar_t* text = entryText(entries, group.baseEntry + k))
                setButtonStyleColour(group.firstStyle + k, static_cast<uint32_t>(std::wcstol(text, nullptr, 16)));
        // B+5, B+6: style S+1 x, y; B+7, B+8: style S+2 x, y.
        for (int32_t k = 0; k < 4; ++k)
            if (const wchar_t* text = entryText(entries, group.baseEntry + 5 + k))
                setButtonStyleTextOffset(group.firstStyle + 1 + k / 2, k % 2,
                                         static_cast<int32_t>(std::wcstol(text, nullptr, 16)));
    }
}

void resetButtonStyles() {
    gPrimaryTextColour = kDefaultTextColour;
    gSecondaryTextColour = kDefaultTextColour;
    for (ButtonStyle* row = skinHost().buttonStyles; row != nullptr && row->styleId != 0; ++row) {
        row->textColour = kDefaultTextColour;
        row->textOffsetX = 0;
        row->textOffsetY = 0;
    }
}

HBITMAP loadBitmapFile(const std::wstring& path) {
    return static_cast<HBITMAP>(LoadImageW(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE));
}

// The bitmap at `path`, else the default one; neither: fatalExit (13).
HBITMAP loadBitmapOrDefault(const std::wstring& path, const std::wstring& defaultPath) {
    HBITMAP bitmap = loadBitmapFile(path);
    if (bitmap == nullptr && path != defaultPath)
        bitmap = loadBitmapFile(defaultPath);
    if (bitmap == nullptr)
        fatalExit(kExitDrawing);
    return bitmap;
}

// Cuts every row's cell out of the strip. Each cell is made compatible with the DC that holds the strip, so it has
// the strip's colour format (a bitmap compatible with a fresh memory DC would have one bit per pixel).
void cutStyleBitmaps(HBITMAP strip) {
    ScopedCreatedDC stripDc(CreateCompatibleDC(nullptr));
    if (stripDc.get() == nullptr)
        fatalExit(kExitDrawing);
    ScopedSelectObject stripSelection(stripDc.get(), strip);
    ScopedCreatedDC cellDc(CreateCompatibleDC(stripDc.get()));
    if (cellDc.get() == nullptr)
        fatalExit(kExitDrawing);
    for (ButtonStyle* row = skinHost().buttonStyles; row != nullptr && row->styleId != 0; ++row) {
        ScopedGdiObject<HBITMAP> previous(row->bitmap);
        row->bitmap = CreateCompatibleBitmap(stripDc.get(), row->width, row->height);
        if (row->bitmap == nullptr)
            fatalExit(kExitDrawing);
        ScopedSelectObject cellSelection(cellDc.get(), row->bitmap);
        BitBlt(cellDc.get(), 0, 0, row->width, row->height, stripDc.get(), row->srcX, row->srcY, SRCCOPY);
    }
}
} // namespace

int32_t findButtonStyle(int32_t styleId) {
    const ButtonStyle* table = skinHost().buttonStyles;
    for (int32_t i = 0; table != nullptr && table[i].styleId != 0; ++i)
        if (table[i].styleId == styleId)
            return i;
    return -1;
}

void setButtonStyleColour(int32_t styleId, uint32_t colour) {
    const int32_t row = findButtonStyle(styleId);
    if (row >= 0)
        skinHost().buttonStyles[row].textColour = colour >= kColourLimit ? 0 : colour;
}

void setButtonStyleTextOffset(int32_t styleId, int32_t axis, int32_t value) {
    const int32_t row = findButtonStyle(styleId);
    if (row < 0)
        return;
    const int32_t offset = value < -kOffsetLimit || value > kOffsetLimit ? 0 : value;
    ButtonStyle& style = skinHost().buttonStyles[row];
    if (axis == 0)
        style.textOffsetX = offset;
    else if (axis == 1)
        style.textOffsetY = offset;
}

COLORREF primaryTextColour() {
    return gPrimaryTextColour;
}

COLORREF secondaryTextColour() {
    return gSecondaryTextColour;
}

void loadButtonSkin() {
    const SkinHost& host = skinHost();
    resetButtonStyles();
    std::wstring stripPath;
    const NumberedStringMap entries = readSkinEntries();
    if (!entries.empty() && isCurrentFormat(entries)) {
        stripPath = host.skinFolder + host.skinName + L"\\button.bmp";
        gPrimaryTextColour = labelColour(entries, kPrimaryColourEntry);
        gSecondaryTextColour = labelColour(entries, kSecondaryColourEntry);
        for (int32_t style : {13, 14, 15})
            setButtonStyleColour(style, gSecondaryTextColour);
        applySkinGroups(entries);
    }
    if (stripPath.empty())
        stripPath = host.defaultButtonStrip;
    ScopedGdiObject<HBITMAP> strip(loadBitmapOrDefault(stripPath, host.defaultButtonStrip));
    cutStyleBitmaps(strip.get());
}

void loadBackgroundBitmap() {
    const SkinHost& host = skinHost();
    const NumberedStringMap entries = readSkinEntries();
    std::wstring path = host.defaultBackground;
    if (!entries.empty() && isCurrentFormat(entries))
        path = host.skinFolder + host.skinName + L"\\main.bmp";
    gBackground.reset(loadBitmapOrDefault(path, host.defaultBackground));
}

void drawBackground() {
    const SkinHost& host = skinHost();
    ScopedCreatedDC dc(CreateCompatibleDC(host.backBuffer));
    if (dc.get() == nullptr)
        fatalExit(kExitDrawing);
    ScopedSelectObject selection(dc.get(), gBackground.get());
    BitBlt(host.backBuffer, 0, 0, host.windowWidth, host.windowHeight, dc.get(), 0, 0, SRCCOPY);
}

void loadWindowIcons() {
    const SkinHost& host = skinHost();
    const struct {
        int xMetric;
        int yMetric;
        WPARAM which;
        ScopedIcon& kept;
    } sizes[] = {
        // size metrics, WM_SETICON's kind, where the icon is kept
        {SM_CXICON, SM_CYICON, ICON_BIG, gBigIcon},
        {SM_CXSMICON, SM_CYSMICON, ICON_SMALL, gSmallIcon},
    };
    for (const auto& size : sizes) {
        ScopedIcon icon(
            static_cast<HICON>(LoadImageW(nullptr, host.iconFile.c_str(), IMAGE_ICON, GetSystemMetrics(size.xMetric),
                                          GetSystemMetrics(size.yMetric), LR_LOADFROMFILE)));
        if (icon.get() == nullptr)
            continue;
        SendMessageW(host.mainWindow, WM_SETICON, size.which, reinterpret_cast<LPARAM>(icon.get()));
        size.kept = std::move(icon); // the window's previous icon of this size goes only now
    }
}

void freeButtonStyleBitmaps() {
    for (ButtonStyle* row = skinHost().buttonStyles; row != nullptr && row->styleId != 0; ++row) {
        ScopedGdiObject<HBITMAP> bitmap(row->bitmap);
        row->bitmap = nullptr;
    }
}

void freeBackgroundBitmap() {
    gBackground.reset();
}

bool hasBackgroundBitmap() {
    return gBackground.get() != nullptr;
}

void freeWindowIcons() {
    gBigIcon.reset();
    gSmallIcon.reset();
}
