// The settings program end to end: VeltrimOptions.exe started as its own process against the build's complete
// installation (settings_program/install/main and sembrikInstall/sembrik with the real converter library), a real
// click (mouse messages posted to its window) on the Sembrik "Options" button opens the library's module window;
// closing that window returns to the main window, which reloads its settings (a skin chosen meanwhile shows).
// Started with "-sbk", it runs the module window alone, without an owner, ends when it closes and saves nothing.
// VELTRIM_OPTIONS_HOLD_SECONDS=5 keeps each window on the test display for a screenshot.
#include "mainWindowLayout.h"
#include "suiteRegistry.h"

#include "scopedWin.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace {
using namespace testing_support;

std::wstring windowsPath(const char* unixPath) {
    std::wstring path = L"Z:";
    for (const char* c = unixPath; *c != 0; ++c)
        path += *c == '/' ? L'\\' : wchar_t(static_cast<unsigned char>(*c));
    return path;
}

struct Search {
    DWORD process;
    const wchar_t* title;
    HWND found;
};

BOOL CALLBACK findWindow(HWND window, LPARAM lParam) {
    Search* search = reinterpret_cast<Search*>(lParam);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    wchar_t title[64] = {};
    GetWindowTextW(window, title, 64);
    if (process == search->process && IsWindowVisible(window) && std::wstring(title) == search->title) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

HWND waitForWindow(DWORD process, const wchar_t* title, DWORD milliseconds = 20000) {
    for (DWORD waited = 0; waited < milliseconds; waited += 100) {
        Search search{process, title, nullptr};
        EnumWindows(findWindow, reinterpret_cast<LPARAM>(&search));
        if (search.found != nullptr)
            return search.found;
        Sleep(100);
    }
    return nullptr;
}

// A checksum of what the screen shows of the window's client area.
uint32_t clientChecksum(HWND window) {
    RECT client{};
    GetClientRect(window, &client);
    POINT origin{0, 0};
    ClientToScreen(window, &origin);
    const int width = client.right;
    const int height = client.bottom;
    const ScopedWindowDC screen(nullptr);
    ScopedCreatedDC memory(CreateCompatibleDC(screen.get()));
    ScopedGdiObject<HBITMAP> bitmap(CreateCompatibleBitmap(screen.get(), width, height));
    {
        const ScopedSelectObject select(memory.get(), bitmap.get());
        BitBlt(memory.get(), 0, 0, width, height, screen.get(), origin.x, origin.y, SRCCOPY);
    }
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    std::vector<uint32_t> pixels(size_t(width) * size_t(height));
    GetDIBits(memory.get(), bitmap.get(), 0, UINT(height), pixels.data(), &info, DIB_RGB_COLORS);
    uint32_t sum = 2166136261u;
    for (uint32_t pixel : pixels)
        sum = (sum ^ (pixel & 0xFFFFFFu)) * 16777619u;
    return sum;
}

void holdForScreenshot() {
    const char* hold = std::getenv("VELTRIM_OPTIONS_HOLD_SECONDS");
    if (hold != nullptr)
        Sleep(DWORD(std::atoi(hold)) * 1000);
}

POINT controlCentre(int32_t id) {
    for (const MainControlRow& row : kMainControlRows)
        if (row.id == id)
            return {row.x + row.width / 2, row.y + row.height / 2};
    return {-1, -1};
}

// The program's process, ended at the end of the test whatever happened.
class OptionsProcess {
public:
    explicit OptionsProcess(const std::wstring& arguments = std::wstring()) {
        std::wstring commandLine = L"\"" + windowsPath(VELTRIM_OPTIONS_EXE) + L"\"";
        if (!arguments.empty())
            commandLine += L" " + arguments;
        STARTUPINFOW startup{};
        startup.cb = sizeof(startup);
        PROCESS_INFORMATION info{};
        if (CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
            process_ = ScopedHandle(info.hProcess);
            thread_ = ScopedHandle(info.hThread);
            id_ = info.dwProcessId;
        }
    }
    ~OptionsProcess() {
        if (process_.get() != nullptr && WaitForSingleObject(process_.get(), 5000) != WAIT_OBJECT_0)
            TerminateProcess(process_.get(), 99);
    }
    OptionsProcess(const OptionsProcess&) = delete;
    OptionsProcess& operator=(const OptionsProcess&) = delete;
    DWORD id() const { return id_; }
    // The exit code once the process ended within the time, else -1.
    DWORD exitCode(DWORD milliseconds) const {
        DWORD code = DWORD(-1);
        if (WaitForSingleObject(process_.get(), milliseconds) != WAIT_OBJECT_0 ||
            !GetExitCodeProcess(process_.get(), &code))
            return DWORD(-1);
        return code;
    }
    HANDLE handle() const { return process_.get(); }

private:
    ScopedHandle process_;
    ScopedHandle thread_;
    DWORD id_ = 0;
};

TEST(OptionsProgram, SembrikOptionsOpensTheLibrarysWindowAndTheMainWindowReloads) {
    SuiteRegistry registry;
    registry.setString(SuiteKey::MachineMain, L"path", windowsPath(VELTRIM_OPTIONS_INSTALL));
    registry.installModule(SuiteKey::MachineSembrik, windowsPath(VELTRIM_SEMBRIK_INSTALL), 0xB00);
    // The per-user key exists: not a first run, so no silent template install.
    registry.setString(SuiteKey::UserMain, L"pathSkin", L"colorful");

    // The pointer away from where the windows appear: only the test's own mouse messages may reach them.
    SetCursorPos(GetSystemMetrics(SM_CXSCREEN) - 1, GetSystemMetrics(SM_CYSCREEN) - 1);
    OptionsProcess options;
    ASSERT_NE(options.id(), 0u);
    const HWND main = waitForWindow(options.id(), L"Veltrim Sorvanta");
    ASSERT_NE(main, nullptr);
    Sleep(500); // drawn
    const uint32_t colorful = clientChecksum(main);
    holdForScreenshot();

    SetCursorPos(GetSystemMetrics(SM_CXSCREEN) - 1, GetSystemMetrics(SM_CYSCREEN) - 1);
    const POINT button = controlCentre(kSembrikOptionsControl);
    ASSERT_TRUE(PostMessageW(main, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(button.x, button.y)));
    ASSERT_TRUE(PostMessageW(main, WM_LBUTTONUP, 0, MAKELPARAM(button.x, button.y)));
    const HWND module = waitForWindow(options.id(), L"Veltrim Sembrik");
    ASSERT_NE(module, nullptr) << "the module window did not open";
    EXPECT_EQ(GetWindow(module, GW_OWNER), main);
    EXPECT_FALSE(IsWindowEnabled(main)); // modal
    // The settings were written before the module window opened (the key had only "pathSkin"); the per-user
    // software keys have one view.
    DWORD scale = 0;
    DWORD size = sizeof(scale);
    EXPECT_EQ(RegGetValueW(HKEY_CURRENT_USER, L"SOFTWARE\\Veltrim\\main", L"textScale", RRF_RT_REG_DWORD, nullptr,
                           &scale, &size),
              ERROR_SUCCESS);
    EXPECT_EQ(scale, 100u);
    // Another skin while the module window is open: the main window shows it once it reloads.
    registry.setString(SuiteKey::UserMain, L"pathSkin", L"graphite");
    Sleep(500);
    holdForScreenshot();

    ASSERT_TRUE(PostMessageW(module, WM_CLOSE, 0, 0));
    for (int waited = 0; waited < 100 && IsWindow(module); ++waited)
        Sleep(100);
    EXPECT_FALSE(IsWindow(module));
    EXPECT_TRUE(IsWindowEnabled(main));
    Sleep(800); // reloaded and drawn
    EXPECT_NE(clientChecksum(main), colorful) << "the main window did not reload its skin";
    holdForScreenshot();

    // The program ends as a user closes it: nothing unsaved, so no question.
    ASSERT_TRUE(PostMessageW(main, WM_CLOSE, 0, 0));
    EXPECT_EQ(WaitForSingleObject(options.handle(), 10000), WAIT_OBJECT_0);
}

TEST(OptionsProgram, SembrikOnlyRunsTheModuleWindowWithoutAnOwnerAndSavesNothing) {
    SuiteRegistry registry;
    registry.setString(SuiteKey::MachineMain, L"path", windowsPath(VELTRIM_OPTIONS_INSTALL));
    registry.installModule(SuiteKey::MachineSembrik, windowsPath(VELTRIM_SEMBRIK_INSTALL), 0xB00);
    registry.setString(SuiteKey::UserMain, L"pathSkin", L"colorful"); // the user's only value

    SetCursorPos(GetSystemMetrics(SM_CXSCREEN) - 1, GetSystemMetrics(SM_CYSCREEN) - 1);
    OptionsProcess options(L"-wnd:12 -sbk");
    ASSERT_NE(options.id(), 0u);
    const HWND module = waitForWindow(options.id(), L"Veltrim Sembrik");
    ASSERT_NE(module, nullptr) << "the module window did not open";
    EXPECT_EQ(GetWindow(module, GW_OWNER), nullptr) << "no owner, not even the one \"-wnd:\" names";
    EXPECT_EQ(waitForWindow(options.id(), L"Veltrim Sorvanta", 500), nullptr) << "no main window";
    holdForScreenshot();
    // The module window's close control: the library returns, and so does the program.
    ASSERT_TRUE(PostMessageW(module, WM_CLOSE, 0, 0));
    EXPECT_EQ(options.exitCode(10000), 0u);
    EXPECT_EQ(waitForWindow(options.id(), L"Veltrim Sorvanta", 200), nullptr);
    // Nothing saved: the per-user key holds the one value it had.
    HKEY user = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, L"SOFTWARE\\Veltrim\\main", 0, KEY_READ | KEY_WOW64_32KEY, &user),
              ERROR_SUCCESS);
    const ScopedRegKey closer(user);
    DWORD values = 0;
    ASSERT_EQ(RegQueryInfoKeyW(user, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr, nullptr,
                               nullptr, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(values, 1u);
}

} // namespace
