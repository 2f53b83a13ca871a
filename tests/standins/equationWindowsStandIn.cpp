// A stand-in for the Equation Editor 3.x server's process, for the tests of the server start and of the closing of
// its windows: it logs how it was started, opens hidden top-level windows of the classes in equationWindowsStandIn.h
// and logs each WM_CLOSE they get. It is no OLE server: it registers no class factory and serves no objects.
#include "equationWindowsStandIn.h"
#include "scopedWin.h"

#include <iterator>
#include <string>

namespace {
std::wstring gLogPath; // set once at start, on the stand-in's only thread

// Window procedures call this, so nothing may throw out of it: a line that cannot be written is dropped.
void logLine(const std::wstring& line) try {
    if (gLogPath.empty())
        return;
    const std::wstring text = line + L"\n";
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), int(text.size()), nullptr, 0, nullptr, nullptr);
    std::string utf8(size_t(bytes > 0 ? bytes : 0), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), int(text.size()), utf8.data(), bytes, nullptr, nullptr);
    ScopedHandle file(CreateFileW(gLogPath.c_str(), FILE_APPEND_DATA,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    if (file.isValid())
        WriteFile(file.get(), utf8.data(), DWORD(utf8.size()), &written, nullptr);
} catch (...) {
}

std::wstring classNameOf(HWND window) {
    wchar_t name[256] = {};
    GetClassNameW(window, name, int(std::size(name)));
    return name;
}

// Window procedures call this, so it catches what building the line may throw.
void logClose(HWND window) try { logLine(L"close " + classNameOf(window)); } catch (...) {
}

// The windows the test looks at: log WM_CLOSE and then close as a real window would.
LRESULT CALLBACK logCloseProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CLOSE)
        logClose(window);
    return DefWindowProcW(window, message, wParam, lParam);
}

// The control window: ends the stand-in on kFinishMessage or its timer. A WM_CLOSE is logged but ignored, so that a
// converter closing too much shows in the log and the test can still finish the stand-in.
LRESULT CALLBACK controlProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CLOSE:
        logClose(window);
        return 0;
    case WM_TIMER:
        logLine(L"exit timeout");
        PostQuitMessage(0);
        return 0;
    case standin::kFinishMessage:
        logLine(L"exit finished");
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

HWND openHiddenWindow(HINSTANCE instance, const wchar_t* className, WNDPROC procedure) {
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = className;
    if (RegisterClassW(&windowClass) == 0)
        return nullptr;
    return CreateWindowExW(WS_EX_TOOLWINDOW, className, L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, instance,
                           nullptr);
}
} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    wchar_t logPath[MAX_PATH] = {};
    const DWORD length = GetEnvironmentVariableW(standin::kLogVariable, logPath, MAX_PATH);
    if (length > 0 && length < MAX_PATH)
        gLogPath = logPath;

    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    GetStartupInfoW(&startup);
    const int show = (startup.dwFlags & STARTF_USESHOWWINDOW) != 0 ? int(startup.wShowWindow) : -1;
    logLine(L"started show=" + std::to_wstring(show) + L" command=" + GetCommandLineW());

    HWND control = openHiddenWindow(instance, standin::kControlClass, controlProc);
    if (control == nullptr || SetTimer(control, 1, standin::kLifetimeMs, nullptr) == 0) {
        logLine(L"exit failed");
        return 1;
    }
    for (const standin::WindowClass& entry : standin::kWindowClasses) {
        if (openHiddenWindow(instance, entry.name, logCloseProc) == nullptr) {
            logLine(std::wstring(L"exit failed to open ") + entry.name);
            return 1;
        }
    }
    logLine(L"ready");

    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return 0;
}
