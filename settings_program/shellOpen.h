// The settings program's one way to hand a file, a program or a web address to the shell (ShellExecuteW with the
// verb "open", an empty directory and the normal show command), so that tests can answer in its place. Without a
// hook the real shell runs. UI thread only.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

// The shell's result: above 32 when it started something, else its error (5 is access denied, 2 file not found).
using ShellOpenHook = intptr_t (*)(HWND owner, const std::wstring& target, const std::wstring& parameters);

// Installs the hook (null restores the real shell).
void setShellOpenHook(ShellOpenHook hook);

// Opens `target` with `parameters` (empty: none) owned by `owner`, through the hook when one is installed.
intptr_t shellOpen(HWND owner, const std::wstring& target, const std::wstring& parameters);
// The real shell, for a hook that hands a call on.
intptr_t realShellOpen(HWND owner, const std::wstring& target, const std::wstring& parameters);
