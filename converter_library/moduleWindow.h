// The Sembrik module window: a modal skinned dialog on the caller's thread with the pages "Word Add-in" and
// "Raw Mode"; "Select ..." starts one Raw Mode conversion on a worker thread (rawModeTask.h) and a timer collects
// its result. The framework draws, hit-tests and moves the highlight; this unit supplies the host context, the
// tables (moduleWindowTables.h), the dialog procedure and the commands. The library's exports are in
// libraryExportsWin.cpp.
//
// Threads: everything here runs on the thread that called the export (the UI thread), except postModuleStatusText
// and fatalExitFromWorker, which the conversion worker calls: the worker never draws and never touches the label
// table; it hands the text (or the exit) over and the UI thread acts on it.
#pragma once

#include <windows.h>

#include <cstdint>
#include <future>

// Runs the window to its end and releases every GDI object it made, on every way out; returns what showOpt returns
// (0: "Close", 1: a close request). Writes the status word and the module id when the pointers are not null. Missing
// machine-wide settings (12), a dialog that cannot be made or another outcome of it (11) and unloadable artwork (13)
// end the process (fatalExit). An exception (memory) leaves it with the GDI objects released.
int32_t runModuleWindow(HINSTANCE instance, HWND owner, int32_t* status, wchar_t* moduleId);

INT_PTR CALLBACK moduleWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Executes the command of a control id; while a conversion runs the commands 0, 2, 3 and 6 are refused with the busy
// message.
void handleModuleCommand(int32_t id);
// Bit 1 (kRedrawFace): background, labels and controls; bit 2 (kRedrawControls): controls only; then the back
// buffer goes to the window. UI thread only: a call from any other thread draws nothing and is counted.
void drawModuleWindow(int32_t flags);
void showWordAddInPage(bool show);
void hideWordAddInPage();
void showRawModePage(bool show);
void hideRawModePage();
// Label font, captions, label texts and module id.
void initModuleWindowTexts();
// The framework's button skin loader with the library's table, groups and artwork.
void loadModuleSkin();
// Whether a conversion runs (its result not yet collected). UI thread.
bool isModuleBusy();

// The status line from the conversion's thread: keeps the text and asks the window to show it. Any thread.
void postModuleStatusText(const wchar_t* text);

// The fatal exit (fatalExit, skinHost.h) for code on the conversion's thread: the window's own thread shows the
// message and ends the process, while this thread waits, holding nothing, until the process is gone. An exit run on
// the worker itself would end the process while the window's thread is stopped anywhere (in the middle of a drawing
// call or a heap operation), and the clean-up that follows can wait for ever on a lock that thread held. Without a
// window to hand it to, or on the window's thread, it is fatalExit itself. Never returns.
[[noreturn]] void fatalExitFromWorker(int32_t code);

// Seams for the window's tests.
// What the web link does with the product page (the default opens it in the user's browser).
using LinkOpener = void (*)(HWND owner, const wchar_t* address);
void setLinkOpener(LinkOpener opener);
// How "Select ..." starts the Raw Mode task on a thread of its own (the default: std::async with the asynchronous
// policy; null restores it). A starter may throw, as one does on a system that cannot start a thread.
using ConversionStarter = std::future<int32_t> (*)();
void setConversionStarter(ConversionStarter starter);
// How many times drawModuleWindow was called from a thread other than the window's.
int32_t foreignThreadDrawCount();
