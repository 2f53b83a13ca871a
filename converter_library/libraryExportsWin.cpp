// The library's load-time entry and its two exports. Loading the library only builds its global objects: all work
// starts in the exports, on the caller's thread. The .def file beside this gives the exports their names and
// ordinals.
#include "moduleWindow.h"
#include "sembrikExports.h"
#include "skinHost.h"

namespace {
// The library's own module handle, kept at load; nothing else happens there.
HINSTANCE gLibraryModule = nullptr;
} // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH)
        gLibraryModule = module;
    return TRUE;
}

extern "C" int32_t showOpt(HINSTANCE instance, HWND owner, int32_t reserved, int32_t* status, wchar_t* moduleId) {
    (void)reserved;
    try {
        return runModuleWindow(instance != nullptr ? instance : gLibraryModule, owner, status, moduleId);
    } catch (...) {
        // No exception crosses into the host. The window's GDI objects went on the way out; an outcome that is
        // neither "Close" nor a close request ends the host process, as a dialog that could not be made does.
        fatalExit(kExitWindowResource);
    }
}

extern "C" int32_t showOptSbk(HINSTANCE instance, HWND owner) {
    return showOpt(instance, owner, 0, nullptr, nullptr);
}
