// The skinned window's dialog run and the procedure in front of the host's. See skinnedDialog.h.
#include "skinnedDialog.h"

#include "controls.h"
#include "scopedWin.h"
#include "skinHost.h"

namespace {
// Makes the client area exactly the host's window size, keeping the window's centre where the dialog manager put
// it: the template's size in dialog units comes out a pixel or two off after rounding.
void setExactClientSize(HWND window) {
    const SkinHost& host = skinHost();
    RECT outer{};
    RECT client{};
    GetWindowRect(window, &outer);
    GetClientRect(window, &client);
    const int32_t frameX = (outer.right - outer.left) - client.right;
    const int32_t frameY = (outer.bottom - outer.top) - client.bottom;
    const int32_t dx = host.windowWidth - client.right;
    const int32_t dy = host.windowHeight - client.bottom;
    if (dx == 0 && dy == 0)
        return;
    SetWindowPos(window, nullptr, outer.left - dx / 2, outer.top - dy / 2, host.windowWidth + frameX,
                 host.windowHeight + frameY, SWP_NOZORDER | SWP_NOACTIVATE);
}

INT_PTR CALLBACK skinnedDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    try {
        switch (message) {
        case WM_INITDIALOG:
            setExactClientSize(window);
            break;
        case WM_SETFOCUS:
            if (keyboardNavigation()) {
                // The dialog manager would hand the focus straight back to the child that had it last (an edit
                // field that Tab has just left); while the window itself takes the keys, it keeps the focus.
                DLGPROC hostProc = skinHost().dialogProc;
                if (hostProc != nullptr)
                    hostProc(window, message, wParam, lParam);
                return TRUE;
            }
            break;
        case WM_GETDLGCODE:
            // Asked by the dialog manager before it acts on a key: this window wants every key itself.
            SetWindowLongPtrW(window, DWLP_MSGRESULT, DLGC_WANTALLKEYS);
            return TRUE;
        default:
            break;
        }
        DLGPROC hostProc = skinHost().dialogProc;
        return hostProc != nullptr ? hostProc(window, message, wParam, lParam) : FALSE;
    } catch (...) {
        // No exception crosses into the dialog manager; the message counts as not handled.
        return FALSE;
    }
}
} // namespace

DialogUnitSize skinnedDialogUnits() {
    const SkinHost& host = skinHost();
    const LONG baseUnits = GetDialogBaseUnits();
    DialogUnitSize size;
    size.cx = static_cast<int16_t>(MulDiv(host.windowWidth, 4, LOWORD(baseUnits)));
    size.cy = static_cast<int16_t>(MulDiv(host.windowHeight, 8, HIWORD(baseUnits)));
    return size;
}

INT_PTR runSkinnedDialog(HWND owner) {
    SkinHost& host = skinHost();
    ScopedGlobalMemory block(GlobalAlloc(GMEM_ZEROINIT, kSkinnedTemplateSize));
    if (block.get() == nullptr)
        return -1;
    // The block stays locked while the dialog runs: the dialog manager reads the template only as it creates the
    // window, but the pointer it was given stays valid either way.
    ScopedGlobalLock lock(block.get());
    if (lock.data() == nullptr)
        return -1;
    writeSkinnedDialogTemplate(static_cast<uint8_t*>(lock.data()), skinnedDialogUnits(), host.title);
    if (owner != nullptr)
        setControlVisible(host.minimiseControlId, false);
    return DialogBoxIndirectParamW(host.instance, static_cast<const DLGTEMPLATE*>(lock.data()), owner,
                                   skinnedDialogProc, 0);
}
