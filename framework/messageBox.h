// The one way the system shows a message box, so that tests can answer them. Without a hook installed the real
// MessageBoxW is shown; a test installs a hook that records the box and returns the answer it wants.
#pragma once

#include <windows.h>

#include <string>

// Receives the box instead of the user; returns the button id the box would have returned (IDOK, IDCANCEL, ...).
using MessageBoxHook = int (*)(HWND owner, const std::wstring& text, const std::wstring& caption, UINT flags);

// Installs the hook (null restores real boxes). Safe to call from any thread.
void setMessageBoxHook(MessageBoxHook hook);

// Shows the box (or hands it to the hook) and returns the button the user chose.
int showMessageBox(HWND owner, const std::wstring& text, const std::wstring& caption, UINT flags);
