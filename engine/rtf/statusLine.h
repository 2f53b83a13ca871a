// The status line of the module window, as the engine and the conversion job see it.
// The module window installs a hook that shows the text and redraws; tests install their own;
// without a hook, status texts go nowhere.
#pragma once

// Receives one status text ("Processed: 42%", "Done.", ...). Called on the conversion job's thread.
using StatusLineHook = void (*)(const wchar_t* text);

// Installs the hook (null removes it). Safe to call from any thread.
void setStatusLineHook(StatusLineHook hook);

// Hands a text to the installed hook, if any.
void showStatusLine(const wchar_t* text);

// Called on the job's thread after every status text, so that windows of that thread (the progress window) handle
// their messages while the pass runs without a message loop. Null removes it.
using StatusTickHook = void (*)();
void setStatusTickHook(StatusTickHook hook);
