// The converter library's exports, as its hosts call them (the settings program looks them up by name with
// GetProcAddress). C linkage, the default calling convention, undecorated names on both architectures.
#pragma once

#include <windows.h>

#include <cstdint>

extern "C" {
// Opens the module window, modal on the calling thread; returns 0 when it was closed with "Close", 1 when it was
// closed by its close control or a close request. `reserved` is not used. `status`, when not null, receives the
// status word (the same value as the result); `moduleId`, when not null, a buffer of at least 32 wide characters,
// receives the module id ("SBK15x2026") and a terminating zero. Ordinal 1.
int32_t showOpt(HINSTANCE instance, HWND owner, int32_t reserved, int32_t* status, wchar_t* moduleId);
// showOpt (instance, owner, 0, null, null). Ordinal 2.
int32_t showOptSbk(HINSTANCE instance, HWND owner);
}

using ShowOptEntry = int32_t (*)(HINSTANCE instance, HWND owner, int32_t reserved, int32_t* status, wchar_t* moduleId);
using ShowOptSbkEntry = int32_t (*)(HINSTANCE instance, HWND owner);
