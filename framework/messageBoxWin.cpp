// Message boxes through one seam; see messageBox.h.
#include "messageBox.h"

#include <atomic>

namespace {
// Set by tests on their main thread, read by whichever thread shows a box.
std::atomic<MessageBoxHook> gMessageBoxHook{nullptr};
} // namespace

void setMessageBoxHook(MessageBoxHook hook) {
    gMessageBoxHook.store(hook);
}

int showMessageBox(HWND owner, const std::wstring& text, const std::wstring& caption, UINT flags) {
    if (MessageBoxHook hook = gMessageBoxHook.load())
        return hook(owner, text, caption, flags);
    return MessageBoxW(owner, text.c_str(), caption.c_str(), flags);
}
