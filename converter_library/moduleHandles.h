// The module window and the library's instance handle, for code off the window's procedure: the owner of the Raw
// Mode task's dialogs and boxes (read as each opens), the per-file job's (copied at its start, jobParentWindow) and
// the target of the status line's hand-over. The module window sets them when it opens and clears the window when it
// goes; tests set their own.
#pragma once

#include <windows.h>

void setModuleHandles(HWND window, HINSTANCE instance);
HWND moduleWindow();
HINSTANCE moduleInstance();
