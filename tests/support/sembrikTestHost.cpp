// The converter library's test host; see sembrikTestHost.h.
#include "sembrikTestHost.h"

#include "scopedWin.h"
#include "sembrikExports.h"
#include "skinTestHost.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <thread>

namespace sembrik_test {
namespace {
namespace fs = std::filesystem;

constexpr DWORD kAnswerMs = 10000;

fs::path artworkPath(const wchar_t* name) {
    return fs::path(skin_test::artworkFolder(skin_test::HostLook::ConverterLibrary) + name);
}

ScopedWindow makeOwner() {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = DefWindowProcW;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"VeltrimSembrikTestOwner";
    RegisterClassExW(&windowClass); // fails harmlessly when the class is there already
    return ScopedWindow(CreateWindowExW(0, windowClass.lpszClassName, L"owner", WS_POPUP, 0, 0, 100, 100, nullptr,
                                        nullptr, windowClass.hInstance, nullptr));
}

BOOL CALLBACK findModuleWindow(HWND window, LPARAM found) {
    wchar_t className[32] = {};
    wchar_t title[64] = {};
    GetClassNameW(window, className, 32);
    GetWindowTextW(window, title, 64);
    if (std::wstring(className) == L"#32770" && std::wstring(title) == L"Veltrim Sembrik" && IsWindowVisible(window)) {
        *reinterpret_cast<HWND*>(found) = window;
        return FALSE;
    }
    return TRUE;
}

// A job for the window's thread, posted to the window. A message hook of that thread (installed before the export is
// called) runs it as the modal loop takes it from the queue, so it runs after everything posted before it has been
// handled, and the library's own procedure never sees it.
const UINT kRunJobMessage = RegisterWindowMessageW(L"VeltrimSembrikTestJob");
struct WindowJob {
    const std::function<void()>* work;
    HANDLE done;
};

LRESULT CALLBACK runPostedJobs(int code, WPARAM wParam, LPARAM lParam) {
    auto* message = reinterpret_cast<MSG*>(lParam);
    if (code == HC_ACTION && wParam == PM_REMOVE && message->message == kRunJobMessage) {
        const auto* job = reinterpret_cast<const WindowJob*>(message->lParam);
        (*job->work)();
        SetEvent(job->done);
        message->message = WM_NULL;
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}
} // namespace

SembrikInstallation::SembrikInstallation() {
    static std::atomic<int> serial{0};
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    root_ = std::wstring(temp) + L"veltrimSembrik" + std::to_wstring(GetCurrentProcessId()) + L"_" +
            std::to_wstring(serial++);
    moduleFolder_ = root_ + L"\\sembrik\\";
    const fs::path module(moduleFolder_);
    fs::create_directories(module / L"skin");
    fs::copy_file(artworkPath(L"background.bmp"), module / L"btmm", fs::copy_options::overwrite_existing);
    fs::copy_file(artworkPath(L"buttons.bmp"), module / L"btmb", fs::copy_options::overwrite_existing);
    fs::copy_file(artworkPath(L"window.ico"), module / L"btmi", fs::copy_options::overwrite_existing);
    fs::copy(artworkPath(L"skins"), module / L"skin",
             fs::copy_options::recursive | fs::copy_options::overwrite_existing);
    registry_.install(root_);
}

SembrikInstallation::~SembrikInstallation() {
    std::error_code ignored;
    fs::remove_all(fs::path(root_), ignored);
}

void SembrikInstallation::addSkin(const std::wstring& name, const std::string& skinLines, COLORREF stripColour) {
    const fs::path folder = fs::path(moduleFolder_) / L"skin" / name;
    fs::create_directories(folder);
    std::ofstream(folder / L"skin.txt", std::ios::binary) << skinLines;
    skin_test::writeSolidBitmap((folder / L"button.bmp").wstring(), 878, 78, stripColour);
    skin_test::writeSolidBitmap((folder / L"main.bmp").wstring(), 512, 453, stripColour);
}

HMODULE loadLibraryOnce(const std::wstring& path) {
    static std::mutex lock;
    static std::map<std::wstring, HMODULE> loaded;
    std::lock_guard<std::mutex> guard(lock);
    HMODULE& module = loaded[path];
    if (module == nullptr)
        module = LoadLibraryW(path.c_str());
    return module;
}

struct ModuleSession::Shared {
    ScopedHandle endedEvent{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    std::atomic<HWND> owner{nullptr};
    std::atomic<int32_t> result{-2};
    std::atomic<DWORD> threadId{0};
    int32_t status = -7;
    wchar_t moduleId[32];
    std::thread thread;
};

ModuleSession::ModuleSession(const SessionCall& call) : shared_(std::make_shared<Shared>()) {
    std::shared_ptr<Shared> shared = shared_;
    for (wchar_t& unit : shared->moduleId)
        unit = L'x';
    ScopedHandle ownerReady(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    const HANDLE ready = ownerReady.get();
    shared->thread = std::thread([shared, call, ready] {
        shared->threadId = GetCurrentThreadId();
        ScopedWindowsHook jobs(SetWindowsHookExW(WH_GETMESSAGE, runPostedJobs, nullptr, GetCurrentThreadId()));
        ScopedWindow owner = call.withOwner ? makeOwner() : ScopedWindow();
        shared->owner = owner.get();
        SetEvent(ready);
        int32_t result = -3;
        if (call.throughShowOpt) {
            auto showOpt = libraryEntry<ShowOptEntry>(call.library, "showOpt");
            if (showOpt != nullptr)
                result = showOpt(GetModuleHandleW(nullptr), owner.get(), 0, &shared->status, shared->moduleId);
        } else {
            auto showOptSbk = libraryEntry<ShowOptSbkEntry>(call.library, "showOptSbk");
            if (showOptSbk != nullptr)
                result = showOptSbk(GetModuleHandleW(nullptr), owner.get());
        }
        shared->result = result;
        SetEvent(shared->endedEvent.get());
    });
    WaitForSingleObject(ready, kAnswerMs);
    const DWORD thread = shared_->threadId;
    for (int attempt = 0; attempt < 200 && window_ == nullptr; ++attempt) {
        if (WaitForSingleObject(shared_->endedEvent.get(), 50) == WAIT_OBJECT_0)
            break;
        HWND found = nullptr;
        EnumThreadWindows(thread, findModuleWindow, reinterpret_cast<LPARAM>(&found));
        window_ = found;
    }
    // The window has started once its thread answers. Input goes to it only once the system has made it the
    // foreground window (on a freshly started display that comes late, and would undo a minimise made before it).
    if (window_ != nullptr && !run([] {}))
        window_ = nullptr;
    for (int attempt = 0; attempt < 100 && window_ != nullptr && GetForegroundWindow() != window_; ++attempt)
        Sleep(20);
    if (window_ != nullptr)
        run([] {});
}

ModuleSession::~ModuleSession() {
    if (WaitForSingleObject(shared_->endedEvent.get(), 0) != WAIT_OBJECT_0 && window_ != nullptr) {
        HWND window = window_;
        run([window] { EndDialog(window, 2); });
    }
    if (shared_->thread.joinable()) {
        if (WaitForSingleObject(shared_->endedEvent.get(), kAnswerMs) == WAIT_OBJECT_0)
            shared_->thread.join();
        else
            shared_->thread.detach(); // the test program's time limit ends it
    }
}

HWND ModuleSession::owner() const {
    return shared_->owner;
}

DWORD ModuleSession::threadId() const {
    return shared_->threadId;
}

bool ModuleSession::run(const std::function<void()>& job) {
    if (window_ == nullptr)
        return false;
    ScopedHandle done(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    WindowJob message{&job, done.get()};
    if (!PostMessageW(window_, kRunJobMessage, 0, reinterpret_cast<LPARAM>(&message)))
        return false;
    const HANDLE events[] = {done.get(), shared_->endedEvent.get()};
    const DWORD woke = WaitForMultipleObjects(2, events, FALSE, kAnswerMs);
    if (woke == WAIT_OBJECT_0)
        return true;
    // The window ended with the job still queued: it will never run, and must not outlive `message`.
    return false;
}

bool ModuleSession::postOnly(UINT message, WPARAM wParam, LPARAM lParam) {
    return window_ != nullptr && PostMessageW(window_, message, wParam, lParam) != FALSE;
}

bool ModuleSession::post(UINT message, WPARAM wParam, LPARAM lParam) {
    return postOnly(message, wParam, lParam) && run([] {});
}

bool ModuleSession::click(int32_t x, int32_t y) {
    return post(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y)) && post(WM_LBUTTONUP, 0, MAKELPARAM(x, y));
}

bool ModuleSession::clickToEnd(int32_t x, int32_t y) {
    return post(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y)) && postOnly(WM_LBUTTONUP, 0, MAKELPARAM(x, y));
}

int32_t ModuleSession::waitForEnd(DWORD milliseconds) {
    if (WaitForSingleObject(shared_->endedEvent.get(), milliseconds) != WAIT_OBJECT_0)
        return -2;
    return shared_->result;
}

int32_t ModuleSession::status() const {
    return shared_->status;
}

std::wstring ModuleSession::moduleIdBuffer() const {
    return std::wstring(shared_->moduleId, 32);
}

} // namespace sembrik_test
