// The progress window: class registration, placement, painting, the cancel question and the message pump of the
// thread that shows it. See progressWindow.h.
#include "progressWindow.h"

#include "messageBox.h"

namespace {
// The library's one progress window. Written and read only by the conversion worker thread: create, destroy and the
// window procedure (which runs when that thread dispatches) all run there.
ProgressWindow gProgressWindow;

// A pump that meets a paint it cannot validate (BeginPaint gave no DC) would get the same WM_PAINT back forever;
// the limit hands control back to the engine pass after this many messages whatever happens.
constexpr int kPumpLimit = 256;

// Where the window goes: centred on the owner's window rectangle, or at its corner plus the margins along an axis
// where the owner is not larger than the window (integer halves truncated towards zero, as C++ divides).
POINT placeOnOwner(const ProgressWindow& progress, HWND owner) {
    RECT ownerRect{};
    GetWindowRect(owner, &ownerRect);
    const int32_t dx = (ownerRect.right - ownerRect.left - progress.width) / 2;
    const int32_t dy = (ownerRect.bottom - ownerRect.top - progress.height) / 2;
    return POINT{dx > 0 ? ownerRect.left + dx : ownerRect.left + progress.marginX,
                 dy > 0 ? ownerRect.top + dy : ownerRect.top + progress.marginY};
}

// Registers the class; a class left registered (a create without destroy) is used as it is. The icon is kept only
// when this call registered the class, since the class then refers to it.
void registerProgressClass(ProgressWindow& progress, const std::wstring& iconPath) {
    ScopedIcon icon;
    if (!iconPath.empty())
        icon =
            ScopedIcon(static_cast<HICON>(LoadImageW(nullptr, iconPath.c_str(), IMAGE_ICON, GetSystemMetrics(SM_CXICON),
                                                     GetSystemMetrics(SM_CYICON), LR_LOADFROMFILE)));
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    // No close box on the caption either (no system menu): the window goes when the job is done or the user confirms
    // the cancel question, never otherwise.
    windowClass.style = CS_NOCLOSE;
    windowClass.lpfnWndProc = progressWindowProc;
    windowClass.hInstance = progress.instance;
    windowClass.hIcon = icon.get();
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
    windowClass.lpszClassName = progress.className.c_str();
    if (RegisterClassExW(&windowClass) != 0)
        progress.classIcon = std::move(icon);
}

HWND createButton(const ProgressWindow& progress, const std::wstring& caption, bool enabled) {
    RECT client{};
    GetClientRect(progress.window, &client);
    DWORD style = WS_CHILD | WS_VISIBLE | WS_TABSTOP;
    if (!enabled)
        style |= WS_DISABLED;
    return CreateWindowExW(
        0, L"BUTTON", caption.c_str(), style, client.right - progress.buttonWidth - progress.marginX,
        client.bottom - progress.buttonHeight - progress.marginY, progress.buttonWidth, progress.buttonHeight,
        progress.window, reinterpret_cast<HMENU>(static_cast<INT_PTR>(progress.buttonId)), progress.instance, nullptr);
}

// Two single lines, each centred vertically in its third of the client area: the upper third (below the margin) and
// the middle one. The lower third belongs to the button. Text past the right margin is clipped, never wrapped.
LRESULT onPaint(const ProgressWindow& progress, HWND window) {
    ScopedPaint paint(window);
    if (paint.dc() == nullptr)
        return 0;
    SetBkColor(paint.dc(), GetSysColor(COLOR_BTNFACE));
    ScopedSelectObject selectFont(paint.dc(), progress.font);
    // Set at every paint, so the button's caption always uses the lines' font whatever was sent to it meanwhile.
    SendMessageW(progress.button, WM_SETFONT, reinterpret_cast<WPARAM>(progress.font), FALSE);
    RECT client{};
    GetClientRect(window, &client);
    const int32_t m = progress.textMargin;
    RECT band1{client.left + m, client.top + m, client.right - m, client.bottom / 3};
    RECT band2{client.left + m, client.bottom / 3, client.right - m, client.bottom * 2 / 3};
    constexpr UINT kLineFormat = DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX;
    DrawTextW(paint.dc(), progress.line1.c_str(), -1, &band1, kLineFormat);
    DrawTextW(paint.dc(), progress.line2.c_str(), -1, &band2, kLineFormat);
    return 0;
}

// The button asks the question; No is the default answer, so a stray Enter keeps the conversion's window. A
// confirmed cancel only closes the window: the conversion runs on to its end.
LRESULT onCommand(ProgressWindow& progress, HWND window, WPARAM wParam) {
    if (LOWORD(wParam) != progress.buttonId)
        return 1;
    const int answer = showMessageBox(window, progress.cancelQuestion, progress.title,
                                      MB_YESNOCANCEL | MB_ICONQUESTION | MB_DEFBUTTON2);
    if (answer == IDYES) {
        progress.cancelled = true;
        progress.destroy();
    }
    return 1;
}
} // namespace

ProgressWindow& progressWindow() {
    return gProgressWindow;
}

ProgressWindowStatus ProgressWindow::create(HINSTANCE instanceArg, HWND owner, const std::wstring& iconPath,
                                            const std::wstring& buttonCaption, const std::wstring& cancelQuestionArg,
                                            const std::wstring& line1Arg, const std::wstring& line2Arg,
                                            bool enableButton) {
    if (font == nullptr)
        return ProgressWindowStatus::NoFont;
    if (instanceArg == nullptr)
        return ProgressWindowStatus::NoInstance;
    instance = instanceArg;
    cancelQuestion = cancelQuestionArg;
    registerProgressClass(*this, iconPath);
    const POINT at = placeOnOwner(*this, owner);
    // No WS_SYSMENU, so no close box and no system menu; the maximise box stays hidden with them.
    window = CreateWindowExW(0, className.c_str(), title.c_str(), WS_VISIBLE | WS_CAPTION | WS_MAXIMIZEBOX, at.x, at.y,
                             width, height, owner, nullptr, instance, nullptr);
    if (window == nullptr)
        return ProgressWindowStatus::NotCreated;
    button = createButton(*this, buttonCaption, enableButton);
    if (button == nullptr)
        return ProgressWindowStatus::NotCreated;
    line1 = line1Arg;
    line2 = line2Arg;
    cancelled = false;
    ShowWindow(window, SW_SHOWNORMAL);
    UpdateWindow(window);
    return ProgressWindowStatus::Ok;
}

bool ProgressWindow::destroy() {
    if (window != nullptr) {
        // Forgotten first: taking the window down sends messages to the procedure, which must no longer see it. The
        // button goes with it.
        const HWND gone = window;
        window = nullptr;
        button = nullptr;
        takeDownWindow(gone);
    }
    const bool unregistered = UnregisterClassW(className.c_str(), instance) != FALSE;
    if (unregistered)
        classIcon.reset();
    return unregistered;
}

LRESULT CALLBACK progressWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    try {
        switch (message) {
        case WM_PAINT:
            return onPaint(gProgressWindow, window);
        case WM_COMMAND:
            return onCommand(gProgressWindow, window, wParam);
        default:
            return DefWindowProcW(window, message, wParam, lParam);
        }
    } catch (...) {
        // A stray exception (an allocation in the question's strings) must not cross into the system's dispatcher.
        return 0;
    }
}

void pumpProgressWindowMessages() {
    MSG message;
    for (int handled = 0; handled < kPumpLimit && PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE); ++handled) {
        if (message.message == WM_QUIT) {
            // Not ours to act on: put it back for the thread's own loop, if it has one, and stop here.
            PostQuitMessage(static_cast<int>(message.wParam));
            return;
        }
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}
