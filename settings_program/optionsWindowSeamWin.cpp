// The start-up stand-ins of optionsWindowSeam.h: a plain dialog in place of the skinned main window, and the fatal
// exit through the message box seam.
#include "optionsWindowSeam.h"

#include "programTexts.h"

#include "messageBox.h"

#include <cstdlib>
#include <cstring>

namespace {
// The host context's values; written by start-up and the dialog procedure, both on the UI thread.
HINSTANCE gInstance = nullptr;
std::wstring gUiFontFace;
HWND gMainWindow = nullptr;

// The main window's client size in pixels.
constexpr int kWindowWidth = 512;
constexpr int kWindowHeight = 489;
constexpr int kButtonWidth = 88;
constexpr int kButtonHeight = 26;
constexpr int kButtonMargin = 12;

void addButton(HWND dialog, int id, const wchar_t* caption, int x) {
    CreateWindowExW(0, L"BUTTON", caption, WS_CHILD | WS_VISIBLE | WS_TABSTOP | (id == IDOK ? BS_DEFPUSHBUTTON : 0), x,
                    kWindowHeight - kButtonHeight - kButtonMargin, kButtonWidth, kButtonHeight, dialog,
                    reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), gInstance, nullptr);
}

INT_PTR onInitDialog(HWND dialog) {
    gMainWindow = dialog;
    RECT client{0, 0, kWindowWidth, kWindowHeight};
    AdjustWindowRectEx(&client, DWORD(GetWindowLongPtrW(dialog, GWL_STYLE)), FALSE,
                       DWORD(GetWindowLongPtrW(dialog, GWL_EXSTYLE)));
    SetWindowPos(dialog, nullptr, 0, 0, client.right - client.left, client.bottom - client.top,
                 SWP_NOMOVE | SWP_NOZORDER);
    addButton(dialog, IDOK, L"OK", kWindowWidth - 2 * (kButtonWidth + kButtonMargin));
    addButton(dialog, IDCANCEL, L"Cancel", kWindowWidth - (kButtonWidth + kButtonMargin));
    return TRUE;
}

INT_PTR CALLBACK placeholderDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    try {
        switch (message) {
        case WM_INITDIALOG:
            return onInitDialog(dialog);
        case WM_COMMAND:
            if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
                EndDialog(dialog, LOWORD(wParam) == IDOK ? 1 : 2);
                return TRUE;
            }
            return FALSE;
        case WM_DESTROY:
            gMainWindow = nullptr;
            return FALSE;
        default:
            return FALSE;
        }
    } catch (...) {
        // Nothing may leave a dialog procedure; the dialog ends as a failed one.
        EndDialog(dialog, -1);
        return TRUE;
    }
}
} // namespace

void setHostInstancePlaceholder(HINSTANCE instance) {
    gInstance = instance;
}

void setHostUiFontFacePlaceholder(const std::wstring& face) {
    gUiFontFace = face;
}

std::wstring chooseUiFontFacePlaceholder() {
    return L"Tahoma";
}

HWND mainWindowPlaceholder() {
    return gMainWindow;
}

int runMainWindowPlaceholder(HWND owner) {
    // DLGTEMPLATE, no menu, the default class, the title; no items. DWORD-aligned, as the template must be.
    alignas(DWORD) BYTE block[sizeof(DLGTEMPLATE) + 2 * sizeof(WORD) + sizeof(kProgramTitle)] = {};
    DLGTEMPLATE& dialog = *reinterpret_cast<DLGTEMPLATE*>(block);
    dialog.style = WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_CENTER | DS_SETFOREGROUND;
    const LONG baseUnits = GetDialogBaseUnits();
    dialog.cx = short(MulDiv(kWindowWidth, 4, LOWORD(baseUnits)));
    dialog.cy = short(MulDiv(kWindowHeight, 8, HIWORD(baseUnits)));
    std::memcpy(block + sizeof(DLGTEMPLATE) + 2 * sizeof(WORD), kProgramTitle, sizeof(kProgramTitle));
    return int(DialogBoxIndirectParamW(gInstance, &dialog, owner, placeholderDialogProc, 0));
}

void fatalExitPlaceholder(int code) {
    if (code != 10)
        showMessageBox(nullptr, kNotInstalledMessage, kProgramTitle, MB_ICONERROR);
    if (gMainWindow != nullptr)
        EndDialog(gMainWindow, 2);
    gMainWindow = nullptr;
    std::exit(code);
}

bool showModuleOptionsPlaceholder(SuiteModule, HINSTANCE, HWND) {
    return false;
}
