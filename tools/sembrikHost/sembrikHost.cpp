// sembrikHost: opens the Sembrik module window of the installed suite, the way the settings program's module launcher
// will: the library from the machine-wide install path (32-bit registry view), its export "showOptSbk" looked up by
// name, called without an owner. tools/run-options.sh starts it for -sbk while the settings program finds no module.
// Exit code: the window's result (0 Close, 1 close control), 2 when the suite is not installed, 3 when the library
// or its export is missing.
#include "scopedWin.h"

#include <windows.h>

#include <cstdint>
#include <string>

namespace {
using ShowOptSbkEntry = int32_t (*)(HINSTANCE instance, HWND owner);

std::wstring installPath() {
    ScopedRegKey key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Veltrim\\sembrik", 0, KEY_READ | KEY_WOW64_32KEY, key.put()) !=
        ERROR_SUCCESS)
        return {};
    wchar_t buffer[MAX_PATH] = {};
    DWORD size = sizeof(buffer) - sizeof(wchar_t);
    DWORD type = 0;
    if (RegQueryValueExW(key.get(), L"path", nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size) !=
            ERROR_SUCCESS ||
        type != REG_SZ)
        return {};
    return buffer;
}
} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    try {
        const std::wstring path = installPath();
        if (path.empty())
            return 2;
        // The library stays loaded until the process ends.
        const HMODULE library = LoadLibraryW((path + L"\\sembrik\\VeltrimSbk64.dll").c_str());
        if (library == nullptr)
            return 3;
        const auto entry = reinterpret_cast<ShowOptSbkEntry>(
            reinterpret_cast<void*>(GetProcAddress(library, "showOptSbk")));
        if (entry == nullptr)
            return 3;
        return entry(instance, nullptr);
    } catch (...) {
        return 3;
    }
}
