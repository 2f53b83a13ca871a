// Start-up of the settings program: one of the five start modes, the suite's settings, then either one module's
// option window or the main window as a modal dialog on the one UI thread. The command line itself is read by
// commandLine.h; wWinMain (optionsProgramMain.cpp) joins the two.
#pragma once

#include "commandLine.h"

#include <windows.h>

#include <cstdint>

// Results of startOptionsProgram.
constexpr int32_t kClosedThroughOk = 0;  // the main window was closed through OK
constexpr int32_t kClosedOtherwise = 1;  // the main window was closed in any other way
constexpr int32_t kModuleWindowOnly = 3; // a module-only mode ran
// Exit codes of the fatal exits start-up takes.
constexpr int kFatalDialogFailed = 11;    // the main dialog could not be created
constexpr int kFatalSettingsMissing = 12; // the machine-wide settings are missing

// Runs the program in `mode`; the main window is owned by `owner` when that is a window (null: no owner). A mode
// value outside the enumeration runs the main window. Ends the process through the fatal exit when the suite is
// not installed or the main dialog fails.
int32_t startOptionsProgram(HINSTANCE instance, HWND owner, StartMode mode);

// True once the program started with file processing enabled ("-proc"); read by the main window's commands.
bool fileProcessingEnabled();
// Sets it: start-up does, and tests that run the main window without start-up.
void setFileProcessingEnabled(bool enabled);

// The owner handle the command line names: the 32-bit value sign-extended, as window handles are.
HWND ownerWindowFromValue(int32_t value);
