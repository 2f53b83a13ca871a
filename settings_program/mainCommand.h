// The main window's commands: handleMainCommand carries out a click (or Enter/Space) on one of its controls. Until
// the full dispatcher comes, an interim one does what the window itself needs (minimise, close and Cancel, OK and
// Apply, the selector lists and the MathType style box); every other command reaches nothing yet. Tests put a
// handler of their own in front. UI thread only.
#pragma once

#include "wordTemplateInstaller.h"

#include <cstdint>

// Ids outside 0-26 (-1 included) do nothing.
void handleMainCommand(int32_t id);

// Replaces the handler (null restores the interim one).
using MainCommandHandler = void (*)(int32_t id);
void setMainCommandHandler(MainCommandHandler handler);
// The interim dispatcher itself, so that a test's handler can hand a command on.
void interimMainCommand(int32_t id);

// The template installer's question and result texts in the current language (entries 962, 963, 922 and 923), for
// the ribbon's Enable and Disable.
WordTemplateTexts localisedWordTemplateTexts();
