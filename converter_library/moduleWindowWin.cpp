// The module window's host context, dialog procedure, commands, pages, texts and skin, and the hand-over of the
// status line from the conversion worker. See moduleWindow.h.
#include "moduleWindow.h"

#include "buttonStyles.h"
#include "controls.h"
#include "labels.h"
#include "messageBox.h"
#include "moduleHandles.h"
#include "moduleSettings.h"
#include "moduleWindowTables.h"
#include "rawModeTask.h"
#include "rtf/statusLine.h"
#include "scopedWin.h"
#include "skinHost.h"
#include "skinnedDialog.h"

#include <shellapi.h>
#include <windowsx.h>

#include <atomic>
#include <chrono>
#include <cwchar>
#include <future>
#include <mutex>
#include <new>

namespace {
// Posted by postModuleStatusText: the status text waits in gStatusHandOver.
constexpr UINT kModuleStatusMessage = WM_APP + 0x50;
// Posted by fatalExitFromWorker, the exit code in wParam.
constexpr UINT kModuleFatalExitMessage = WM_APP + 0x52;
constexpr UINT_PTR kConversionTimer = 1;
constexpr UINT kConversionPollMs = 100;

template <size_t N> std::array<ControlRecord, N> recordsOf(const std::array<ModuleTableRow, N>& rows) {
    std::array<ControlRecord, N> records;
    for (size_t i = 0; i < N; ++i)
        records[i] = moduleRecord(rows[i]);
    return records;
}

// The tables handed to the framework, rebuilt from their rows each time the window opens. UI thread.
std::array<ControlRecord, kModuleControlRows.size()> gModuleControls = recordsOf(kModuleControlRows);
std::array<LabelRecord, kModuleLabelRows.size()> gModuleLabels = recordsOf(kModuleLabelRows);
std::array<ButtonStyle, kConverterLibraryButtonStyles.size()> gModuleButtonStyles = kConverterLibraryButtonStyles;

// The window's state; UI thread.
HINSTANCE gModuleInstance = nullptr;
std::wstring gModuleUiFontFace;
std::wstring gModuleIdText;
int32_t gPressedControlId = -1;
int32_t gHoveredControlId = -1;
POINT gDragOrigin{-1, -1}; // a drag is in progress while both are 0 or more
bool gShiftDown = false;

// The running conversion; valid exactly while the window is busy. UI thread. Made once and never destroyed: a
// future of std::async waits for its task when it is destroyed, so a process that ends on the worker thread itself
// (fatalExit from inside the conversion) would otherwise wait for ever on its own exit, and a library unload while a
// task runs would block the loader.
std::future<int32_t>& conversionFuture() {
    static std::future<int32_t>* const future = new std::future<int32_t>();
    return *future;
}

// The thread that runs the window: written at WM_INITDIALOG, read by drawModuleWindow on any thread.
std::atomic<DWORD> gUiThreadId{0};
std::atomic<int32_t> gForeignThreadDraws{0};

// The status text on its way from the worker to the UI thread. `pending`: a kModuleStatusMessage is on its way, so
// a newer text only replaces the waiting one.
struct StatusHandOver {
    std::mutex lock;
    std::wstring text;
    bool pending = false;
};
StatusHandOver gStatusHandOver;

void openInBrowser(HWND owner, const wchar_t* address) {
    // A failing link (no browser, no network) is not reported.
    ShellExecuteW(owner, L"open", address, nullptr, L"", SW_SHOWNORMAL);
}
// Set by tests before the window opens; read on the UI thread.
std::atomic<LinkOpener> gLinkOpener{openInBrowser};

void showBusyMessage() {
    showMessageBox(moduleWindow(), kModuleBusyMessage, kModuleTitle, MB_ICONINFORMATION);
}

// The status line hook of the engine and the job: called on the worker thread.
void moduleStatusHook(const wchar_t* text) {
    postModuleStatusText(text);
}

void configureModuleHost() {
    SkinHost& host = skinHost();
    const ModuleSettings& settings = moduleSettings();
    host.instance = gModuleInstance;
    host.windowWidth = kModuleWindowWidth;
    host.windowHeight = kModuleWindowHeight;
    host.title = kModuleTitle;
    host.notInstalledMessage = kModuleNotInstalledMessage;
    host.textScale = settings.textScale;
    host.uiFontFace = gModuleUiFontFace;
    host.skinFolder = settings.skinRoot;
    host.skinName = settings.skinName;
    host.defaultBackground = settings.backgroundBitmapPath;
    host.defaultButtonStrip = settings.buttonBitmapPath;
    host.iconFile = settings.iconPath;
    host.controls = gModuleControls.data();
    host.labels = gModuleLabels.data();
    host.editFields = nullptr; // the window has no edit fields and no drop-down lists
    host.dropDowns = nullptr;
    host.buttonStyles = gModuleButtonStyles.data();
    host.skinGroups.assign(kConverterLibrarySkinGroups.begin(), kConverterLibrarySkinGroups.end());
    host.skinPrefix = L'M';
    host.minimiseControlId = kModuleMinimise;
    host.dropDownSelectors.clear();
    host.dialogProc = moduleWindowProc;
    host.commitHandler = nullptr;
}

// The tables as they stand when the library is loaded, so that every opening starts alike (control 0 highlighted,
// minimise visible until runSkinnedDialog hides it for an owner). The style bitmaps were freed with the last window.
void resetModuleTables() {
    gModuleControls = recordsOf(kModuleControlRows);
    gModuleLabels = recordsOf(kModuleLabelRows);
    gPressedControlId = -1;
    gHoveredControlId = -1;
    gDragOrigin = POINT{-1, -1};
    gShiftDown = false;
}

// The back buffer's font and the window DC go while the window still exists; the bitmaps after the dialog.
void releaseWindowGdiObjects() {
    freeButtonStyleBitmaps();
    freeBackgroundBitmap();
    releaseSkinnedWindow();
    freeWindowIcons();
}

// The window's drawing resources from the loading of its artwork to the end of the dialog, released on every way out
// of runModuleWindow (an exception included) before the caller returns or ends the process.
class ModuleWindowArtwork {
public:
    ModuleWindowArtwork() = default;
    ~ModuleWindowArtwork() { releaseWindowGdiObjects(); }
    ModuleWindowArtwork(const ModuleWindowArtwork&) = delete;
    ModuleWindowArtwork& operator=(const ModuleWindowArtwork&) = delete;
};

void endDrag() {
    gDragOrigin = POINT{-1, -1};
    ReleaseCapture();
}

std::future<int32_t> startTaskThread() {
    return std::async(std::launch::async, runRawModeTask);
}
// Set by tests before the window opens; read on the UI thread.
std::atomic<ConversionStarter> gConversionStarter{startTaskThread};

// The command that runs now (-1: none), so that the procedure can undo the pressed look of one that throws. UI
// thread.
int32_t gRunningCommand = -1;

void startConversion() {
    // A system that cannot start the task's thread throws here, before the window counts as busy.
    conversionFuture() = gConversionStarter.load()();
    SetTimer(moduleWindow(), kConversionTimer, kConversionPollMs, nullptr);
}

// The window's own message for a conversion that failed with `result` (above 1).
void showConversionFailure(HWND window, int32_t result) {
    wchar_t text[128];
    std::swprintf(text, 128, kConversionFailedFormat, int(result));
    showMessageBox(window, text, kModuleTitle, MB_ICONINFORMATION);
}

void collectConversion(HWND window) {
    std::future<int32_t>& future = conversionFuture();
    if (!future.valid() || future.wait_for(std::chrono::seconds(0)) != std::future_status::ready)
        return;
    KillTimer(window, kConversionTimer);
    const int32_t result = future.get(); // the window is free again
    if (result > 1)
        showConversionFailure(window, result);
}

// After a message whose handling threw: the command that was running has its control released and the window
// redrawn, and a "Select ..." that could not start its task says so as a failed conversion would (11 out of memory,
// 12 any other failure, as the task's own top reports them).
void recoverFromFailedCommand(int32_t failure) {
    const int32_t id = gRunningCommand;
    gRunningCommand = -1;
    if (id < 0)
        return;
    gPressedControlId = -1;
    releaseControl(id);
    drawModuleWindow(kRedrawFace);
    if (id == kModuleSelectButton)
        showConversionFailure(moduleWindow(), failure);
}

void closeDialog() {
    EndDialog(moduleWindow(), 1);
}
void minimiseWindow() {
    ShowWindow(moduleWindow(), SW_MINIMIZE);
}
void requestClose() {
    SendMessageW(moduleWindow(), WM_CLOSE, 0, 0);
}
void showWordAddInCommand() {
    showWordAddInPage(true);
    hideRawModePage();
    drawModuleWindow(kRedrawFace);
}
void showRawModeCommand() {
    hideWordAddInPage();
    showRawModePage(true);
    drawModuleWindow(kRedrawFace);
}
void openWebLink() {
    gLinkOpener.load()(moduleWindow(), kProductPageAddress);
}

struct ModuleCommand {
    int32_t id;
    bool refusedWhileBusy;
    void (*run)();
};
constexpr ModuleCommand kModuleCommands[] = {
    // control id, refused while a conversion runs, action
    {kModuleCloseButton, true, closeDialog},        {kModuleMinimise, false, minimiseWindow},
    {kModuleCloseControl, true, requestClose},      {kModuleWordAddInTab, true, showWordAddInCommand},
    {kModuleRawModeTab, false, showRawModeCommand}, {kModuleWebLink, false, openWebLink},
    {kModuleSelectButton, true, startConversion},
};

void onInitDialog(HWND window) {
    gUiThreadId.store(GetCurrentThreadId());
    setModuleHandles(window, gModuleInstance);
    {
        // A text posted to an earlier window never arrived: the next one must be posted again.
        std::lock_guard<std::mutex> lock(gStatusHandOver.lock);
        gStatusHandOver.pending = false;
    }
    attachSkinnedWindow(window); // window DC, back buffer (fatalExit (11) when they cannot be made)
    loadWindowIcons();
    initModuleWindowTexts();
    if (isModuleBusy()) {
        // A conversion of an earlier window still runs (that window was ended without being asked): this window
        // shows its page and collects its result, rather than refusing its own opening step.
        hideWordAddInPage();
        showRawModePage(true);
        SetTimer(window, kConversionTimer, kConversionPollMs, nullptr);
    } else {
        handleModuleCommand(kModuleWordAddInTab);
    }
    SetFocus(window);
}

void onStatusMessage() {
    std::wstring text;
    {
        std::lock_guard<std::mutex> lock(gStatusHandOver.lock);
        text.swap(gStatusHandOver.text);
        gStatusHandOver.pending = false;
    }
    setLabelText(kModuleStatusLabel, text);
    drawModuleWindow(kRedrawFace);
}

bool isDragging() {
    return gDragOrigin.x >= 0 && gDragOrigin.y >= 0;
}

void onMouseMove(HWND window, WPARAM wParam, LPARAM lParam) {
    const int32_t x = GET_X_LPARAM(lParam);
    const int32_t y = GET_Y_LPARAM(lParam);
    // A move without the left button belongs to no drag: the release went elsewhere (the capture was never had, or
    // was taken away before it came), and the window must not follow a pointer with no button held.
    if (isDragging() && (wParam & MK_LBUTTON) == 0)
        endDrag();
    if (!isDragging()) {
        const int32_t id = hitTestControl(x, y);
        if (id != gHoveredControlId) {
            gHoveredControlId = id;
            hoverControl(id);
            drawModuleWindow(kRedrawControls);
        }
        return;
    }
    RECT rect{};
    GetWindowRect(window, &rect);
    MoveWindow(window, rect.left + x - gDragOrigin.x, rect.top + y - gDragOrigin.y, kModuleWindowWidth,
               kModuleWindowHeight, TRUE);
}

void onButtonDown(HWND window, LPARAM lParam) {
    const int32_t x = LOWORD(lParam);
    const int32_t y = HIWORD(lParam);
    gPressedControlId = hitTestControl(x, y);
    if (gPressedControlId < 0) {
        gDragOrigin = POINT{x, y};
        SetCapture(window);
        return;
    }
    pressControl(gPressedControlId);
    drawModuleWindow(kRedrawControls);
}

void onButtonUp(LPARAM lParam) {
    endDrag();
    const int32_t id = hitTestControl(LOWORD(lParam), HIWORD(lParam));
    if (id == gPressedControlId) {
        // A press and a release on no control (-1) runs nothing and clears every highlight.
        handleModuleCommand(id);
        releaseControl(id);
        drawModuleWindow(kRedrawFace);
    }
    gPressedControlId = -1;
}

void onKeyDown(WPARAM key) {
    endDrag();
    switch (key) {
    case VK_SHIFT:
        gShiftDown = true;
        return;
    case VK_RETURN:
    case VK_SPACE: {
        if (!keyboardNavigation())
            return;
        const int32_t id = highlightedControlId();
        if (id < 0)
            return;
        pressControl(id);
        drawModuleWindow(kRedrawControls);
        handleModuleCommand(id);
        releaseControl(id);
        drawModuleWindow(kRedrawFace);
        return;
    }
    case VK_TAB:
        if (gShiftDown)
            focusPreviousControl();
        else
            focusNextControl();
        drawModuleWindow(kRedrawControls);
        return;
    default:
        return;
    }
}

void onClose(HWND window) {
    // The system's close (Alt+F4, the taskbar) arrives here too: while a conversion runs the window may not go, since
    // the worker still reports into it and only this window's timer collects the result.
    if (isModuleBusy()) {
        showBusyMessage();
        return;
    }
    ReleaseCapture();
    EndDialog(window, 2);
}

INT_PTR dispatchModuleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        onInitDialog(window);
        return TRUE;
    case WM_ERASEBKGND:
        drawModuleWindow(kRedrawFace);
        SetWindowLongPtrW(window, DWLP_MSGRESULT, 1);
        return TRUE;
    case WM_PAINT: {
        // The face is in the back buffer; a paint without an erase only copies it again.
        ScopedPaint paint(window);
        drawModuleWindow(0);
        return TRUE;
    }
    case WM_MOUSEMOVE:
        onMouseMove(window, wParam, lParam);
        return TRUE;
    case WM_CAPTURECHANGED:
        // Another window took the mouse (or the system did): the drag is over. The capture is not released here,
        // since it is no longer this window's.
        if (reinterpret_cast<HWND>(lParam) != window)
            gDragOrigin = POINT{-1, -1};
        return TRUE;
    case WM_LBUTTONDOWN:
        onButtonDown(window, lParam);
        return TRUE;
    case WM_LBUTTONUP:
        onButtonUp(lParam);
        return TRUE;
    case WM_KEYDOWN:
        onKeyDown(wParam);
        return TRUE;
    case WM_KEYUP:
        endDrag();
        if (wParam == VK_SHIFT)
            gShiftDown = false;
        return TRUE;
    case WM_TIMER:
        if (wParam == kConversionTimer)
            collectConversion(window);
        return TRUE;
    case WM_COMMAND:
        return TRUE;
    case WM_CLOSE:
        onClose(window);
        return TRUE;
    case WM_DESTROY:
        // While the window still exists, so that its DC is handed back to it.
        setModuleHandles(nullptr, gModuleInstance);
        releaseSkinnedWindow();
        return FALSE;
    case kModuleStatusMessage:
        onStatusMessage();
        return TRUE;
    case kModuleFatalExitMessage:
        fatalExit(static_cast<int32_t>(wParam));
    default:
        return FALSE;
    }
}
} // namespace

INT_PTR CALLBACK moduleWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    // No exception leaves the window procedure (a task thread that cannot be started, memory): the message counts as
    // not handled, a command that threw is undone on the screen, and the window stays usable.
    int32_t failure = kRawModeTaskException;
    try {
        return dispatchModuleMessage(window, message, wParam, lParam);
    } catch (const std::bad_alloc&) {
        failure = kRawModeOutOfMemory;
    } catch (...) {
        failure = kRawModeTaskException;
    }
    try {
        recoverFromFailedCommand(failure);
    } catch (...) {
        // Showing the failure failed as well (memory): the control is released at least.
    }
    return FALSE;
}

bool isModuleBusy() {
    return conversionFuture().valid();
}

void handleModuleCommand(int32_t id) {
    for (const ModuleCommand& command : kModuleCommands) {
        if (command.id != id)
            continue;
        if (command.refusedWhileBusy && isModuleBusy()) {
            showBusyMessage();
            return;
        }
        const int32_t outer = gRunningCommand; // a command may run inside another's modal box
        gRunningCommand = id;
        command.run();
        gRunningCommand = outer;
        return;
    }
}

void drawModuleWindow(int32_t flags) {
    if (GetCurrentThreadId() != gUiThreadId.load()) {
        gForeignThreadDraws.fetch_add(1);
        return;
    }
    if (skinHost().backBuffer == nullptr)
        return;
    redrawWindow(flags);
}

void showWordAddInPage(bool show) {
    setLabelVisible(kModuleWordAddInHeading, show);
    setLabelVisible(kModuleWordAddInText, show);
    setControlChecked(kModuleWordAddInTab, show);
}

void hideWordAddInPage() {
    showWordAddInPage(false);
}

void showRawModePage(bool show) {
    setLabelVisible(kModuleRawModeHeading, show);
    setLabelVisible(kModuleRawModeText, show);
    setLabelVisible(kModuleStatusLabel, show);
    setControlChecked(kModuleRawModeTab, show);
    setControlVisible(kModuleSelectButton, show);
}

void hideRawModePage() {
    showRawModePage(false);
}

void initModuleWindowTexts() {
    // The label font: the UI face at 9 points times the text scale, selected into the back buffer; when it cannot
    // be made the back buffer keeps its font.
    selectUiFont();
    for (const ModuleTextRow& row : kModuleCaptions)
        setControlCaption(row.id, row.text);
    for (const ModuleTextRow& row : kModuleLabelTexts)
        setLabelText(row.id, row.text);
    gModuleIdText = kModuleIdText;
}

void loadModuleSkin() {
    loadButtonSkin();
}

void postModuleStatusText(const wchar_t* text) {
    std::lock_guard<std::mutex> lock(gStatusHandOver.lock);
    gStatusHandOver.text = text != nullptr ? text : L"";
    if (gStatusHandOver.pending)
        return;
    const HWND window = moduleWindow();
    gStatusHandOver.pending = window != nullptr && PostMessageW(window, kModuleStatusMessage, 0, 0) != FALSE;
}

void fatalExitFromWorker(int32_t code) {
    const HWND window = moduleWindow();
    if (window != nullptr && GetCurrentThreadId() != gUiThreadId.load() &&
        PostMessageW(window, kModuleFatalExitMessage, static_cast<WPARAM>(code), 0) != FALSE) {
        for (;;)
            Sleep(INFINITE); // the window's thread ends the process
    }
    fatalExit(code);
}

void setLinkOpener(LinkOpener opener) {
    gLinkOpener.store(opener != nullptr ? opener : openInBrowser);
}

void setConversionStarter(ConversionStarter starter) {
    gConversionStarter.store(starter != nullptr ? starter : startTaskThread);
}

int32_t foreignThreadDrawCount() {
    return gForeignThreadDraws.load();
}

int32_t runModuleWindow(HINSTANCE instance, HWND owner, int32_t* status, wchar_t* moduleId) {
    gModuleInstance = instance;
    gModuleUiFontFace = chooseUiFontFace();
    configureModuleHost(); // the fatal exit's texts, before the settings can fail
    if (loadModuleSettings() != ModuleSettingsLoadStatus::Ok)
        fatalExit(kExitMachineSettings);
    configureModuleHost();
    resetModuleTables();
    INT_PTR result = -1;
    int32_t closed = 1;
    {
        const ModuleWindowArtwork artwork;
        loadBackgroundBitmap();
        loadModuleSkin();
        setStatusLineHook(moduleStatusHook);
        result = runSkinnedDialog(owner);
        setModuleHandles(nullptr, instance);
        closed = result == 1 ? 0 : 1;
        // The status word is what the export returns; nothing in the suite reads it.
        if (status != nullptr)
            *status = closed;
        if (moduleId != nullptr) {
            const size_t units = gModuleIdText.size() < 31 ? gModuleIdText.size() : 31;
            gModuleIdText.copy(moduleId, units);
            moduleId[units] = 0;
        }
    }
    if (result != 1 && result != 2)
        fatalExit(kExitWindowResource);
    return closed;
}
