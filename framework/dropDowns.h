// Drop-down lists of the skinned window: a borderless tool window of a registered class holding one "LISTBOX",
// opened under the list's selector control. Arrow keys move the selection without committing; Enter, Space or a
// mouse pick commit through the host's commit handler; Esc or a loss of focus closes. The lists are kept in the
// host's drop-down table; every operation acts on the first record with the id and ignores an id that is not there.
// Dialog thread only.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

// DropDownRecord::kind of a sorted list; any other non-zero kind is unsorted.
constexpr int32_t kSortedDropDown = 2;
// DropDownRecord::flags: the list is open.
constexpr int32_t kDropDownVisible = 1;

struct DropDownRecord {
    int32_t kind = 0; // 0 only in the sentinel
    int32_t id = -1;  // -1 in the sentinel
    int32_t x = 0;    // the popup's first position only
    int32_t y = 0;
    int32_t width = 0;  // the list's width
    int32_t height = 0; // the shared list height
    int32_t flags = 0;
    std::wstring items;     // each item ended by LF
    HWND popup = nullptr;   // the tool window
    HWND listBox = nullptr; // its "LISTBOX" child
};

// Builds a record and its hidden windows with the host's instance. The first record registers the class and fixes
// the list height; a class, window or list box that cannot be made is fatalExit (11).
DropDownRecord newDropDown(const std::wstring& className, int32_t kind, int32_t id, int32_t x, int32_t y, int32_t width,
                           int32_t flags, const std::wstring& items);
// The record that ends every drop-down table.
DropDownRecord dropDownTableEnd();
// Destroys every popup window (with its list box) and the fonts of the lists.
void destroyDropDowns();

// The list height for a display of that many dots per inch: five and a half lines of nine-point text, truncated.
int32_t dropDownListHeight(int32_t dotsPerInch);
// The shared list height (0 until the first record is built).
int32_t dropDownListHeight();

// Places each open list under its selector and shows it; hides the others.
void layoutDropDowns();
// The procedure of the popups' class.
LRESULT CALLBACK dropDownProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// The index of the record whose popup is that window, -1 when none.
int32_t findDropDownByWindow(HWND window);
// Stores the items and returns a copy; the empty string for an id that is not in the table.
std::wstring setDropDownItems(int32_t id, const std::wstring& items);
// Every list closes; the one with the id opens when `show` is true and its list box holds an item.
void showDropDown(int32_t id, bool show);
void hideDropDowns();
// Refills the list box from the items and selects the first item that begins with `selection`.
void fillDropDown(int32_t id, const std::wstring& selection);

// The text of a list box item, however long (its length is asked first); empty for an item that is not there.
std::wstring listBoxItemText(HWND listBox, int32_t item);
// The selected item's text of a table's list (by index), empty when nothing is selected.
std::wstring dropDownSelectionText(int32_t listIndex);
