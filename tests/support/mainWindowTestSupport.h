// What the main window's tests share: a fixture with a test installation and registry, the command and template
// install seams recorded, message boxes answered; and looks at the window's records from its thread.
#pragma once

#include "mainWindowSession.h"
#include "optionsInstallation.h"
#include "suiteRegistry.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace testing_support {

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    OptionsInstallation install_;
    SuiteRegistry registry_;
};

// What the window handed to the shell (the session's shell hook records it and answers `shellAnswer`; an answer
// of 0 hands the call on to the real shell).
struct ShellCall {
    std::wstring target;
    std::wstring parameters;
    HWND owner;
};
void answerShell(intptr_t (*answer)(const std::wstring& target));
std::vector<ShellCall> shellCalls(); // on the window's thread

// On the window's thread:
std::wstring controlCaption(int32_t id);
std::wstring labelText(int32_t id);
bool controlVisible(int32_t id);
bool labelVisible(int32_t id);
bool controlPressed(int32_t id);
std::vector<std::wstring> listItems(int32_t listId); // in display order
std::wstring selectedItem(int32_t listId);
bool anyListOpen();
HWND listBoxOf(int32_t listId);

// From the test's thread:
POINT controlCentre(MainWindowSession& session, int32_t id);
RECT windowRect(MainWindowSession& session);
std::vector<int32_t> recordedCommands(MainWindowSession& session);
std::vector<HWND> templateInstalls(MainWindowSession& session);
// Opens the list by a click on its selector and clicks the item with that text (the `occurrence`-th of equal ones).
bool chooseItem(MainWindowSession& session, int32_t selector, int32_t listId, const std::wstring& text,
                int occurrence = 0);
// The per-user stored "textScale", -1 when there is none.
int32_t storedTextScale();
// The face and height of the font in the window's back buffer (on the window's thread).
struct FontLook {
    std::wstring face;
    int32_t height = 0;
};
FontLook windowFont();
// A checksum of the back buffer's pixels as they are, and after the face is painted afresh (on the window's thread):
// equal when nothing the window shows is stale.
uint32_t backBufferChecksum();
uint32_t repaintedChecksum();
// The height of a font of that many points at the text scale on the back buffer.
int32_t expectedHeight(int32_t points, int32_t textScale);

} // namespace testing_support
