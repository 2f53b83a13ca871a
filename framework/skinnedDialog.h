// Runs the host's skinned main window as a modal dialog from an in-memory template (dialogTemplate.h).
// The framework's own procedure stands in front of the host's: it makes the dialog exactly the window size when it
// starts (dialog units round), and it keeps the system's dialog manager from taking Tab, Enter and Esc (focus moves,
// IDOK, IDCANCEL), so that those keys reach the host's procedure as WM_KEYDOWN. Everything else goes to the host.
#pragma once

#include "dialogTemplate.h"

#include <windows.h>

// Returns the dialog's end value; -1 when the template memory cannot be had or the dialog cannot be created. With
// an owner, the host's minimise control is hidden first: a window with an owner is not minimised on its own.
INT_PTR runSkinnedDialog(HWND owner);

// The window size in dialog units: MulDiv by the system's dialog base units, 4 horizontal and 8 vertical units per
// base unit.
DialogUnitSize skinnedDialogUnits();
