// The Equation Editor 3.x server's start and its windows' close; see equationServer.h. Runs on the conversion worker
// thread (one job at a time); the callback runs on that thread too, inside EnumWindows.
#include "equationServer.h"

#include "registryValues.h"
#include "serverCommandLine.h"

#include <shellapi.h>

#include <algorithm>
#include <atomic>
#include <string>
#include <string_view>

namespace {
// The server's registration under the OLE class of Equation Editor 3.x objects.
constexpr wchar_t kLocalServerKey[] =
    L"SOFTWARE\\Classes\\CLSID\\{0002CE02-0000-0000-C000-000000000046}\\LocalServer32";
// The server gets no start signal and no close confirmation from us, only these fixed waits.
constexpr uint32_t kServerStartWaitMs = 1000;
constexpr uint32_t kWindowsCloseWaitMs = 500;
// Class names are read into this many characters, terminator included, so only the first 15 take part in the match.
constexpr int kClassNameChars = 16;
constexpr std::string_view kEquationWindowClass = "EQNWINCLASS";

void realSleep(uint32_t milliseconds) {
    Sleep(milliseconds);
}

// Written by tests on their main thread while no job runs; read by the conversion worker thread.
std::atomic<EquationServerSleep> gSleep{realSleep};

void wait(uint32_t milliseconds) {
    gSleep.load()(milliseconds);
}
} // namespace

void setEquationServerSleep(EquationServerSleep sleep) {
    gSleep.store(sleep != nullptr ? sleep : realSleep);
}

void startEquationServer(HWND window) {
    HKEY opened = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kLocalServerKey, 0, KEY_READ, &opened) != ERROR_SUCCESS)
        return; // what a failed call leaves in `opened` is not a key
    ScopedRegKey key(opened);
    std::wstring commandLine;
    if (!readRegString(commandLine, key, nullptr, KeyClosePolicy::CloseOnSuccess) || commandLine.empty())
        return;
    // The value is a command line (quotes, switches such as /Automation); ShellExecuteW wants the file alone.
    const std::wstring program = serverExecutablePath(commandLine);
    if (program.empty())
        return;
    ShellExecuteW(nullptr, L"open", program.c_str(), nullptr, nullptr, SW_HIDE);
    wait(kServerStartWaitMs);
    if (window != nullptr)
        UpdateWindow(window);
}

void closeEquationWindows() {
    EnumWindows(postCloseToEquationWindow, 0);
    wait(kWindowsCloseWaitMs);
}

BOOL CALLBACK postCloseToEquationWindow(HWND window, LPARAM /*lParam*/) {
    char name[kClassNameChars] = {};
    const int length = GetClassNameA(window, name, kClassNameChars);
    if (length <= 0)
        return TRUE;
    // GetClassNameA truncates to 15 characters: a name whose "EQNWINCLASS" runs past them does not match.
    const std::string_view shown(name, size_t(std::min(length, kClassNameChars - 1)));
    if (shown.find(kEquationWindowClass) != std::string_view::npos)
        PostMessageW(window, WM_CLOSE, 0, 0);
    return TRUE;
}
