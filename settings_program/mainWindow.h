// The settings program's main window: the skinned dialog with its tables (mainWindowLayout.h), its procedure, which
// turns the mouse and the keys into commands for handleMainCommand, lets the window be dragged by any free spot and
// asks before unsaved changes are lost on close; the four selectors with their lists and the window's language
// (selectorsWin.cpp, languageTextsWin.cpp). UI thread only: every global here is that thread's.
#pragma once

#include "settingsFiles.h"

#include <windows.h>

#include <cstdint>
#include <string>

// What the procedure keeps between messages.
struct MainWindowState {
    HWND window = nullptr; // the main window while it runs
    int32_t dragX = -1;    // client point where a drag began; -1: no drag
    int32_t dragY = -1;
    int32_t pressed = -1;          // control under the last left-button press
    int32_t hovered = -1;          // control last highlighted by the mouse
    bool shiftHeld = false;        // Shift down: Tab goes backwards
    bool textEdited = false;       // an edit field changed (counts as unsaved)
    bool reloadOnActivate = false; // a module program ran: reload when the window is activated again
};
MainWindowState& mainWindowState();

// Fills the framework's host context (instance, UI font face, sizes, texts, tables, artwork paths from the
// settings), loads the skin and keeps the MathType style box in step with the settings. The instance and the face
// are start-up's.
void prepareMainWindow(HINSTANCE instance, const std::wstring& uiFontFace);
// Releases the window's drawing resources, lists, fonts and bitmaps after its dialog has ended.
void releaseMainWindow();
// prepareMainWindow, the dialog with mainWindowProc owned by `owner` (or none), releaseMainWindow: the dialog's
// result (1 OK, 2 closed, -1 not created).
INT_PTR runMainWindow(HINSTANCE instance, const std::wstring& uiFontFace, HWND owner);

// The main window's dialog procedure (also called by the edit fields with the keys they hand on).
INT_PTR CALLBACK mainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The first run's silent install of the Word start-up template, done while the window is created. Tests replace it
// (null restores the installer).
using FirstRunTemplateSetup = void (*)(HWND mainWindow);
void setFirstRunTemplateSetup(FirstRunTemplateSetup setup);

// Localisation (languageTextsWin.cpp): the UI font and every localised caption, label and message from the chosen
// language.txt. 1 when the file has no entries (English stays), else 0.
int32_t applyLanguageTexts();
// Releases that font (before the back buffer goes).
void releaseLanguageFont();

// Selectors (selectorsWin.cpp). The folders under `root` whose `fileName` is a valid numbered-string file of format
// 2026 with a display name, each name ended by LF, in the order of the search; 1 when the root cannot be searched.
int32_t listLocalisedFolders(const std::wstring& root, const std::wstring& fileName, std::wstring& folderNames,
                             std::wstring& displayNames);
// Fills the four lists and the selectors' captions from the settings; does nothing once the editor list has items.
void fillSelectorLists();
// The framework's commit call-back: applies the item chosen in the list at that index of the drop-down table.
void commitDropDownSelection(int32_t listIndex);
void syncMathTypeStyleControls();
void readMathTypeStyleCheckbox();
// After a module window or program: settings, texts and skin afresh.
void reloadProgramSettings();
// The folder lists found at the start (each name ended by LF) and the skin list's items.
const std::wstring& languageFolderNames();
const std::wstring& skinFolderNames();
const std::wstring& skinDisplayNames();
// Forgets the lists (a new window fills them again).
void clearSelectorFolders();

// A numbered-string file of the main window's layout (three digits, "D", ":"), empty when it cannot be read.
NumberedStringMap loadLocalisedFile(const std::wstring& path);
// Whether such a file is of the current format (entry 2 reads 2026).
bool isLocalisedFileValid(const NumberedStringMap& texts);
