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

namespace sembrik_test {
namespace {
namespace fs = std::filesystem;

constexpr DWORD kAnswerMs = 10000;

fs::path artworkPath(const wchar_t* name) {
    return fs::path(skin_test::artworkFolder(skin_test::HostLook::ConverterLibrary) + name);
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

// The window's thread takes the session's jobs through a message hook (installed before the export is called): it
// runs each as the modal loop takes it from the queue, so after everything posted before it has been handled, and
// the library's own procedure never sees it.
LRESULT CALLBACK runPostedJobs(int code, WPARAM wParam, LPARAM lParam) {
    auto* message = reinterpret_cast<MSG*>(lParam);
    if (code == HC_ACTION && wParam == PM_REMOVE && message->message == testing_support::sessionJobMessage()) {
        testing_support::runSessionJob(message->lParam);
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
    std::atomic<HWND> owner{nullptr};
    int32_t status = -7;
    wchar_t moduleId[32];
};

ModuleSession::ModuleSession(const SessionCall& call) : WindowSession(2), shared_(std::make_shared<Shared>()) {
    std::shared_ptr<Shared> shared = shared_;
    for (wchar_t& unit : shared->moduleId)
        unit = L'x';
    ScopedHandle ownerReady(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    const HANDLE ready = ownerReady.get();
    startThread([shared, call, ready]() -> INT_PTR {
        ScopedWindowsHook jobs(SetWindowsHookExW(WH_GETMESSAGE, runPostedJobs, nullptr, GetCurrentThreadId()));
        ScopedWindow owner = call.withOwner ? testing_support::makeOwnerWindow() : ScopedWindow();
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
        return result;
    });
    WaitForSingleObject(ready, kAnswerMs);
    const DWORD thread = threadId();
    HWND window = nullptr;
    for (int attempt = 0; attempt < 200 && window == nullptr; ++attempt) {
        if (WaitForSingleObject(endedEvent(), 50) == WAIT_OBJECT_0)
            break;
        EnumThreadWindows(thread, findModuleWindow, reinterpret_cast<LPARAM>(&window));
    }
    setWindow(window);
    // The window has started once its thread answers. Input goes to it only once the system has made it the
    // foreground window (on a freshly started display that comes late, and would undo a minimise made before it).
    if (window != nullptr && !run([] {}))
        setWindow(nullptr);
    for (int attempt = 0; attempt < 100 && started() && GetForegroundWindow() != window; ++attempt)
        Sleep(20);
    if (started())
        run([] {});
}

HWND ModuleSession::owner() const {
    return shared_->owner;
}

bool ModuleSession::clickToEnd(int32_t x, int32_t y) {
    return post(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y)) && postOnly(WM_LBUTTONUP, 0, MAKELPARAM(x, y));
}

int32_t ModuleSession::waitForEnd(DWORD milliseconds) {
    return int32_t(WindowSession::waitForEnd(milliseconds));
}

int32_t ModuleSession::status() const {
    return shared_->status;
}

std::wstring ModuleSession::moduleIdBuffer() const {
    return std::wstring(shared_->moduleId, 32);
}

} // namespace sembrik_test
