// The window tests' build of the converter library (VeltrimSbkSeam.dll): the library's exports, and beside them a
// few exports that reach its seams (the Raw Mode task body, message boxes, the web link, the task's start, one failed
// allocation) and look at the window's state. Everything that looks at the window runs on the window's thread (the
// test host runs its jobs there).
#include "buttonStyles.h"
#include "controls.h"
#include "messageBox.h"
#include "moduleHandles.h"
#include "moduleWindow.h"
#include "rawModeTask.h"
#include "rtf/statusLine.h"
#include "skinHost.h"

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <future>
#include <new>
#include <string>
#include <system_error>

namespace {
const ControlRecord* findIn(const ControlRecord* table, int32_t id) {
    for (const ControlRecord* row = table; row != nullptr && !isTableEnd(*row); ++row)
        if (row->id == id)
            return row;
    return nullptr;
}

// Set by seamFailAllocationOnceArtworkLoaded: the library's first allocation once a window background is loaded
// fails, as on a machine that runs out of memory while the window is being set up. Any thread.
std::atomic<bool> gFailAllocationOnceArtworkLoaded{false};

// What std::async throws when the system has no thread to give.
std::future<int32_t> failToStartTask() {
    throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
}

void copyOut(const std::wstring& text, wchar_t* buffer, int32_t units) {
    if (buffer == nullptr || units <= 0)
        return;
    const size_t count = text.size() < size_t(units - 1) ? text.size() : size_t(units - 1);
    text.copy(buffer, count);
    buffer[count] = 0;
}
} // namespace

// The library's allocations in this build, with the one failure above; otherwise the standard library's behaviour.
void* operator new(std::size_t size) {
    if (gFailAllocationOnceArtworkLoaded.load() && hasBackgroundBitmap() &&
        gFailAllocationOnceArtworkLoaded.exchange(false))
        throw std::bad_alloc();
    for (;;) {
        if (void* memory = std::malloc(size != 0 ? size : 1))
            return memory;
        const std::new_handler handler = std::get_new_handler();
        if (handler == nullptr)
            throw std::bad_alloc();
        handler();
    }
}
void operator delete(void* memory) noexcept {
    std::free(memory);
}
void operator delete(void* memory, std::size_t) noexcept {
    std::free(memory);
}

extern "C" {
void seamSetTaskBody(RawModeTaskBody body) {
    setRawModeTaskBody(body);
}
void seamSetMessageBoxHook(MessageBoxHook hook) {
    setMessageBoxHook(hook);
}
void seamSetLinkOpener(LinkOpener opener) {
    setLinkOpener(opener);
}
void seamFailAllocationOnceArtworkLoaded() {
    gFailAllocationOnceArtworkLoaded = true;
}
bool seamBackgroundLoaded() {
    return hasBackgroundBitmap();
}
// true: "Select ..." finds no thread for its task, until false restores the real start.
void seamFailTaskStarts(bool fail) {
    setConversionStarter(fail ? failToStartTask : nullptr);
}
// The engine's and the job's way of reporting status, from whichever thread calls it.
void seamReportStatus(const wchar_t* text) {
    showStatusLine(text);
}
int32_t seamForeignDraws() {
    return foreignThreadDrawCount();
}
// What the worker sees as its owner window.
HWND seamModuleWindow() {
    return moduleWindow();
}
void seamFatalExit(int32_t code) {
    fatalExitFromWorker(code);
}
// The rest only on the window's thread (inside a job of the test host) or when no window is open.
int32_t seamControlFlags(int32_t id) {
    const ControlRecord* row = findIn(skinHost().controls, id);
    return row != nullptr ? row->flags : -1;
}
int32_t seamLabelFlags(int32_t id) {
    const ControlRecord* row = findIn(skinHost().labels, id);
    return row != nullptr ? row->flags : -1;
}
void seamLabelText(int32_t id, wchar_t* buffer, int32_t units) {
    const ControlRecord* row = findIn(skinHost().labels, id);
    copyOut(row != nullptr ? row->caption : std::wstring(), buffer, units);
}
void seamControlCaption(int32_t id, wchar_t* buffer, int32_t units) {
    const ControlRecord* row = findIn(skinHost().controls, id);
    copyOut(row != nullptr ? row->caption : std::wstring(), buffer, units);
}
// A style's offsets, colour and bitmap; false when the style is not in the table.
bool seamStyle(int32_t styleId, int32_t* offsetX, int32_t* offsetY, COLORREF* colour, HBITMAP* bitmap) {
    const int32_t row = findButtonStyle(styleId);
    if (row < 0)
        return false;
    const ButtonStyle& style = skinHost().buttonStyles[row];
    *offsetX = style.textOffsetX;
    *offsetY = style.textOffsetY;
    *colour = style.textColour;
    *bitmap = style.bitmap;
    return true;
}
COLORREF seamPrimaryColour() {
    return primaryTextColour();
}
COLORREF seamSecondaryColour() {
    return secondaryTextColour();
}
HDC seamBackBuffer() {
    return skinHost().backBuffer;
}
bool seamBusy() {
    return isModuleBusy();
}
void seamEndDialog(int32_t result) {
    EndDialog(skinHost().mainWindow, result);
}
}
