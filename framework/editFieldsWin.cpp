// The edit fields' windows, their subclass procedure and their visibility. See editFields.h.
#include "editFields.h"

#include "controls.h"
#include "scopedWin.h"
#include "skinHost.h"

#include <vector>

namespace {
// The "EDIT" class's procedure as the subclassing returned it (the same for every field), and the fonts made for
// the fields. Dialog thread only.
WNDPROC gSavedEditProc = nullptr;
std::vector<ScopedGdiObject<HFONT>> gEditFonts;

// WS_CHILD | ES_MULTILINE | ES_WANTRETURN | ES_NUMBER; hidden until refreshEdits shows it.
constexpr DWORD kEditStyle = 0x40003004;

template <typename Visit> void forEachField(Visit visit) {
    for (EditFieldRecord* field = skinHost().editFields; field != nullptr && field->kind != 0; ++field)
        visit(*field);
}

EditFieldRecord* findField(int32_t id) {
    for (EditFieldRecord* field = skinHost().editFields; field != nullptr && field->kind != 0; ++field)
        if (field->id == id)
            return field;
    return nullptr;
}

LRESULT savedProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return gSavedEditProc != nullptr ? CallWindowProcW(gSavedEditProc, window, message, wParam, lParam)
                                     : DefWindowProcW(window, message, wParam, lParam);
}

// Hands a key of the window's navigation to the host's procedure as a key of the main window.
void passToHost(UINT message, WPARAM wParam, LPARAM lParam) {
    const SkinHost& host = skinHost();
    if (host.dialogProc != nullptr)
        host.dialogProc(host.mainWindow, message, wParam, lParam);
}

bool isNavigationKey(WPARAM key) {
    return key == VK_TAB || key == VK_RETURN || key == VK_SPACE || key == VK_SHIFT;
}

LRESULT onKeyDown(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (!isNavigationKey(wParam)) {
        savedProc(window, message, wParam, lParam);
        return 0;
    }
    if (wParam == VK_TAB) {
        setKeyboardNavigation(true);
        SetFocus(skinHost().mainWindow);
    }
    passToHost(WM_KEYDOWN, wParam, lParam);
    return 0;
}

LRESULT onLeftButtonUp(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    setKeyboardNavigation(false);
    hoverControl(-1);
    redrawWindow(kRedrawControls);
    SetFocus(window);
    savedProc(window, message, wParam, lParam);
    return 0;
}
} // namespace

EditFieldRecord newEditFieldRecord(int32_t kind, int32_t id, int32_t x, int32_t y, int32_t width, int32_t height,
                                   int32_t flags, const std::wstring& text) {
    EditFieldRecord record;
    record.kind = kind;
    record.id = id;
    record.x = x;
    record.y = y;
    record.width = width;
    record.height = height;
    record.flags = flags;
    record.text = text;
    return record;
}

EditFieldRecord editFieldTableEnd() {
    return EditFieldRecord{};
}

void destroyEditFieldRecord(EditFieldRecord& record) {
    std::wstring().swap(record.value);
    std::wstring().swap(record.text);
}

void createEditWindows() {
    const SkinHost& host = skinHost();
    forEachField([](EditFieldRecord& field) {
        takeDownWindow(field.window); // unless it went with an earlier main window
        field.window = nullptr;
    });
    // The old windows are gone, so their fonts may go too.
    gEditFonts.clear();
    forEachField([&host](EditFieldRecord& field) {
        field.window = CreateWindowExW(0, L"EDIT", L"", kEditStyle, field.x, field.y, field.width, field.height,
                                       host.mainWindow, nullptr, host.instance, nullptr);
        if (field.window == nullptr)
            fatalExit(kExitWindowResource);
        gSavedEditProc = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrW(field.window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(editSubclassProc)));
        const ChildWindowFont font = makeChildWindowFont(field.window);
        if (font.created)
            gEditFonts.emplace_back(font.font);
        SendMessageW(field.window, WM_SETFONT, reinterpret_cast<WPARAM>(font.font), FALSE);
    });
}

LRESULT CALLBACK editSubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    try {
        switch (message) {
        case WM_GETDLGCODE:
            // The dialog manager asks before it acts on a key: Tab, Enter and Esc must reach WM_KEYDOWN here rather
            // than move the focus or end the dialog.
            return savedProc(window, message, wParam, lParam) | DLGC_WANTALLKEYS;
        case WM_KEYDOWN:
            return onKeyDown(window, message, wParam, lParam);
        case WM_KEYUP:
            if (wParam == VK_SHIFT)
                passToHost(WM_KEYUP, wParam, lParam);
            return 0;
        case WM_CHAR:
            // The characters of Tab, Enter and Space belong to keys the host took: the field must not type them.
            if (wParam == L'\t' || wParam == L'\r' || wParam == L'\n' || wParam == L' ')
                return 0;
            return savedProc(window, message, wParam, lParam);
        case WM_LBUTTONUP:
            return onLeftButtonUp(window, message, wParam, lParam);
        default:
            return savedProc(window, message, wParam, lParam);
        }
    } catch (...) {
        // No exception crosses into the system's dispatcher.
        return 0;
    }
}

std::wstring setEditValue(int32_t id, const std::wstring& text) {
    EditFieldRecord* field = findField(id);
    if (field == nullptr)
        return std::wstring();
    field->value = text;
    return field->value;
}

void showOnlyEdit(int32_t id, bool show) {
    EditFieldRecord* target = findField(id);
    forEachField([target, show](EditFieldRecord& field) {
        if (&field == target && show)
            field.flags |= EditFieldFlags::Visible;
        else
            field.flags &= ~EditFieldFlags::Visible;
    });
}

void hideAllEdits() {
    showOnlyEdit(-1, true);
}

void freeEditFonts() {
    gEditFonts.clear();
}

EditFieldRecord* firstTabbableEditField() {
    for (EditFieldRecord* field = skinHost().editFields; field != nullptr && field->kind != 0; ++field)
        if ((field->flags & EditFieldFlags::Visible) != 0 && (field->flags & EditFieldFlags::SkipTab) == 0)
            return field;
    return nullptr;
}

void refreshEdits(bool focus) {
    forEachField([focus](EditFieldRecord& field) {
        if (field.window == nullptr)
            return;
        if ((field.flags & EditFieldFlags::Visible) == 0) {
            ShowWindow(field.window, SW_HIDE);
            return;
        }
        if (!IsWindowVisible(field.window))
            ShowWindow(field.window, SW_SHOW);
        // The face's blit has just painted over the field: it draws itself again at once, through its own DC.
        {
            ScopedWindowDC dc(field.window);
            if (dc.get() != nullptr)
                SendMessageW(field.window, WM_PRINT, reinterpret_cast<WPARAM>(dc.get()),
                             PRF_NONCLIENT | PRF_CLIENT | PRF_ERASEBKGND);
        }
        if (focus)
            SetFocus(field.window);
    });
}
