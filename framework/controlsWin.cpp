// The drawn controls' states, Tab order and painting. See controls.h.
#include "controls.h"

#include "buttonStyles.h"
#include "editFields.h"
#include "scopedWin.h"
#include "skinHost.h"

namespace {
// How each kind draws: its normal style (highlighted is the next style, pressed the one after), whether a check mark
// picks the style three rows further, and the caption's insets and alignment. Kinds not here draw nothing. The
// check boxes and the window buttons carry no caption in either host; their captions, should one be set, are drawn
// over the whole cell.
struct ControlLook {
    int32_t kind;
    int32_t normalStyle;
    bool checkable;
    int32_t insetLeft;
    int32_t insetRight;
    bool centred;
};
constexpr ControlLook kControlLooks[] = {
    // kind, normal style, checkable, caption inset left, right, centred
    {static_cast<int32_t>(ControlKind::PushButton), 25, false, 10, 10, true},
    {2, 28, false, 10, 10, true},
    {static_cast<int32_t>(ControlKind::CheckBox), 1, true, 0, 0, false},
    {4, 7, true, 0, 0, false},
    {static_cast<int32_t>(ControlKind::LinkButton), 13, false, 5, 5, true},
    {static_cast<int32_t>(ControlKind::MinimiseButton), 16, false, 0, 0, true},
    {static_cast<int32_t>(ControlKind::CloseButton), 19, false, 0, 0, true},
    {static_cast<int32_t>(ControlKind::HelpButton), 22, false, 0, 0, true},
    {static_cast<int32_t>(ControlKind::TabButton), 31, true, 10, 10, false},
    {static_cast<int32_t>(ControlKind::SelectorButton), 37, false, 8, 20, false},
};

const ControlLook* lookOf(int32_t kind) {
    for (const ControlLook& look : kControlLooks)
        if (look.kind == kind)
            return &look;
    return nullptr;
}

ControlRecord* table() {
    return skinHost().controls;
}

ControlRecord* findControl(int32_t id) {
    for (ControlRecord* control = table(); control != nullptr && !isTableEnd(*control); ++control)
        if (control->id == id)
            return control;
    return nullptr;
}

bool isVisible(const ControlRecord& control) {
    return (control.flags & ControlFlags::Visible) != 0;
}

void setFlag(int32_t id, int32_t flag, bool on) {
    if (ControlRecord* control = findControl(id))
        control->flags = on ? control->flags | flag : control->flags & ~flag;
}

// The index of the first record that is Visible and Highlighted, -1 when none.
int32_t highlightedIndex() {
    const int32_t count = countControls();
    for (int32_t i = 0; i < count; ++i)
        if (isVisible(table()[i]) && (table()[i].flags & ControlFlags::Highlighted) != 0)
            return i;
    return -1;
}

// The first Visible index from `from` on in steps of `step` (+1 or -1), -1 when none.
int32_t nextVisibleIndex(int32_t from, int32_t step) {
    const int32_t count = countControls();
    for (int32_t i = from; i >= 0 && i < count; i += step)
        if (isVisible(table()[i]))
            return i;
    return -1;
}

void hoverIndex(int32_t index) {
    if (index >= 0)
        hoverControl(table()[index].id);
}

// Past either end of the controls: an edit field that Tab may enter takes the keys, and the controls lose their
// highlight. False when there is no such field.
bool moveIntoEditFields() {
    EditFieldRecord* field = firstTabbableEditField();
    if (field == nullptr)
        return false;
    setKeyboardNavigation(false);
    hoverControl(-1);
    // A field of id 0 is shown but does not take the focus: no host has one that Tab reaches, and this keeps the
    // rule the hosts' field tables were written for.
    refreshEdits(field->id != 0);
    return true;
}

// One Tab step, forwards (+1) or backwards (-1).
void focusStep(int32_t step) {
    const int32_t current = highlightedIndex();
    if (current < 0) {
        hoverIndex(nextVisibleIndex(0, 1));
        return;
    }
    const int32_t next = nextVisibleIndex(current + step, step);
    if (next >= 0) {
        hoverIndex(next);
        return;
    }
    if (moveIntoEditFields())
        return;
    hoverIndex(step > 0 ? nextVisibleIndex(0, 1) : nextVisibleIndex(countControls() - 1, -1));
}

void drawControl(HDC backBuffer, HDC cellDc, const ControlRecord& control) {
    const int32_t row = controlStyleRow(control);
    if (row < 0)
        return;
    const ButtonStyle& style = skinHost().buttonStyles[row];
    {
        ScopedSelectObject selection(cellDc, style.bitmap);
        BitBlt(backBuffer, control.x, control.y, control.width, control.height, cellDc, 0, 0, SRCCOPY);
    }
    if (control.caption.empty())
        return;
    const ControlLook& look = *lookOf(control.kind);
    RECT rect{control.x + look.insetLeft, control.y + 3, control.x + control.width - look.insetRight,
              control.y + control.height - 4};
    OffsetRect(&rect, style.textOffsetX, style.textOffsetY);
    SetTextColor(backBuffer, style.textColour);
    UINT format = DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX;
    if (look.centred)
        format |= DT_CENTER;
    DrawTextW(backBuffer, control.caption.c_str(), static_cast<int>(control.caption.size()), &rect, format);
}
} // namespace

int32_t countControls() {
    int32_t count = 0;
    for (const ControlRecord* control = table(); control != nullptr && !isTableEnd(*control); ++control)
        ++count;
    return count;
}

int32_t findControlIndex(int32_t id) {
    ControlRecord* control = findControl(id);
    return control == nullptr ? -1 : static_cast<int32_t>(control - table());
}

int32_t highlightedControlId() {
    const int32_t index = highlightedIndex();
    return index < 0 ? -1 : table()[index].id;
}

int32_t hitTestControl(int32_t x, int32_t y) {
    for (const ControlRecord* control = table(); control != nullptr && !isTableEnd(*control); ++control)
        if (isVisible(*control) && x >= control->x && x <= control->x + control->width && y >= control->y &&
            y <= control->y + control->height)
            return control->id;
    return -1;
}

bool isControlChecked(int32_t id) {
    const ControlRecord* control = findControl(id);
    return control != nullptr && (control->flags & ControlFlags::Checked) != 0;
}

void setControlChecked(int32_t id, bool checked) {
    setFlag(id, ControlFlags::Checked, checked);
}

void uncheckControl(int32_t id) {
    setControlChecked(id, false);
}

void toggleControlChecked(int32_t id) {
    setControlChecked(id, !isControlChecked(id));
}

void setControlVisible(int32_t id, bool visible) {
    setFlag(id, ControlFlags::Visible, visible);
}

void hideControl(int32_t id) {
    setControlVisible(id, false);
}

void hoverControl(int32_t id) {
    ControlRecord* target = findControl(id);
    for (ControlRecord* control = table(); control != nullptr && !isTableEnd(*control); ++control)
        if (control != target)
            control->flags &= ~(ControlFlags::Highlighted | ControlFlags::Pressed);
    if (target != nullptr && (target->flags & ControlFlags::Pressed) == 0)
        target->flags |= ControlFlags::Highlighted;
}

void pressControl(int32_t id) {
    ControlRecord* target = findControl(id);
    for (ControlRecord* control = table(); control != nullptr && !isTableEnd(*control); ++control) {
        control->flags &= ~ControlFlags::Highlighted;
        if (control != target)
            control->flags &= ~ControlFlags::Pressed;
    }
    if (target != nullptr)
        target->flags |= ControlFlags::Pressed;
}

void releaseControl(int32_t id) {
    ControlRecord* target = findControl(id);
    for (ControlRecord* control = table(); control != nullptr && !isTableEnd(*control); ++control) {
        control->flags &= ~ControlFlags::Pressed;
        if (control != target)
            control->flags &= ~ControlFlags::Highlighted;
    }
    if (target != nullptr)
        target->flags |= ControlFlags::Highlighted;
}

void focusNextControl() {
    focusStep(1);
}

void focusPreviousControl() {
    focusStep(-1);
}

std::wstring setControlCaption(int32_t id, const std::wstring& text) {
    return setRecordCaption(findControl(id), text);
}

void setControlRect(int32_t id, int32_t x, int32_t y, int32_t width, int32_t height) {
    if (ControlRecord* control = findControl(id))
        setRecordRect(*control, x, y, width, height);
}

void setControlX(int32_t id, int32_t x) {
    setControlRect(id, x, -1, -1, -1);
}

void setControlY(int32_t id, int32_t y) {
    setControlRect(id, -1, y, -1, -1);
}

int32_t controlStyleRow(const ControlRecord& control) {
    const ControlLook* look = lookOf(control.kind);
    if (look == nullptr)
        return -1;
    // Highlighted wins over Pressed: a control pressed by the mouse and then hovered again shows the highlight.
    int32_t style = look->normalStyle;
    if ((control.flags & ControlFlags::Highlighted) != 0)
        style += 1;
    else if ((control.flags & ControlFlags::Pressed) != 0)
        style += 2;
    int32_t row = findButtonStyle(style);
    if (row < 0)
        return -1;
    if (look->checkable && (control.flags & ControlFlags::Checked) != 0) {
        // The checked look is the row three further on; a table too short for it draws nothing.
        for (int32_t step = 0; step < 3; ++step)
            if (skinHost().buttonStyles[++row].styleId == 0)
                return -1;
    }
    return row;
}

void drawControls() {
    HDC backBuffer = skinHost().backBuffer;
    ScopedCreatedDC cellDc(CreateCompatibleDC(backBuffer));
    if (cellDc.get() == nullptr)
        fatalExit(kExitDrawing);
    SetBkMode(backBuffer, TRANSPARENT);
    for (const ControlRecord* control = table(); control != nullptr && !isTableEnd(*control); ++control)
        if (isVisible(*control))
            drawControl(backBuffer, cellDc.get(), *control);
}
