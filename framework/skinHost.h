// The host context of the skinned main window and the window-wide operations: redraw, popup placement, the fatal
// exit, the UI font face and the window's drawing resources. Both deliverables compile the same framework; all that
// differs between them (sizes, texts, tables, artwork paths, callbacks) is in the host context, which the host fills
// before the first use. The dialog itself is run by skinnedDialog.h; skins, labels and controls have their headers.
#pragma once

#include "buttonStyleCells.h"
#include "controlRecord.h"

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

struct ButtonStyle;     // buttonStyles.h
struct EditFieldRecord; // editFields.h
struct DropDownRecord;  // dropDowns.h

// The control under which a drop-down list opens.
struct DropDownSelector {
    int32_t listId;
    int32_t selectorControlId;
};

// Called with a drop-down list's index in its table when the user picks an item.
using DropDownCommitHandler = void (*)(int32_t listIndex);

// One per process, filled by the host: instance and UI font face at start-up, tables when its globals are built,
// skin before the dialog runs, window and drawing resources when the dialog starts (attachSkinnedWindow). Used only
// on the thread that runs the dialog, so nothing here is locked: the converter library's conversion thread never
// draws, it hands its status texts and its fatal exit to that thread.
struct SkinHost {
    HINSTANCE instance = nullptr; // owner of the dialog, the edit fields and the drop-down class
    HWND mainWindow = nullptr;    // set when the dialog starts, cleared by fatalExit
    HDC windowDc = nullptr;       // the main window's DC, target of the final blit
    HDC backBuffer = nullptr;     // memory DC with a bitmap of the window size and the UI font; all drawing goes here
    int32_t windowWidth = 0;      // client size in pixels
    int32_t windowHeight = 0;
    std::wstring title;               // dialog caption and caption of the fatal message; at most 97 characters used
    std::wstring notInstalledMessage; // text of the fatal message
    int32_t textScale = 100;          // interface text scale in percent
    std::wstring uiFontFace;          // labels, edit fields and drop-down lists
    // Skin files are skinFolder + skinName + "\skin.txt", "\button.bmp", "\main.bmp"; skinFolder ends with "\".
    std::wstring skinFolder;
    std::wstring skinName;
    std::wstring defaultBackground; // full paths of the fallback bitmaps and of the window icon file
    std::wstring defaultButtonStrip;
    std::wstring iconFile;
    // The tables, each ended by its sentinel record. Owned by the host; null stands for an empty table.
    ControlRecord* controls = nullptr;
    LabelRecord* labels = nullptr;
    EditFieldRecord* editFields = nullptr;
    DropDownRecord* dropDowns = nullptr;
    ButtonStyle* buttonStyles = nullptr;
    std::vector<SkinGroup> skinGroups; // in the order they are applied
    wchar_t skinPrefix = L'D';         // prefix letter of this host's skin.txt lines
    int32_t minimiseControlId = 0;     // hidden when the dialog has an owner
    std::vector<DropDownSelector> dropDownSelectors;
    DLGPROC dialogProc = nullptr; // the host's procedure of the main window
    DropDownCommitHandler commitHandler = nullptr;
};

// The process's host context.
SkinHost& skinHost();

// Bits of redrawWindow's flags.
constexpr int32_t kRedrawFace = 1;     // background and labels, then the controls
constexpr int32_t kRedrawControls = 2; // the controls over what the back buffer holds

// The exit codes of fatalExit.
constexpr int32_t kExitSilent = 10;          // ends without a message
constexpr int32_t kExitWindowResource = 11;  // a device context, window, window class or the dialog failed
constexpr int32_t kExitMachineSettings = 12; // the machine-wide settings are missing
constexpr int32_t kExitDrawing = 13;         // no bitmap could be loaded, or a drawing DC could not be created

// Repaints the back buffer as the flags say and copies it to the window; the blit's result.
bool redrawWindow(int32_t flags);

// Turns a client position of the main window into the screen position at which a popup is placed.
void toScreenOffset(int32_t& x, int32_t& y);

// Shows the not-installed message (except for code 10), ends the dialog and ends the process with the code.
[[noreturn]] void fatalExit(int32_t code);

// The UI font face: "Segoe UI", else "Tahoma", else "Times New Roman"; chosen at the first call, thread-safe.
std::wstring chooseUiFontFace();
// Whether a font family of that face (at most 31 characters are compared) exists.
bool isFontInstalled(const std::wstring& face);

constexpr int32_t baseFontPointSize() {
    return 9;
}
constexpr int32_t maxFontPointSize() {
    return 14;
}
constexpr int32_t minFontPointSize() {
    return 6;
}

// The UI font's height in logical units on `dc`: 9 points times the text scale, negative (a character height).
int32_t uiFontHeight(HDC dc, int32_t textScale);

// The font of an edit field or a drop-down list: the stock GUI font when the window's DC cannot be had, else the UI
// face at 9 points times the text scale for that DC (null when it cannot be made). `created` says whether the
// caller now owns the font.
struct ChildWindowFont {
    HFONT font = nullptr;
    bool created = false;
};
ChildWindowFont makeChildWindowFont(HWND window);

// True while the main window rather than an edit field takes the keys; starts true. Dialog thread only.
bool keyboardNavigation();
void setKeyboardNavigation(bool on);

// The host calls this when its dialog starts: keeps the window, takes its DC, makes the back buffer (a bitmap of the
// window size, MM_TEXT) and selects the UI font into it. A DC or bitmap that cannot be had is fatalExit (11).
void attachSkinnedWindow(HWND window);
// Makes the UI font afresh from the face and text scale and selects it into the back buffer (after a text scale
// change); the previous one is deleted.
void selectUiFont();
// Releases what attachSkinnedWindow made and forgets the window and its DCs. Safe to call twice.
void releaseSkinnedWindow();
