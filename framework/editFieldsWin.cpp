// The edit fields' windows. See editFields.h.
#include "editFields.h"

#include "scopedWin.h"
#include "skinHost.h"

EditFieldRecord* firstTabbableEditField() {
    for (EditFieldRecord* field = skinHost().editFields; field != nullptr && field->kind != 0; ++field)
        if ((field->flags & EditFieldFlags::Visible) != 0 && (field->flags & EditFieldFlags::SkipTab) == 0)
            return field;
    return nullptr;
}

void refreshEdits(bool focus) {
    for (EditFieldRecord* field = skinHost().editFields; field != nullptr && field->kind != 0; ++field) {
        if (field->window == nullptr)
            continue;
        if ((field->flags & EditFieldFlags::Visible) == 0) {
            ShowWindow(field->window, SW_HIDE);
            continue;
        }
        if (!IsWindowVisible(field->window))
            ShowWindow(field->window, SW_SHOW);
        // The face's blit has just painted over the field: have it draw itself again at once, through its own DC.
        {
            ScopedWindowDC dc(field->window);
            if (dc.get() != nullptr)
                SendMessageW(field->window, WM_PRINT, reinterpret_cast<WPARAM>(dc.get()),
                             PRF_NONCLIENT | PRF_CLIENT | PRF_ERASEBKGND);
        }
        if (focus)
            SetFocus(field->window);
    }
}
