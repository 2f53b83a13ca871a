// Edit fields of the skinned window: real "EDIT" child windows placed over the painted face, kept in the host's
// edit-field table. The framework creates and subclasses them, shows and repaints the visible ones, and hands the
// keys of the window's own keyboard navigation (Tab, Enter, Space, Shift) to the host's dialog procedure. Every
// operation acts on the first record with the id. Dialog thread only.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

// EditFieldRecord::flags, named as EditFieldFlags::Visible and so on.
struct EditFieldFlags {
    enum : int32_t {
        Visible = 1, // the field's window is shown
        SkipTab = 2, // not entered by Tab and Shift+Tab
    };
};

struct EditFieldRecord {
    int32_t kind = 0; // 0 only in the sentinel
    int32_t id = -1;  // -1 in the sentinel
    int32_t x = 0;    // client pixels of the child window
    int32_t y = 0;
    int32_t width = 0;
    int32_t height = 0;
    std::wstring value; // set by setEditValue
    int32_t flags = 0;
    HWND window = nullptr; // none until createEditWindows; destroyed with the main window, not with the record
    std::wstring text;     // given at construction
};

EditFieldRecord newEditFieldRecord(int32_t kind, int32_t id, int32_t x, int32_t y, int32_t width, int32_t height,
                                   int32_t flags, const std::wstring& text);
// The record that ends every edit-field table.
EditFieldRecord editFieldTableEnd();
// Frees both strings; the window is not destroyed with the record (it goes with the main window).
void destroyEditFieldRecord(EditFieldRecord& record);

// (Re)creates the hidden child window of every record, subclassed and with the UI font; a window that cannot be
// made is fatalExit (11). Call once the main window exists.
void createEditWindows();
// The procedure put on every field.
LRESULT CALLBACK editSubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Stores the value and returns a copy; the empty string for an id that is not in the table.
std::wstring setEditValue(int32_t id, const std::wstring& text);
// Every record loses Visible except the one with the id, which gains it when `show` is true.
void showOnlyEdit(int32_t id, bool show);
void hideAllEdits();
// Deletes the fonts createEditWindows made; after the field windows have gone.
void freeEditFonts();

// The first record that Tab may move into (Visible and not SkipTab); null when there is none.
EditFieldRecord* firstTabbableEditField();
// Brings the windows in line with Visible and repaints the visible ones; with `focus`, a visible field takes the
// keyboard focus (with several, the last one keeps it).
void refreshEdits(bool focus);
