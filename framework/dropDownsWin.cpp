// The drop-down lists' windows, their procedure and their contents. See dropDowns.h.
#include "dropDowns.h"

#include "controls.h"
#include "scopedWin.h"
#include "skinHost.h"

#include <vector>

namespace {
// The shared list height (0 until the class is registered), the flag a navigation key sets so that the selection
// change it causes does not commit, and the lists' fonts. Dialog thread only (the records are built with the
// host's global objects, before its dialog thread runs anything else).
int32_t gListHeight = 0;
bool gSuppressCommit = false;
std::vector<ScopedGdiObject<HFONT>> gDropDownFonts;

// WS_CHILD | WS_VISIBLE | WS_DLGFRAME | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | LBS_WANTKEYBOARDINPUT;
// LBS_SORT as well for a sorted list.
constexpr DWORD kListBoxStyle = 0x50600501;
constexpr DWORD kSortedListBoxStyle = 0x50600503;

// The keys that move a list's selection: Page Up, Page Down, End, Home and the four arrows.
constexpr WPARAM kFirstNavigationKey = 33;
constexpr WPARAM kLastNavigationKey = 40;

DropDownRecord* table() {
    return skinHost().dropDowns;
}

DropDownRecord* findList(int32_t id) {
    for (DropDownRecord* list = table(); list != nullptr && list->kind != 0; ++list)
        if (list->id == id)
            return list;
    return nullptr;
}

void registerDropDownClass(const std::wstring& className) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = dropDownProc;
    windowClass.hInstance = skinHost().instance;
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    windowClass.lpszClassName = className.c_str();
    if (RegisterClassExW(&windowClass) == 0)
        fatalExit(kExitWindowResource);
    ScopedCreatedDC display(CreateDCW(L"DISPLAY", nullptr, nullptr, nullptr));
    gListHeight = dropDownListHeight(GetDeviceCaps(display.get(), LOGPIXELSY));
}

void commit(int32_t index) {
    if (skinHost().commitHandler != nullptr)
        skinHost().commitHandler(index);
}

void closeLists() {
    hideDropDowns();
    layoutDropDowns();
}

// The selector control under which a list opens; null when the host named none that is in its control table.
const ControlRecord* selectorOf(int32_t listId) {
    const SkinHost& host = skinHost();
    for (const DropDownSelector& selector : host.dropDownSelectors) {
        if (selector.listId != listId)
            continue;
        const int32_t index = findControlIndex(selector.selectorControlId);
        return index < 0 ? nullptr : &host.controls[index];
    }
    return nullptr;
}

LRESULT onVirtualKey(int32_t index, WPARAM wParam) {
    const WPARAM key = LOWORD(wParam);
    if (key == VK_RETURN || key == VK_SPACE)
        commit(index);
    else if (key == VK_ESCAPE)
        closeLists();
    else if (key >= kFirstNavigationKey && key <= kLastNavigationKey)
        gSuppressCommit = true;
    return -1; // the list box then handles the key itself
}

LRESULT onCommand(int32_t index, WPARAM wParam) {
    switch (HIWORD(wParam)) {
    case LBN_KILLFOCUS:
        closeLists();
        return 1;
    case LBN_SELCHANGE:
        if (gSuppressCommit)
            gSuppressCommit = false;
        else
            commit(index);
        return 1;
    default:
        return 0;
    }
}
} // namespace

DropDownRecord newDropDown(const std::wstring& className, int32_t kind, int32_t id, int32_t x, int32_t y, int32_t width,
                           int32_t flags, const std::wstring& items) {
    DropDownRecord record;
    record.kind = kind;
    record.id = id;
    record.x = x;
    record.y = y;
    record.width = width;
    record.flags = flags;
    record.items = items;
    if (gListHeight == 0)
        registerDropDownClass(className);
    record.height = gListHeight;
    const HINSTANCE instance = skinHost().instance;
    record.popup = CreateWindowExW(WS_EX_TOOLWINDOW, className.c_str(), L"", WS_POPUP, x, y, width, gListHeight,
                                   nullptr, nullptr, instance, nullptr);
    if (record.popup == nullptr)
        fatalExit(kExitWindowResource);
    record.listBox = CreateWindowExW(0, L"LISTBOX", L"", kind == kSortedDropDown ? kSortedListBoxStyle : kListBoxStyle,
                                     0, 0, width, gListHeight, record.popup, nullptr, instance, nullptr);
    if (record.listBox == nullptr)
        fatalExit(kExitWindowResource);
    const ChildWindowFont font = makeChildWindowFont(record.listBox);
    if (font.created)
        gDropDownFonts.emplace_back(font.font);
    SendMessageW(record.listBox, WM_SETFONT, reinterpret_cast<WPARAM>(font.font), FALSE);
    return record;
}

DropDownRecord dropDownTableEnd() {
    return DropDownRecord{};
}

void destroyDropDowns() {
    for (DropDownRecord* list = table(); list != nullptr && list->kind != 0; ++list) {
        takeDownWindow(list->popup); // with its list box, while the record still names it for the procedure
        list->popup = nullptr;
        list->listBox = nullptr;
    }
    gDropDownFonts.clear();
}

int32_t dropDownListHeight(int32_t dotsPerInch) {
    return static_cast<int32_t>(MulDiv(baseFontPointSize(), dotsPerInch, 72) * 5.5);
}

int32_t dropDownListHeight() {
    return gListHeight;
}

void layoutDropDowns() {
    for (DropDownRecord* list = table(); list != nullptr && list->kind != 0; ++list) {
        const ControlRecord* selector = selectorOf(list->id);
        if ((list->flags & kDropDownVisible) == 0 || selector == nullptr) {
            ShowWindow(list->popup, SW_HIDE);
            continue;
        }
        int32_t x = selector->x + 4;
        int32_t y = selector->y + selector->height + 2;
        toScreenOffset(x, y);
        MoveWindow(list->popup, x, y, list->width, list->height, FALSE);
        ShowWindow(list->popup, SW_SHOW);
    }
}

LRESULT CALLBACK dropDownProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    try {
        const int32_t index = findDropDownByWindow(window);
        if (index < 0)
            return DefWindowProcW(window, message, wParam, lParam);
        const DropDownRecord& list = table()[index];
        switch (message) {
        case WM_SHOWWINDOW:
            if (wParam != FALSE) {
                gSuppressCommit = false;
                SetFocus(list.listBox);
            }
            return -1;
        case WM_VKEYTOITEM:
            return onVirtualKey(index, wParam);
        case WM_COMMAND:
            if (reinterpret_cast<HWND>(lParam) != list.listBox)
                return 0;
            return onCommand(index, wParam);
        default:
            return DefWindowProcW(window, message, wParam, lParam);
        }
    } catch (...) {
        // No exception crosses into the system's dispatcher.
        return 0;
    }
}

int32_t findDropDownByWindow(HWND window) {
    const DropDownRecord* lists = table();
    for (int32_t i = 0; lists != nullptr && lists[i].kind != 0; ++i)
        if (lists[i].popup == window)
            return i;
    return -1;
}

std::wstring setDropDownItems(int32_t id, const std::wstring& items) {
    DropDownRecord* list = findList(id);
    if (list == nullptr)
        return std::wstring();
    list->items = items;
    return list->items;
}

void showDropDown(int32_t id, bool show) {
    DropDownRecord* target = findList(id);
    for (DropDownRecord* list = table(); list != nullptr && list->kind != 0; ++list)
        list->flags &= ~kDropDownVisible;
    if (target != nullptr && show && SendMessageW(target->listBox, LB_GETCOUNT, 0, 0) > 0)
        target->flags |= kDropDownVisible;
}

void hideDropDowns() {
    showDropDown(-1, true);
}

void fillDropDown(int32_t id, const std::wstring& selection) {
    const DropDownRecord* list = findList(id);
    if (list == nullptr)
        return;
    SendMessageW(list->listBox, LB_RESETCONTENT, 0, 0);
    // Each item ends with LF; text after the last LF is no item.
    size_t start = 0;
    for (size_t end = list->items.find(L'\n'); end != std::wstring::npos; end = list->items.find(L'\n', start)) {
        const std::wstring item = list->items.substr(start, end - start);
        SendMessageW(list->listBox, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
        start = end + 1;
    }
    SendMessageW(list->listBox, LB_SELECTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(selection.c_str()));
}

std::wstring listBoxItemText(HWND listBox, int32_t item) {
    // The length first, so that an item of any length fits the buffer it is read into.
    const LRESULT length = SendMessageW(listBox, LB_GETTEXTLEN, static_cast<WPARAM>(item), 0);
    if (length == LB_ERR || length < 0)
        return std::wstring();
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    const LRESULT copied =
        SendMessageW(listBox, LB_GETTEXT, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&text[0]));
    if (copied == LB_ERR || copied < 0)
        return std::wstring();
    text.resize(static_cast<size_t>(copied) <= static_cast<size_t>(length) ? static_cast<size_t>(copied) : 0);
    return text;
}

std::wstring dropDownSelectionText(int32_t listIndex) {
    const DropDownRecord* lists = table();
    if (lists == nullptr || listIndex < 0)
        return std::wstring();
    for (int32_t i = 0; i <= listIndex; ++i)
        if (lists[i].kind == 0)
            return std::wstring();
    const HWND listBox = lists[listIndex].listBox;
    const LRESULT selected = SendMessageW(listBox, LB_GETCURSEL, 0, 0);
    return selected == LB_ERR ? std::wstring() : listBoxItemText(listBox, static_cast<int32_t>(selected));
}
