// The tests' message box recorder; see messageBoxRecorder.h.
#include "messageBoxRecorder.h"

#include "messageBox.h"

#include <atomic>
#include <mutex>

namespace testing_support {
namespace {
// Written by whichever thread shows a box, read and cleared by the test's thread.
std::mutex gBoxesLock;
std::vector<ShownMessageBox> gBoxes;
std::atomic<int> gAnswer{IDOK};
} // namespace

int recordMessageBox(HWND owner, const std::wstring& text, const std::wstring& caption, UINT flags) {
    std::lock_guard<std::mutex> lock(gBoxesLock);
    gBoxes.push_back({owner, text, caption, flags, GetCurrentThreadId()});
    return gAnswer;
}

void answerMessageBoxes(int answer) {
    clearShownMessageBoxes();
    gAnswer = answer;
    setMessageBoxHook(recordMessageBox);
}

void setMessageBoxAnswer(int answer) {
    gAnswer = answer;
}

std::vector<ShownMessageBox> shownMessageBoxes() {
    std::lock_guard<std::mutex> lock(gBoxesLock);
    return gBoxes;
}

void clearShownMessageBoxes() {
    std::lock_guard<std::mutex> lock(gBoxesLock);
    gBoxes.clear();
}

} // namespace testing_support
