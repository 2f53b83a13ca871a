// A small host of the skinned window framework for the window tests: its own control and label tables, one of the
// two hosts' style tables and artwork (or a skin folder of the test's own), and a dialog procedure that does what a
// host does with the mouse and the keys. The dialog runs on a thread of its own (DialogSession), so that the test's
// thread can post real input to its message queue and then look at the result on the dialog's thread.
#pragma once

#include "buttonStyles.h"
#include "controlRecord.h"
#include "dropDowns.h"
#include "editFields.h"
#include "skinHost.h"
#include "windowSession.h"

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace skin_test {

// Whose artwork and style table the test host takes.
enum class HostLook { SettingsProgram, ConverterLibrary };

// Control ids of the test host's table.
enum ControlId : int32_t {
    kMinimise = 1,
    kClose = 2,
    kCheckTicked = 3, // a check box that starts ticked
    kCheckPlain = 4,
    kPush = 5,
    kLink = 6,
    kHelp = 7, // settings program look only
    kSelector = 8,
    kTabFirst = 9, // converter library look only; starts selected
    kTabSecond = 10,
    kSelector2 = 11, // with the edit field and lists only: the selectors of lists 1 to 3
    kSelector3 = 12,
    kSelector4 = 13,
};

// With the edit field and lists: the field's id, and the lists (0 and 2 unsorted, 1 and 3 sorted) under the
// selectors kSelector, kSelector2, kSelector3 and kSelector4.
constexpr int32_t kEditField = 1;
constexpr int32_t kListCount = 4;
// The items each list starts with.
extern const wchar_t* const kListItems[kListCount];

// Label ids of the test host's table.
enum LabelId : int32_t {
    kLabelHeading = 100,
    kLabelLeft = 101,
    kLabelCentred = 102,
    kLabelBold = 103,
    kLabelMulti = 104,
    kLabelOddKind = 105, // kind 6: never drawn
};

// The dialog's end value when the host saw Esc as WM_KEYDOWN (the dialog manager would send IDCANCEL instead).
constexpr INT_PTR kEndedByEscape = 7;

// The artwork folder of a look, with a trailing backslash ("Z:\...\artwork\settingsProgram\").
std::wstring artworkFolder(HostLook look);
// A Unix path as Wine's drive Z: sees it.
std::wstring winePath(const std::string& unixPath);

// What the test host was given and what it saw. Written on the dialog thread; the test reads it through call().
struct HostRecord {
    std::vector<int32_t> commands; // control ids whose command ran (mouse click, Enter or Space)
    std::vector<UINT> keysDown;    // WM_KEYDOWN keys the procedure received
    bool shiftDown = false;        // tracked from Shift's WM_KEYDOWN / WM_KEYUP, as the hosts do
    RECT clientAtStart{};          // client rectangle after the dialog started
    bool minimiseVisibleAtStart = false;
    std::vector<std::pair<int32_t, std::wstring>> commits; // list index and selected text of each commit
};

// What a session's host has besides the basic tables.
struct HostExtras {
    bool owner = false;         // the dialog runs with an owner window
    bool fieldAndLists = false; // a visible edit field and four drop-down lists with their selectors
    std::wstring title;         // the window title in place of the look's own, when not empty
};

// Fills the host context for a look: sizes, texts, tables, artwork paths, the skin folder (the look's own
// "skins\" folder unless `skinFolder` is given) and name. Loads nothing.
void configureHost(HostLook look, const std::wstring& skinName, const std::wstring& skinFolder = std::wstring(),
                   bool fieldAndLists = false);

// The test host's tables (rebuilt by configureHost).
std::vector<ControlRecord>& hostControls();
std::vector<LabelRecord>& hostLabels();
std::vector<ButtonStyle>& hostStyles();
std::vector<EditFieldRecord>& hostEditFields();
std::vector<DropDownRecord>& hostDropDowns();

// One run of the dialog on a thread of its own.
class DialogSession : public testing_support::WindowSession {
public:
    // Configures the host on the dialog thread (configureHost), loads the skin and background, creates an owner
    // window when asked and runs the dialog; returns once the dialog has started.
    DialogSession(HostLook look, const std::wstring& skinName, bool withOwner = false,
                  const std::wstring& skinFolder = std::wstring());
    DialogSession(HostLook look, const std::wstring& skinName, const HostExtras& extras,
                  const std::wstring& skinFolder = std::wstring());
    // The session ends the dialog (with 99) if it still runs and waits for the thread; see windowSession.h for the
    // posts, jobs and the wait for the end.
};

// The host's record of the current session (dialog thread).
HostRecord& hostRecord();

// Writes a 24-bit BMP file of one colour.
void writeSolidBitmap(const std::wstring& path, int32_t width, int32_t height, COLORREF colour);
// A pixel of a bitmap (CLR_INVALID when it cannot be read).
COLORREF bitmapPixel(HBITMAP bitmap, int32_t x, int32_t y);
// A bitmap file loaded as the framework loads it; owned by the caller's record.
HBITMAP loadBitmapFile(const std::wstring& path);
// The row of a style id in the host's style table (-1 when absent).
const ButtonStyle* styleRow(int32_t styleId);

} // namespace skin_test
