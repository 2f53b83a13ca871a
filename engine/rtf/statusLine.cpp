// The status line hook: one atomic function pointer, since the UI thread installs it and the job thread calls it.
#include "rtf/statusLine.h"

#include <atomic>

namespace {
std::atomic<StatusLineHook> gStatusLineHook{nullptr}; // written by whoever owns the status line, read by the job
std::atomic<StatusTickHook> gStatusTickHook{nullptr}; // written and read by the job's thread (atomic for safety)
} // namespace

void setStatusTickHook(StatusTickHook hook) {
    gStatusTickHook.store(hook, std::memory_order_release);
}

void setStatusLineHook(StatusLineHook hook) {
    gStatusLineHook.store(hook, std::memory_order_release);
}

void showStatusLine(const wchar_t* text) {
    if (StatusLineHook hook = gStatusLineHook.load(std::memory_order_acquire))
        hook(text);
    if (StatusTickHook tick = gStatusTickHook.load(std::memory_order_acquire))
        tick();
}
