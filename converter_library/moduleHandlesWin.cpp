// The module window's handles; see moduleHandles.h.
#include "moduleHandles.h"

#include <atomic>

namespace {
// Written by the UI thread when the module window opens and closes, read by it and by the conversion worker.
std::atomic<HWND> gModuleWindow{nullptr};
std::atomic<HINSTANCE> gModuleInstance{nullptr};
} // namespace

void setModuleHandles(HWND window, HINSTANCE instance) {
    gModuleWindow.store(window);
    gModuleInstance.store(instance);
}

HWND moduleWindow() {
    return gModuleWindow.load();
}
HINSTANCE moduleInstance() {
    return gModuleInstance.load();
}
