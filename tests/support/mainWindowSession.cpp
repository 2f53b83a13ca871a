// The settings program's main window on a thread of its own; see mainWindowSession.h.
#include "mainWindowSession.h"

#include "mainWindow.h"
#include "programSettings.h"

#include "controls.h"
#include "scopedWin.h"
#include "skinHost.h"
#include "skinnedDialog.h"

namespace testing_support {
namespace {
INT_PTR CALLBACK sessionProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == sessionJobMessage()) {
        runSessionJob(lParam);
        return TRUE;
    }
    const INT_PTR result = mainWindowProc(window, message, wParam, lParam);
    if (message == WM_INITDIALOG) {
        // Away from the screen's centre, where the X pointer of the test display rests, and with the pointer taken to
        // the far corner, wherever the test before left it: only the test's own mouse messages may reach the window.
        SetWindowPos(window, nullptr, 40, 40, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        SetCursorPos(GetSystemMetrics(SM_CXSCREEN) - 1, GetSystemMetrics(SM_CYSCREEN) - 1);
        reportSessionWindow(window);
    }
    return result;
}
} // namespace

MainWindowSession::MainWindowSession(const MainWindowStart& start) : WindowSession(99) {
    startThread([start]() -> INT_PTR {
        (void)loadProgramSettings(); // a session without an installation fails at the window's start instead
        if (start.beforeStart)
            start.beforeStart();
        copyProgramSettings(savedSettings(), liveSettings());
        ScopedWindow owner = start.owner ? makeOwnerWindow() : ScopedWindow();
        prepareMainWindow(GetModuleHandleW(nullptr), start.uiFontFace.empty() ? chooseUiFontFace() : start.uiFontFace);
        skinHost().dialogProc = sessionProc;
        const INT_PTR result = runSkinnedDialog(owner.get());
        releaseMainWindow();
        return result;
    });
    waitForReportedWindow(20000);
}

bool MainWindowSession::postTo(HWND target, UINT message, WPARAM wParam, LPARAM lParam) {
    if (window() == nullptr || !PostMessageW(target, message, wParam, lParam))
        return false;
    // A message that ends the window leaves nothing to wait for but the end itself.
    return run([] {}) || waitForEnd(5000) != -2;
}

bool MainWindowSession::post(UINT message, WPARAM wParam, LPARAM lParam) {
    return postTo(window(), message, wParam, lParam);
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

} // namespace testing_support
