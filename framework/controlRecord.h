// The record of the skinned window's drawn controls and labels: both tables hold this one layout. The operations on
// the tables are in controls.h and labels.h; this header is portable.
#pragma once

#include <cstdint>
#include <string>

// ControlRecord::flags, named as ControlFlags::Visible and so on.
struct ControlFlags {
    enum : int32_t {
        Visible = 1,     // drawn, hit-testable, reachable by Tab (labels: drawn)
        Checked = 2,     // check box ticked, tab selected
        Highlighted = 4, // under the mouse or holding the keyboard focus
        Pressed = 8,     // mouse button or Enter/Space down on it
    };
};

// ControlRecord::kind of a control. Kinds 2, 4 and 8 have no styles in either host's table.
enum class ControlKind : int32_t {
    PushButton = 1,
    CheckBox = 3,
    LinkButton = 5,
    MinimiseButton = 6,
    CloseButton = 7,
    HelpButton = 9,
    TabButton = 10,
    SelectorButton = 11,
};

// ControlRecord::kind of a label; any other kind is not drawn.
enum class LabelKind : int32_t {
    LabelLeft = 1,      // one line, left, vertically centred, primary colour
    LabelCentred = 2,   // one line, centred, vertically centred, primary colour
    LabelHeading = 3,   // one line, left, secondary colour, one scaled point larger
    LabelBold = 4,      // one line, left, secondary colour, bold
    LabelMultiLine = 5, // lines at explicit breaks, left, from the top, primary colour
};

struct ControlRecord {
    int32_t kind = 0; // ControlKind or LabelKind; 0 only in the sentinel that ends a table
    int32_t id = -1;  // -1 in the sentinel; a control's id is also its command number
    int32_t x = 0;
    int32_t y = 0;
    int32_t width = 0;
    int32_t height = 0;
    int32_t flags = 0;
    std::wstring caption;
};
using LabelRecord = ControlRecord;

inline ControlRecord newControlRecord(ControlKind kind, int32_t id, int32_t x, int32_t y, int32_t width, int32_t height,
                                      int32_t flags, const std::wstring& text) {
    return ControlRecord{static_cast<int32_t>(kind), id, x, y, width, height, flags, text};
}
inline ControlRecord newControlRecord(LabelKind kind, int32_t id, int32_t x, int32_t y, int32_t width, int32_t height,
                                      int32_t flags, const std::wstring& text) {
    return ControlRecord{static_cast<int32_t>(kind), id, x, y, width, height, flags, text};
}
// Any kind number, including those no table draws.
inline ControlRecord newControlRecord(int32_t kind, int32_t id, int32_t x, int32_t y, int32_t width, int32_t height,
                                      int32_t flags, const std::wstring& text) {
    return ControlRecord{kind, id, x, y, width, height, flags, text};
}

// The record that ends every control and label table.
inline ControlRecord controlTableEnd() {
    return ControlRecord{};
}

// Frees the record's string; the record stays usable as an empty one.
inline void destroyControlRecord(ControlRecord& record) {
    std::wstring().swap(record.caption);
}

// Sets each of the four that is 0 or more; a negative argument keeps the old value.
inline void setRecordRect(ControlRecord& record, int32_t x, int32_t y, int32_t width, int32_t height) {
    if (x >= 0)
        record.x = x;
    if (y >= 0)
        record.y = y;
    if (width >= 0)
        record.width = width;
    if (height >= 0)
        record.height = height;
}

// Sets the caption of a record found by id (null: none) and returns the caption now held; empty when there is none.
inline std::wstring setRecordCaption(ControlRecord* record, const std::wstring& text) {
    if (record == nullptr)
        return std::wstring();
    record->caption = text;
    return record->caption;
}

inline bool isTableEnd(const ControlRecord& record) {
    return record.kind == 0;
}
