// The settings program's main window on a thread of its own; see mainWindowSession.h.
#include "mainWindowSession.h"

#include "mainWindow.h"
#include "programSettings.h"

#include "controls.h"
#include "scopedWin.h"
#include "skinHost.h"
#include "skinnedDialog.h"

#include <atomic>
#include <thread>

namespace testing_support {
namespace {
// Posted to the window with a Job in lParam: run it and signal.
constexpr UINT kRunJob = WM_APP + 1;

struct Job {
    const std::function<void()>* work;
    HANDLE done;
};

// Where the starting window reports itself; set by the session before its dialog runs.
HANDLE gStartedEvent = nullptr;
std::atomic<HWND>* gStartedWindow = nullptr;

INT_PTR CALLBACK sessionProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kRunJob) {
        const Job* job = reinterpret_cast<const Job*>(lParam);
        (*job->work)();
        SetEvent(job->done);
        return TRUE;
    }
    const INT_PTR result = mainWindowProc(window, message, wParam, lParam);
    if (message == WM_INITDIALOG) {
        // Away from the screen's centre, where the X pointer of the test display rests, and with the pointer taken to
        // the far corner, wherever the test before left it: only the test's own mouse messages may reach the window.
        SetWindowPos(window, nullptr, 40, 40, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        SetCursorPos(GetSystemMetrics(SM_CXSCREEN) - 1, GetSystemMetrics(SM_CYSCREEN) - 1);
        if (gStartedWindow != nullptr)
            *gStartedWindow = window;
        SetEvent(gStartedEvent);
    }
    return result;
}

ScopedWindow makeOwner() {
    return ScopedWindow(CreateWindowExW(0, L"STATIC", L"owner", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                        GetModuleHandleW(nullptr), nullptr));
}
} // namespace

struct MainWindowSession::Shared {
    ScopedHandle startedEvent{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    ScopedHandle endedEvent{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    std::atomic<HWND> window{nullptr};
    std::atomic<INT_PTR> result{-2};
    std::thread thread;
};

MainWindowSession::MainWindowSession(const MainWindowStart& start) : shared_(std::make_shared<Shared>()) {
    std::shared_ptr<Shared> shared = shared_;
    shared->thread = std::thread([shared, start] {
        (void)loadProgramSettings(); // a session without an installation fails at the window's start instead
        if (start.beforeStart)
            start.beforeStart();
        copyProgramSettings(savedSettings(), liveSettings());
        ScopedWindow owner = start.owner ? makeOwner() : ScopedWindow();
        prepareMainWindow(GetModuleHandleW(nullptr), start.uiFontFace.empty() ? chooseUiFontFace() : start.uiFontFace);
        skinHost().dialogProc = sessionProc;
        gStartedEvent = shared->startedEvent.get();
        gStartedWindow = &shared->window;
        shared->result = runSkinnedDialog(owner.get());
        releaseMainWindow();
        SetEvent(shared->startedEvent.get()); // a window that never started must not keep the test waiting
        SetEvent(shared->endedEvent.get());
    });
    if (WaitForSingleObject(shared_->startedEvent.get(), 20000) == WAIT_OBJECT_0)
        window_ = shared_->window;
}

MainWindowSession::~MainWindowSession() {
    if (!ended() && window_ != nullptr)
        run([] { EndDialog(skinHost().mainWindow, 99); });
    if (shared_->thread.joinable()) {
        if (WaitForSingleObject(shared_->endedEvent.get(), 10000) == WAIT_OBJECT_0)
            shared_->thread.join();
        else
            shared_->thread.detach(); // the test program's time limit ends it
    }
}

bool MainWindowSession::ended() const {
    return WaitForSingleObject(shared_->endedEvent.get(), 0) == WAIT_OBJECT_0;
}

bool MainWindowSession::run(const std::function<void()>& job) {
    if (window_ == nullptr || ended())
        return false;
    ScopedHandle done(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    Job message{&job, done.get()};
    if (!PostMessageW(window_, kRunJob, 0, reinterpret_cast<LPARAM>(&message)))
        return false;
    const HANDLE events[] = {done.get(), shared_->endedEvent.get()};
    return WaitForMultipleObjects(2, events, FALSE, 10000) == WAIT_OBJECT_0;
}

bool MainWindowSession::postTo(HWND target, UINT message, WPARAM wParam, LPARAM lParam) {
    if (window_ == nullptr || !PostMessageW(target, message, wParam, lParam))
        return false;
    // A message that ends the window leaves nothing to wait for but the end itself.
    return run([] {}) || waitForEnd(5000) != -2;
}

bool MainWindowSession::post(UINT message, WPARAM wParam, LPARAM lParam) {
    return postTo(window_, message, wParam, lParam);
}

bool MainWindowSession::click(int x, int y) {
    return post(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y)) && post(WM_LBUTTONUP, 0, MAKELPARAM(x, y));
}

bool MainWindowSession::clickControl(int id) {
    const RECT r = call<RECT>([id] {
        const int32_t index = findControlIndex(id);
        if (index < 0)
            return RECT{};
        const ControlRecord& c = skinHost().controls[index];
        return RECT{c.x, c.y, c.x + c.width, c.y + c.height};
    });
    return click((r.left + r.right) / 2, (r.top + r.bottom) / 2);
}

INT_PTR MainWindowSession::waitForEnd(DWORD milliseconds) {
    if (WaitForSingleObject(shared_->endedEvent.get(), milliseconds) != WAIT_OBJECT_0)
        return -2;
    return shared_->result;
}

} // namespace testing_support
