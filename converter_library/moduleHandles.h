// The module window and the library's instance handle, as the conversion job sees them: the owner of the job's
// message boxes and progress window. The module window sets them when it opens; tests set their own.
#pragma once

#include <windows.h>

void setModuleHandles(HWND window, HINSTANCE instance);
HWND moduleWindow();
HINSTANCE moduleInstance();
