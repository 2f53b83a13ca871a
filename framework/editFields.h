// Edit fields of the skinned window: real "EDIT" child windows placed over the painted face, kept in the host's
// edit-field table. Dialog thread only.
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

// The first record that Tab may move into (Visible and not SkipTab); null when there is none.
EditFieldRecord* firstTabbableEditField();
// Brings the windows in line with Visible and repaints the visible ones; with `focus`, a visible field takes the
// keyboard focus (with several, the last one keeps it).
void refreshEdits(bool focus);
