// Runs the settings program's real main window (its tables, procedure, selectors and language code) on a thread of
// its own, so that a test can post real mouse and key messages to its queue and look at the result on the window's
// thread. The settings are loaded from the registry (the test's fixture) as start-up loads them; a test may change
// them before the window starts. The session's procedure stands in front of mainWindowProc only to run the test's
// jobs and to move the window away from the test display's pointer.
#pragma once

#include "messageBoxRecorder.h"

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace testing_support {

struct MainWindowStart {
    bool owner = false;                // run with an owner window (the minimise button is hidden)
    std::function<void()> beforeStart; // on the window's thread, after the settings are loaded
    std::wstring uiFontFace;           // the face start-up's chooser gives, when not its own
};

class MainWindowSession {
public:
    explicit MainWindowSession(const MainWindowStart& start = MainWindowStart());
    // Ends the window if it still runs and waits for its thread.
    ~MainWindowSession();
    MainWindowSession(const MainWindowSession&) = delete;
    MainWindowSession& operator=(const MainWindowSession&) = delete;

    bool started() const { return window_ != nullptr; }
    HWND window() const { return window_; }
    // Posts a message to the main window (or to another window of its thread) and waits until the thread has
    // handled it and everything posted before.
    bool post(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
    bool postTo(HWND target, UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
    // A click (press and release) at a client point, or on the centre of a control.
    bool click(int x, int y);
    bool clickControl(int id);
    // Runs `job` on the window's thread and waits; false when the thread did not answer in time or the window ended.
    bool run(const std::function<void()>& job);
    template <typename Result> Result call(const std::function<Result()>& job) {
        Result result{};
        run([&] { result = job(); });
        return result;
    }
    // The dialog's end value, or -2 when it did not end in time.
    INT_PTR waitForEnd(DWORD milliseconds = 10000);
    bool ended() const;

private:
    struct Shared;
    std::shared_ptr<Shared> shared_;
    HWND window_ = nullptr;
};

} // namespace testing_support
