// The main window's commands: handleMainCommand carries out a click (or Enter/Space) on one of its controls: it
// saves and applies the settings, opens help files and the maker's web pages, opens the modules' option windows and
// File Processing, the selector lists and the MathType style box, switches the Word ribbon template, starts the
// suite's installer and shows the Info box. Tests may put a handler of their own in front. UI thread only.
#pragma once

#include "wordTemplateInstaller.h"

#include <cstdint>
#include <string>

// Ids outside 0-26 (-1 included) do nothing.
void handleMainCommand(int32_t id);

// Replaces the handler (null restores the dispatcher).
using MainCommandHandler = void (*)(int32_t id);
void setMainCommandHandler(MainCommandHandler handler);
// The dispatcher itself, so that a test's handler can hand a command on.
void dispatchMainCommand(int32_t id);

// Writes the per-user settings and takes the snapshot that unsaved changes are measured against; on failure tells
// the user (owner the main window) and keeps the old snapshot. True when written.
bool saveSettingsAndSnapshot();

// The maker's web site (a build setting, without a trailing slash) and a page of it by its path ("/download/").
const wchar_t* makerSiteAddress();
std::wstring makerPage(const wchar_t* path);

// The Info box's text: the three modules' version lines, one a line.
std::wstring infoText();

// The template installer's question and result texts in the current language (entries 962, 963, 922 and 923), for
// the ribbon's Enable and Disable.
WordTemplateTexts localisedWordTemplateTexts();
