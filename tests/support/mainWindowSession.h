// Runs the settings program's real main window (its tables, procedure, selectors and language code) on a thread of
// its own, so that a test can post real mouse and key messages to its queue and look at the result on the window's
// thread. The settings are loaded from the registry (the test's fixture) as start-up loads them; a test may change
// them before the window starts. The session's procedure stands in front of mainWindowProc only to run the test's
// jobs and to move the window away from the test display's pointer.
#pragma once

#include "messageBoxRecorder.h"
#include "windowSession.h"

#include <windows.h>

#include <functional>
#include <string>

namespace testing_support {

struct MainWindowStart {
    bool owner = false;                // run with an owner window (the minimise button is hidden)
    std::function<void()> beforeStart; // on the window's thread, after the settings are loaded
    std::wstring uiFontFace;           // the face start-up's chooser gives, when not its own
};

// The session ends the window (with 99) if it still runs and waits for its thread; see windowSession.h for the jobs
// and the wait for the end.
class MainWindowSession : public WindowSession {
public:
    explicit MainWindowSession(const MainWindowStart& start = MainWindowStart());

    // Posts a message to the main window (or to another window of its thread) and waits until the thread has
    // handled it and everything posted before; a message that ends the window counts once the window has ended.
    bool post(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
    bool postTo(HWND target, UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
    // A click (press and release) at a client point, or on the centre of a control.
    bool click(int x, int y);
    bool clickControl(int id);
};

} // namespace testing_support
