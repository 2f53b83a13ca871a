// Stand-ins for what start-up needs from the skinned window framework and from windows that are not built yet. Each
// is named ...Placeholder and does the least that lets the program start, run and end; when the real pieces come,
// each call is pointed at its replacement and this file goes:
//   setHostInstancePlaceholder, setHostUiFontFacePlaceholder, mainWindowPlaceholder
//                                   -> the framework's host context (instance, UI font face, main window)
//   chooseUiFontFacePlaceholder     -> chooseUiFontFace
//   runMainWindowPlaceholder        -> loadBackgroundBitmap, loadButtonSkin, syncMathTypeStyleControls, then
//                                      runSkinnedDialog (owner) with mainWindowProc
//   fatalExitPlaceholder            -> fatalExit
//   showModuleOptionsPlaceholder    -> showPalvexOptions, showDornakOptions, showSembrikOptions
#pragma once

#include "programSettings.h"

#include <windows.h>

#include <string>

void setHostInstancePlaceholder(HINSTANCE instance);
void setHostUiFontFacePlaceholder(const std::wstring& face);
// A fixed face until the framework's chooser looks at the installed fonts.
std::wstring chooseUiFontFacePlaceholder();
// The main window while it runs, else null.
HWND mainWindowPlaceholder();

// Runs a plain modal dialog titled "Veltrim Sorvanta" in place of the main window, owned by `owner` (or none): OK or
// Enter ends it with 1, Cancel, Escape or the close box with 2; -1 when it cannot be created.
int runMainWindowPlaceholder(HWND owner);

// Unless `code` is 10, tells the user the suite is not properly installed (no owner); ends the main window if one
// runs, then ends the process with `code` as its exit status.
[[noreturn]] void fatalExitPlaceholder(int code);

// Opens a module's option window; until the launchers are built no module is found.
bool showModuleOptionsPlaceholder(SuiteModule module, HINSTANCE instance, HWND owner);
