// The main window tests' fixture and looks; see mainWindowTestSupport.h.
#include "mainWindowTestSupport.h"

#include "mainCommand.h"
#include "mainWindow.h"
#include "programSettings.h"
#include "programSettingsRegistry.h"
#include "shellOpen.h"

#include "controls.h"
#include "dropDowns.h"
#include "messageBox.h"
#include "scopedWin.h"
#include "skinHost.h"

namespace testing_support {
namespace {
// Written on the window's thread, read through MainWindowSession::call.
std::vector<int32_t> gCommands;
std::vector<HWND> gTemplateInstalls;

void recordCommand(int32_t id) {
    gCommands.push_back(id);
    dispatchMainCommand(id);
}

std::vector<ShellCall> gShellCalls;
intptr_t answerStarted(const std::wstring&) {
    return 33; // started: nothing leaves the test
}
intptr_t (*gShellAnswer)(const std::wstring&) = answerStarted;

intptr_t recordShell(HWND owner, const std::wstring& target, const std::wstring& parameters) {
    gShellCalls.push_back({target, parameters, owner});
    const intptr_t answer = gShellAnswer(target);
    return answer != 0 ? answer : realShellOpen(owner, target, parameters);
}

void recordTemplateInstall(HWND window) {
    gTemplateInstalls.push_back(window);
}

const ControlRecord* findRecord(const ControlRecord* table, int32_t id) {
    for (; table != nullptr && table->kind != 0; ++table)
        if (table->id == id)
            return table;
    return nullptr;
}

const DropDownRecord* findList(int32_t listId) {
    for (const DropDownRecord* list = skinHost().dropDowns; list != nullptr && list->kind != 0; ++list)
        if (list->id == listId)
            return list;
    return nullptr;
}
} // namespace

void MainWindowTest::SetUp() {
    gCommands.clear();
    gTemplateInstalls.clear();
    answerMessageBoxes(IDOK);
    setMainCommandHandler(recordCommand);
    setFirstRunTemplateSetup(recordTemplateInstall);
    gShellCalls.clear();
    gShellAnswer = answerStarted;
    setShellOpenHook(recordShell);
    registry_.setString(SuiteKey::MachineMain, L"path", install_.path());
    registry_.setDword(SuiteKey::UserMain, L"textScale", 100);
    registry_.removeValue(SuiteKey::UserMain, L"textScale"); // the per-user key, without values
    liveSettings() = ProgramSettings();
    savedSettings() = ProgramSettings();
}

void MainWindowTest::TearDown() {
    setMessageBoxHook(nullptr);
    setMainCommandHandler(nullptr);
    setFirstRunTemplateSetup(nullptr);
    setShellOpenHook(nullptr);
}

void answerShell(intptr_t (*answer)(const std::wstring& target)) {
    gShellAnswer = answer != nullptr ? answer : answerStarted;
}

std::vector<ShellCall> shellCalls() {
    return gShellCalls;
}

std::wstring controlCaption(int32_t id) {
    const ControlRecord* record = findRecord(skinHost().controls, id);
    return record == nullptr ? L"<none>" : record->caption;
}

std::wstring labelText(int32_t id) {
    const ControlRecord* record = findRecord(skinHost().labels, id);
    return record == nullptr ? L"<none>" : record->caption;
}

bool controlVisible(int32_t id) {
    const ControlRecord* record = findRecord(skinHost().controls, id);
    return record != nullptr && (record->flags & ControlFlags::Visible) != 0;
}

bool labelVisible(int32_t id) {
    const ControlRecord* record = findRecord(skinHost().labels, id);
    return record != nullptr && (record->flags & ControlFlags::Visible) != 0;
}

bool controlPressed(int32_t id) {
    const ControlRecord* record = findRecord(skinHost().controls, id);
    return record != nullptr && (record->flags & ControlFlags::Pressed) != 0;
}

HWND listBoxOf(int32_t listId) {
    const DropDownRecord* list = findList(listId);
    return list == nullptr ? nullptr : list->listBox;
}

std::vector<std::wstring> listItems(int32_t listId) {
    std::vector<std::wstring> items;
    const HWND listBox = listBoxOf(listId);
    const int32_t count = int32_t(SendMessageW(listBox, LB_GETCOUNT, 0, 0));
    for (int32_t i = 0; i < count; ++i)
        items.push_back(listBoxItemText(listBox, i));
    return items;
}

std::wstring selectedItem(int32_t listId) {
    const HWND listBox = listBoxOf(listId);
    const LRESULT selected = SendMessageW(listBox, LB_GETCURSEL, 0, 0);
    return selected == LB_ERR ? L"<none>" : listBoxItemText(listBox, int32_t(selected));
}

bool anyListOpen() {
    for (const DropDownRecord* list = skinHost().dropDowns; list != nullptr && list->kind != 0; ++list)
        if (IsWindowVisible(list->popup))
            return true;
    return false;
}

POINT controlCentre(MainWindowSession& session, int32_t id) {
    return session.call<POINT>([id] {
        const ControlRecord* c = findRecord(skinHost().controls, id);
        return c == nullptr ? POINT{-100, -100} : POINT{c->x + c->width / 2, c->y + c->height / 2};
    });
}

RECT windowRect(MainWindowSession& session) {
    return session.call<RECT>([&] {
        RECT r{};
        GetWindowRect(session.window(), &r);
        return r;
    });
}

std::vector<int32_t> recordedCommands(MainWindowSession& session) {
    return session.call<std::vector<int32_t>>([] { return gCommands; });
}

std::vector<HWND> templateInstalls(MainWindowSession& session) {
    return session.call<std::vector<HWND>>([] { return gTemplateInstalls; });
}

bool chooseItem(MainWindowSession& session, int32_t selector, int32_t listId, const std::wstring& text,
                int occurrence) {
    if (!session.clickControl(selector))
        return false;
    HWND listBox = nullptr;
    RECT item{};
    const bool found = session.call<bool>([&] {
        listBox = listBoxOf(listId);
        if (!IsWindowVisible(GetParent(listBox)))
            return false;
        LRESULT index = -1;
        for (int i = 0; i <= occurrence; ++i) {
            const LRESULT next = SendMessageW(listBox, LB_FINDSTRINGEXACT, WPARAM(index), LPARAM(text.c_str()));
            if (next == LB_ERR || next <= index)
                return false;
            index = next;
        }
        SendMessageW(listBox, LB_SETTOPINDEX, WPARAM(index), 0);
        return SendMessageW(listBox, LB_GETITEMRECT, WPARAM(index), LPARAM(&item)) != LB_ERR;
    });
    if (!found)
        return false;
    const LPARAM at = MAKELPARAM((item.left + item.right) / 2, (item.top + item.bottom) / 2);
    return session.postTo(listBox, WM_LBUTTONDOWN, MK_LBUTTON, at) && session.postTo(listBox, WM_LBUTTONUP, 0, at);
}

int32_t storedTextScale() {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kMainKeyPath, 0, KEY_READ | KEY_WOW64_32KEY, &key) != ERROR_SUCCESS)
        return -1;
    ScopedRegKey closer(key);
    DWORD value = 0;
    DWORD size = sizeof value;
    if (RegQueryValueExW(key, L"textScale", nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size) != ERROR_SUCCESS)
        return -1;
    return int32_t(value);
}

FontLook windowFont() {
    FontLook look;
    LOGFONTW font{};
    const HGDIOBJ current = GetCurrentObject(skinHost().backBuffer, OBJ_FONT);
    if (current == nullptr || GetObjectW(current, sizeof font, &font) == 0)
        return look;
    look.face = font.lfFaceName;
    look.height = font.lfHeight;
    return look;
}

uint32_t backBufferChecksum() {
    const HDC dc = skinHost().backBuffer;
    const HBITMAP bitmap = static_cast<HBITMAP>(GetCurrentObject(dc, OBJ_BITMAP));
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = skinHost().windowWidth;
    info.bmiHeader.biHeight = skinHost().windowHeight;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    std::vector<uint32_t> pixels(size_t(skinHost().windowWidth) * size_t(skinHost().windowHeight));
    if (GetDIBits(dc, bitmap, 0, UINT(skinHost().windowHeight), pixels.data(), &info, DIB_RGB_COLORS) == 0)
        return 0;
    uint32_t hash = 2166136261u; // FNV-1a
    for (uint32_t pixel : pixels) {
        hash ^= pixel & 0xFFFFFF;
        hash *= 16777619u;
    }
    return hash;
}

uint32_t repaintedChecksum() {
    redrawWindow(kRedrawFace);
    return backBufferChecksum();
}

int32_t expectedHeight(int32_t points, int32_t textScale) {
    return -MulDiv(points * textScale, GetDeviceCaps(skinHost().backBuffer, LOGPIXELSY), 7200);
}

} // namespace testing_support
