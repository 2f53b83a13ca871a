// The stand-in for what start-up needs from the module launchers, which are not built yet. When they come, the call
// is pointed at its replacement and this file goes:
//   showModuleOptionsPlaceholder    -> showPalvexOptions, showDornakOptions, showSembrikOptions
#pragma once

#include "programSettings.h"

#include <windows.h>

// Opens a module's option window; until the launchers are built no module is found.
bool showModuleOptionsPlaceholder(SuiteModule module, HINSTANCE instance, HWND owner);
