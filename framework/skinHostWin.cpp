// The host context, the window redraw, popup placement, the fatal exit, the UI font face and the main window's
// drawing resources. See skinHost.h. The dialog template and the dialog run are in skinnedDialogWin.cpp.
#include "skinHost.h"

#include "buttonStyles.h"
#include "controls.h"
#include "labels.h"
#include "messageBox.h"
#include "scopedWin.h"

#include <cstdlib>
#include <memory>

namespace {
// The process's host context. Filled by the host; read and written on the dialog's thread (see skinHost.h).
SkinHost gSkinHost;

// Whether the main window takes the keys. Dialog thread only.
bool gKeyboardNavigation = true;

// What attachSkinnedWindow made (the records that cannot move are held by pointer). The members go in reverse order:
// the font's selection is undone before the font is deleted, the bitmap's before the bitmap, and the memory DC before
// the window DC is handed back. Dialog thread only.
struct WindowResources {
    std::unique_ptr<ScopedWindowDC> windowDc;
    ScopedCreatedDC backBuffer;
    ScopedGdiObject<HBITMAP> bitmap;
    std::unique_ptr<ScopedSelectObject> bitmapSelection;
    ScopedGdiObject<HFONT> font;
    std::unique_ptr<ScopedSelectObject> fontSelection;

    void release() {
        fontSelection.reset();
        font.reset();
        bitmapSelection.reset();
        bitmap.reset();
        backBuffer.reset();
        windowDc.reset();
    }
};
WindowResources gWindowResources;

// Stops the font enumeration at the first family it reports: 0 ends EnumFontFamiliesExW, which then returns 0.
int CALLBACK stopAtFirstFont(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM) {
    return 0;
}

void copyFaceName(LOGFONTW& font, const std::wstring& face) {
    const size_t units = face.size() < LF_FACESIZE - 1 ? face.size() : LF_FACESIZE - 1;
    face.copy(font.lfFaceName, units);
    font.lfFaceName[units] = 0;
}
} // namespace

SkinHost& skinHost() {
    return gSkinHost;
}

bool keyboardNavigation() {
    return gKeyboardNavigation;
}

void setKeyboardNavigation(bool on) {
    gKeyboardNavigation = on;
}

bool redrawWindow(int32_t flags) {
    SkinHost& host = gSkinHost;
    if ((flags & kRedrawFace) != 0) {
        drawBackground();
        drawLabels();
    }
    if ((flags & (kRedrawFace | kRedrawControls)) != 0)
        drawControls();
    return BitBlt(host.windowDc, 0, 0, host.windowWidth, host.windowHeight, host.backBuffer, 0, 0, SRCCOPY) != FALSE;
}

void toScreenOffset(int32_t& x, int32_t& y) {
    RECT window{};
    RECT client{};
    GetWindowRect(gSkinHost.mainWindow, &window);
    GetClientRect(gSkinHost.mainWindow, &client);
    x += window.right - client.right - 3;
    y += window.bottom - client.bottom - 3;
}

void fatalExit(int32_t code) {
    SkinHost& host = gSkinHost;
    if (code != kExitSilent)
        showMessageBox(nullptr, host.notInstalledMessage, host.title, MB_ICONERROR);
    if (host.mainWindow != nullptr)
        EndDialog(host.mainWindow, 2);
    host.mainWindow = nullptr;
    // The runtime's normal exit, so that global objects (and the GDI objects they hold) are destroyed.
    std::exit(code);
}

bool isFontInstalled(const std::wstring& face) {
    ScopedCreatedDC dc(CreateCompatibleDC(nullptr));
    if (dc.get() == nullptr)
        return false;
    LOGFONTW font{};
    font.lfCharSet = DEFAULT_CHARSET;
    copyFaceName(font, face);
    return EnumFontFamiliesExW(dc.get(), &font, stopAtFirstFont, 0, 0) == 0;
}

std::wstring chooseUiFontFace() {
    // A function-local static: the enumeration runs once, and the language rules make its initialisation safe when
    // two threads ask at once.
    static const std::wstring face = [] {
        for (const wchar_t* candidate : {L"Segoe UI", L"Tahoma"})
            if (isFontInstalled(candidate))
                return std::wstring(candidate);
        return std::wstring(L"Times New Roman");
    }();
    return face;
}

int32_t uiFontHeight(HDC dc, int32_t textScale) {
    return -MulDiv(baseFontPointSize() * textScale, GetDeviceCaps(dc, LOGPIXELSY), 7200);
}

ChildWindowFont makeChildWindowFont(HWND window) {
    ChildWindowFont result;
    result.font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    ScopedWindowDC dc(window);
    if (dc.get() == nullptr)
        return result;
    LOGFONTW font{};
    font.lfHeight = uiFontHeight(dc.get(), gSkinHost.textScale);
    font.lfCharSet = DEFAULT_CHARSET;
    copyFaceName(font, gSkinHost.uiFontFace);
    result.font = CreateFontIndirectW(&font);
    result.created = result.font != nullptr;
    SetMapMode(dc.get(), MM_TEXT);
    return result;
}

void attachSkinnedWindow(HWND window) {
    SkinHost& host = gSkinHost;
    WindowResources& resources = gWindowResources;
    resources.release();
    host.mainWindow = window;
    resources.windowDc = std::make_unique<ScopedWindowDC>(window);
    host.windowDc = resources.windowDc->get();
    if (host.windowDc == nullptr)
        fatalExit(kExitWindowResource);
    resources.backBuffer = ScopedCreatedDC(CreateCompatibleDC(host.windowDc));
    host.backBuffer = resources.backBuffer.get();
    if (host.backBuffer == nullptr)
        fatalExit(kExitWindowResource);
    resources.bitmap.reset(CreateCompatibleBitmap(host.windowDc, host.windowWidth, host.windowHeight));
    if (resources.bitmap.get() == nullptr)
        fatalExit(kExitWindowResource);
    resources.bitmapSelection = std::make_unique<ScopedSelectObject>(host.backBuffer, resources.bitmap.get());
    SetMapMode(host.backBuffer, MM_TEXT);
    selectUiFont();
}

void selectUiFont() {
    SkinHost& host = gSkinHost;
    WindowResources& resources = gWindowResources;
    if (host.backBuffer == nullptr)
        return;
    resources.fontSelection.reset();
    LOGFONTW font{};
    font.lfHeight = uiFontHeight(host.backBuffer, host.textScale);
    font.lfCharSet = DEFAULT_CHARSET;
    copyFaceName(font, host.uiFontFace);
    // A font that cannot be made leaves the DC's own font: the window still draws, only in the system's face.
    resources.font.reset(CreateFontIndirectW(&font));
    resources.fontSelection = std::make_unique<ScopedSelectObject>(host.backBuffer, resources.font.get());
}

void releaseSkinnedWindow() {
    gWindowResources.release();
    gSkinHost.windowDc = nullptr;
    gSkinHost.backBuffer = nullptr;
    gSkinHost.mainWindow = nullptr;
}
