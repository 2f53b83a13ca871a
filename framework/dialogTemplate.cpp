// Writes the skinned window's dialog template. See dialogTemplate.h.
#include "dialogTemplate.h"

namespace {
// A bounded little-endian writer over the template block. A write that does not fit clears `ok` and writes nothing,
// so the block is never overrun whatever the caller passes.
struct TemplateWriter {
    uint8_t* data;
    size_t size;
    size_t pos = 0;
    bool ok = true;

    void word(uint16_t value) {
        if (pos > size || size - pos < 2) {
            ok = false;
            return;
        }
        data[pos++] = static_cast<uint8_t>(value & 0xFF);
        data[pos++] = static_cast<uint8_t>(value >> 8);
    }
    void dword(uint32_t value) {
        word(static_cast<uint16_t>(value & 0xFFFF));
        word(static_cast<uint16_t>(value >> 16));
    }
};
} // namespace

size_t writeSkinnedDialogTemplate(uint8_t* block, DialogUnitSize size, const std::wstring& title) {
    TemplateWriter writer{block, kSkinnedTemplateSize};
    // DLGTEMPLATE: style, extended style, item count, x, y, cx, cy. It starts the block, which GlobalAlloc aligns,
    // and no item follows, so no DWORD padding is ever needed.
    writer.dword(kSkinnedDialogStyle);
    writer.dword(0);
    writer.word(0);
    writer.word(0);
    writer.word(0);
    writer.word(static_cast<uint16_t>(size.cx));
    writer.word(static_cast<uint16_t>(size.cy));
    writer.word(0); // no menu
    writer.word(0); // the system's dialog class
    const size_t units = title.size() < kSkinnedTitleMax ? title.size() : kSkinnedTitleMax;
    for (size_t i = 0; i < units; ++i)
        writer.word(static_cast<uint16_t>(title[i]));
    writer.word(0);
    return writer.pos;
}
