// The tests' answer to the system's message boxes (framework/messageBox.h): while the recorder is the hook, every box
// is recorded and answered with the test's answer instead of being shown. Boxes may come from any thread (a window's
// thread of the test, a library's worker); the record is kept behind a lock, and a test reads copies of it.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace testing_support {

// A message box as it was asked for, and the thread that asked.
struct ShownMessageBox {
    HWND owner;
    std::wstring text;
    std::wstring caption;
    UINT flags;
    DWORD thread;
};

// Clears the record and makes the recorder the hook: every box is recorded and answered with `answer`.
void answerMessageBoxes(int answer);
// The answer for the boxes to come; the record stays.
void setMessageBoxAnswer(int answer);
// The boxes recorded since the record was last cleared.
std::vector<ShownMessageBox> shownMessageBoxes();
void clearShownMessageBoxes();
// The recorder itself, for a library of its own that takes the hook through an export.
int recordMessageBox(HWND owner, const std::wstring& text, const std::wstring& caption, UINT flags);

} // namespace testing_support
