// Starting the Equation Editor 3.x server before a job that writes its objects, and asking its windows to close after
// the job. The server is outside this system: it is found through its OLE LocalServer32 registration and started as a
// plain program; nothing here speaks OLE to it or waits for it to be ready. Windows only.
#pragma once

#include <windows.h>

#include <cstdint>

// A wait of the given milliseconds. The waits that give the server time to start and its windows time to act on
// WM_CLOSE go through it, so that tests need not sit through them.
using EquationServerSleep = void (*)(uint32_t milliseconds);

// Installs the wait (null restores the real Sleep). Tests call it on their main thread while no job runs.
void setEquationServerSleep(EquationServerSleep sleep);

// Starts the program of the server's LocalServer32 registration (HKLM, default view) hidden, waits a second for it to
// come up and then repaints `window` when it is not null, since the wait held back its painting. A missing key, an
// unreadable or empty value, or one naming no program starts nothing and returns at once. Whether the program really
// started is not checked: the job then runs without a started server.
void startEquationServer(HWND window);

// Posts WM_CLOSE to every top-level window of the server (see postCloseToEquationWindow), then waits half a second
// for them to go.
void closeEquationWindows();

// The EnumWindows callback of closeEquationWindows: posts WM_CLOSE to `window` when the first 15 characters of its
// class name contain "EQNWINCLASS" (case-sensitive). `lParam` is unused. Always TRUE, so every window is visited.
BOOL CALLBACK postCloseToEquationWindow(HWND window, LPARAM lParam);
