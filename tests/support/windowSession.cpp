// The window tests' sessions; see windowSession.h.
#include "windowSession.h"

#include <atomic>
#include <thread>

namespace testing_support {
namespace {
constexpr DWORD kAnswerMs = 10000;
// Registered once at load; read on any thread.
const UINT gSessionJobMessage = RegisterWindowMessageW(L"VeltrimTestSessionJob");

struct SessionJob {
    const std::function<void()>* work;
    HANDLE done;
};
} // namespace

struct WindowSession::Shared {
    ScopedHandle startedEvent{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    ScopedHandle endedEvent{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    std::atomic<HWND> window{nullptr};
    std::atomic<INT_PTR> result{-2};
    std::atomic<DWORD> threadId{0};
    std::thread thread;
};

namespace {
// Where the window of this thread's session reports itself: set on the session's thread while its body runs.
thread_local HANDLE tStartedEvent = nullptr;
thread_local std::atomic<HWND>* tStartedWindow = nullptr;
} // namespace

UINT sessionJobMessage() {
    return gSessionJobMessage;
}

void runSessionJob(LPARAM job) {
    const SessionJob* posted = reinterpret_cast<const SessionJob*>(job);
    (*posted->work)();
    SetEvent(posted->done);
}

void reportSessionWindow(HWND window) {
    if (tStartedWindow == nullptr)
        return;
    *tStartedWindow = window;
    SetEvent(tStartedEvent);
}

ScopedWindow makeOwnerWindow() {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = DefWindowProcW;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"VeltrimTestSessionOwner";
    RegisterClassExW(&windowClass); // fails harmlessly when the class is there already
    return ScopedWindow(CreateWindowExW(0, windowClass.lpszClassName, L"owner", WS_POPUP, 0, 0, 100, 100, nullptr,
                                        nullptr, windowClass.hInstance, nullptr));
}

WindowSession::WindowSession(INT_PTR endValue) : shared_(std::make_shared<Shared>()), endValue_(endValue) {}

WindowSession::~WindowSession() {
    if (!ended() && window_ != nullptr) {
        HWND window = window_;
        const INT_PTR endValue = endValue_;
        run([window, endValue] { EndDialog(window, endValue); });
    }
    if (shared_->thread.joinable()) {
        if (WaitForSingleObject(shared_->endedEvent.get(), kAnswerMs) == WAIT_OBJECT_0)
            shared_->thread.join();
        else
            shared_->thread.detach(); // the test program's time limit ends it
    }
}

void WindowSession::startThread(std::function<INT_PTR()> body) {
    std::shared_ptr<Shared> shared = shared_;
    shared->thread = std::thread([shared, body] {
        shared->threadId = GetCurrentThreadId();
        tStartedEvent = shared->startedEvent.get();
        tStartedWindow = &shared->window;
        shared->result = body();
        tStartedEvent = nullptr;
        tStartedWindow = nullptr;
        SetEvent(shared->startedEvent.get()); // a window that never started must not keep the test waiting
        SetEvent(shared->endedEvent.get());
    });
}

void WindowSession::waitForReportedWindow(DWORD milliseconds) {
    if (WaitForSingleObject(shared_->startedEvent.get(), milliseconds) == WAIT_OBJECT_0)
        window_ = shared_->window;
}

HANDLE WindowSession::endedEvent() const {
    return shared_->endedEvent.get();
}

DWORD WindowSession::threadId() const {
    return shared_->threadId;
}

bool WindowSession::ended() const {
    return WaitForSingleObject(shared_->endedEvent.get(), 0) == WAIT_OBJECT_0;
}

bool WindowSession::run(const std::function<void()>& job) {
    if (window_ == nullptr || ended())
        return false;
    ScopedHandle done(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    SessionJob message{&job, done.get()};
    if (!PostMessageW(window_, sessionJobMessage(), 0, reinterpret_cast<LPARAM>(&message)))
        return false;
    const HANDLE events[] = {done.get(), shared_->endedEvent.get()};
    // A window that ended with the job still queued never runs it: the job must not outlive `message` then.
    return WaitForMultipleObjects(2, events, FALSE, kAnswerMs) == WAIT_OBJECT_0;
}

bool WindowSession::postOnly(UINT message, WPARAM wParam, LPARAM lParam) {
    return window_ != nullptr && PostMessageW(window_, message, wParam, lParam) != FALSE;
}

bool WindowSession::post(UINT message, WPARAM wParam, LPARAM lParam) {
    return postOnly(message, wParam, lParam) && run([] {});
}

bool WindowSession::click(int x, int y) {
    return post(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y)) && post(WM_LBUTTONUP, 0, MAKELPARAM(x, y));
}

INT_PTR WindowSession::waitForEnd(DWORD milliseconds) {
    if (WaitForSingleObject(shared_->endedEvent.get(), milliseconds) != WAIT_OBJECT_0)
        return -2;
    return shared_->result;
}

} // namespace testing_support
