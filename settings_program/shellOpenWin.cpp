// The shell seam; see shellOpen.h.
#include "shellOpen.h"

#include <shellapi.h>

namespace {
ShellOpenHook gShellOpenHook = nullptr; // UI thread (tests set it before the window runs)
} // namespace

void setShellOpenHook(ShellOpenHook hook) {
    gShellOpenHook = hook;
}

intptr_t realShellOpen(HWND owner, const std::wstring& target, const std::wstring& parameters) {
    const HINSTANCE result = ShellExecuteW(owner, L"open", target.c_str(),
                                           parameters.empty() ? nullptr : parameters.c_str(), L"", SW_SHOWNORMAL);
    return reinterpret_cast<intptr_t>(result);
}

intptr_t shellOpen(HWND owner, const std::wstring& target, const std::wstring& parameters) {
    return gShellOpenHook != nullptr ? gShellOpenHook(owner, target, parameters)
                                     : realShellOpen(owner, target, parameters);
}
