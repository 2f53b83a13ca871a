// The progress window a conversion job shows while the engine rewrites a document: a plain captioned window of its own
// class (not a skinned framework window), centred on its owner, with two lines of text and one push button that asks
// whether to cancel. The library holds exactly one, reached through progressWindow().
// It does not stop the conversion: a confirmed cancel only sets `cancelled` and closes the window. It runs no message
// loop of its own either; the thread that made it pumps with pumpProgressWindowMessages().
#pragma once

#include "scopedWin.h"

#include <windows.h>

#include <cstdint>
#include <string>

// Result of ProgressWindow::create. The per-file job ignores it: it runs on without the window.
enum class ProgressWindowStatus : int32_t {
    Ok = 0,         // the window is shown and painted once
    NoFont = 1,     // `font` is null; nothing was done
    NoInstance = 2, // the instance is null; nothing was done
    NotCreated = 3, // the window or its button could not be made (a bare window stays until destroy)
};

struct ProgressWindow {
    int32_t width = 500;
    int32_t height = 150;
    int32_t buttonWidth = 80;
    int32_t buttonHeight = 24;
    int32_t marginX = 25;    // button to the client's right edge; window to the owner's left edge when not centred
    int32_t marginY = 10;    // button to the client's bottom edge; window to the owner's top edge when not centred
    int32_t buttonId = 100;  // control id of the button
    int32_t textMargin = 10; // inset of the text lines from the client's left, top and right
    std::wstring className = L"VLTPROGRESSWIN";
    std::wstring title = L"Veltrim Sorvanta"; // window caption, and caption of the cancel question
    std::wstring line1;
    std::wstring line2;
    std::wstring cancelQuestion;
    bool cancelled = false;       // the user confirmed the cancel question; cleared by every successful create
    HINSTANCE instance = nullptr; // the module the class is registered with
    HWND window = nullptr;        // while the window exists
    HWND button = nullptr;
    // Font of the lines and of the button. A stock object: never deleted. GetStockObject only looks a handle up, so
    // it is safe while the library is being loaded.
    HFONT font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    // The class icon loaded from iconPath; it must outlive the class, so it goes when the class is unregistered.
    ScopedIcon classIcon;

    // Registers the class, places the window on `owner` (centred, or at the owner's corner plus the margins when the
    // owner is too small), creates it with its button, shows it and paints it once. Call destroy() once after it,
    // on the same thread.
    [[nodiscard]] ProgressWindowStatus create(HINSTANCE instance, HWND owner, const std::wstring& iconPath,
                                              const std::wstring& buttonCaption, const std::wstring& cancelQuestion,
                                              const std::wstring& line1, const std::wstring& line2, bool enableButton);
    // Destroys the window when there is one, forgets it and unregisters the class with the kept instance. Returns
    // whether the unregistration succeeded (false when the class was gone already).
    bool destroy();

    ProgressWindow() = default;
    ~ProgressWindow() { destroy(); }
    ProgressWindow(const ProgressWindow&) = delete;
    ProgressWindow& operator=(const ProgressWindow&) = delete;
};

// The library's one progress window. Used only by the thread that runs the conversion job (the worker): it creates
// the window, owns its messages and destroys it.
ProgressWindow& progressWindow();

// The procedure of the class; it serves progressWindow().
LRESULT CALLBACK progressWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Handles the messages waiting for the calling thread's windows (the progress window's paints and its button) and
// returns without waiting. The job installs it as the status tick hook, since its thread runs the engine pass without
// a message loop.
void pumpProgressWindowMessages();
