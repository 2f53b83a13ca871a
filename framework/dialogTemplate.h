// The in-memory template of a skinned window: one DLGTEMPLATE without items, menu, class or font block, followed by
// the window title. The writer is portable (bytes only, little-endian as Windows reads them), so its golden byte
// dump is checked natively too; runSkinnedDialog (skinnedDialog.h) fills the block it hands to the dialog manager.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// The template block: 18 bytes of DLGTEMPLATE, the menu and class words, and the title with its terminating zero.
constexpr size_t kSkinnedTemplateSize = 218;
// The longest title that fits the block; a longer one is cut to it.
constexpr size_t kSkinnedTitleMax = 97;
// WS_POPUP | WS_VISIBLE | WS_SYSMENU | DS_CENTER | DS_SETFOREGROUND.
constexpr uint32_t kSkinnedDialogStyle = 0x90080A00;

// The dialog's size in dialog units.
struct DialogUnitSize {
    int16_t cx = 0;
    int16_t cy = 0;
};

// Writes the template into `block` (kSkinnedTemplateSize bytes, zeroed by the caller). Title units outside 16 bits
// (only possible where wchar_t is 32 bits) are written as their low 16 bits. Returns the bytes written.
size_t writeSkinnedDialogTemplate(uint8_t* block, DialogUnitSize size, const std::wstring& title);
