// What the window tests' sessions share: a window that runs on a thread of its own, so that the test's thread can
// post real input to its message queue and then run jobs on the window's thread, which wait for everything posted
// before them. A host decides how its window starts and how the window's thread takes a job (its dialog procedure,
// or a message hook of the thread for a library's window); the jobs, the start, the end and the waiting are these.
#pragma once

#include "scopedWin.h"

#include <windows.h>

#include <functional>
#include <memory>

namespace testing_support {

// The message a session posts to its window for a job, with the job in lParam. A host's procedure (or hook) that sees
// it calls runSessionJob(lParam) and keeps the message from the window's own code.
UINT sessionJobMessage();
void runSessionJob(LPARAM job);

// Called by a host's procedure at WM_INITDIALOG on the session's thread: the session's window has started.
void reportSessionWindow(HWND window);

// A hidden top-level window to own a session's window.
ScopedWindow makeOwnerWindow();

class WindowSession {
public:
    WindowSession(const WindowSession&) = delete;
    WindowSession& operator=(const WindowSession&) = delete;

    bool started() const { return window_ != nullptr; }
    HWND window() const { return window_; }
    // The thread that runs the window.
    DWORD threadId() const;
    // Posts a message to the window without waiting (for a message that opens a modal box).
    bool postOnly(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
    // Posts a message to the window and waits until its thread has handled it and everything posted before.
    bool post(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
    // A click (press and release) at a client point.
    bool click(int x, int y);
    // Runs `job` on the window's thread and waits; false when the thread did not answer in time or the window ended.
    bool run(const std::function<void()>& job);
    template <typename Result> Result call(const std::function<Result()>& job) {
        Result result{};
        run([&] { result = job(); });
        return result;
    }
    // The session's end value, or -2 when it did not end in time.
    INT_PTR waitForEnd(DWORD milliseconds = 10000);
    bool ended() const;

protected:
    // `endValue`: what EndDialog ends the window with when the session ends while the window still runs.
    explicit WindowSession(INT_PTR endValue);
    // Ends the window if it still runs and waits for the thread; a thread that does not end is left to the test
    // program's time limit.
    ~WindowSession();
    // Starts the session's thread. `body` runs the window and returns the session's end value; a window it starts
    // reports itself through reportSessionWindow.
    void startThread(std::function<INT_PTR()> body);
    // Waits for the window that body's dialog reported (none when it ended first or did not start in time).
    void waitForReportedWindow(DWORD milliseconds);
    // For a host that finds its window otherwise.
    void setWindow(HWND window) { window_ = window; }
    HANDLE endedEvent() const;

private:
    struct Shared;
    std::shared_ptr<Shared> shared_;
    HWND window_ = nullptr;
    INT_PTR endValue_;
};

} // namespace testing_support
