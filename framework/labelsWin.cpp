// The label operations and their painting. See labels.h.
#include "labels.h"

#include "buttonStyles.h"
#include "scopedWin.h"
#include "skinHost.h"

namespace {
LabelRecord* findLabel(int32_t id) {
    for (LabelRecord* label = skinHost().labels; label != nullptr && !isTableEnd(*label); ++label)
        if (label->id == id)
            return label;
    return nullptr;
}

// How each kind is drawn; kinds not in the table are not drawn.
enum class DerivedFont { None, Larger, Bold };
struct LabelLook {
    LabelKind kind;
    UINT format;
    bool secondaryColour;
    DerivedFont font;
};
constexpr LabelLook kLabelLooks[] = {
    // kind, DrawTextW format, secondary colour, derived font
    {LabelKind::LabelLeft, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX, false, DerivedFont::None},
    {LabelKind::LabelCentred, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_CENTER, false, DerivedFont::None},
    {LabelKind::LabelHeading, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX, true, DerivedFont::Larger},
    {LabelKind::LabelBold, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX, true, DerivedFont::Bold},
    // Without DT_SINGLELINE, DT_VCENTER has no effect: the lines start at the top.
    {LabelKind::LabelMultiLine, DT_VCENTER | DT_NOPREFIX, false, DerivedFont::None},
};

const LabelLook* lookOf(int32_t kind) {
    for (const LabelLook& look : kLabelLooks)
        if (static_cast<int32_t>(look.kind) == kind)
            return &look;
    return nullptr;
}

// The font currently in the back buffer made one scaled point larger or bold; null when the current font cannot be
// had or the new one cannot be made, and the label then draws with the current font.
HFONT makeDerivedFont(HDC dc, DerivedFont kind) {
    LOGFONTW font{};
    HGDIOBJ current = GetCurrentObject(dc, OBJ_FONT);
    if (current == nullptr || GetObjectW(current, sizeof(font), &font) == 0)
        return nullptr;
    if (kind == DerivedFont::Larger)
        font.lfHeight -= MulDiv(skinHost().textScale, GetDeviceCaps(dc, LOGPIXELSY), 7200);
    else
        font.lfWeight = FW_BOLD;
    return CreateFontIndirectW(&font);
}

void drawLabel(HDC dc, const LabelRecord& label, const LabelLook& look) {
    ScopedGdiObject<HFONT> derived(look.font == DerivedFont::None ? nullptr : makeDerivedFont(dc, look.font));
    ScopedSelectObject selection(dc, derived.get());
    SetTextColor(dc, look.secondaryColour ? secondaryTextColour() : primaryTextColour());
    RECT rect{label.x, label.y, label.x + label.width, label.y + label.height};
    DrawTextW(dc, label.caption.c_str(), static_cast<int>(label.caption.size()), &rect, look.format);
}
} // namespace

void setLabelVisible(int32_t id, bool visible) {
    if (LabelRecord* label = findLabel(id))
        label->flags = visible ? label->flags | ControlFlags::Visible : label->flags & ~ControlFlags::Visible;
}

void hideLabel(int32_t id) {
    setLabelVisible(id, false);
}

std::wstring setLabelText(int32_t id, const std::wstring& text) {
    return setRecordCaption(findLabel(id), text);
}

void setLabelRect(int32_t id, int32_t x, int32_t y, int32_t width, int32_t height) {
    if (LabelRecord* label = findLabel(id))
        setRecordRect(*label, x, y, width, height);
}

void setLabelX(int32_t id, int32_t x) {
    setLabelRect(id, x, -1, -1, -1);
}

void setLabelY(int32_t id, int32_t y) {
    setLabelRect(id, -1, y, -1, -1);
}

void drawLabels() {
    HDC dc = skinHost().backBuffer;
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, primaryTextColour());
    for (const LabelRecord* label = skinHost().labels; label != nullptr && !isTableEnd(*label); ++label) {
        if ((label->flags & ControlFlags::Visible) == 0)
            continue;
        if (const LabelLook* look = lookOf(label->kind))
            drawLabel(dc, *label, *look);
    }
}
