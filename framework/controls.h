// The drawn controls of the skinned window: buttons, check boxes, tabs, the web link, the minimise, close and help
// buttons and the selectors are records in the host's control table, painted from the skin's button styles. The
// operations keep their states (hit testing, highlight and press, check marks, Tab order, captions, positions);
// the host's dialog procedure calls them and redraws. Every operation acts on the first record with the id and
// ignores an id that is not in the table. Dialog thread only.
#pragma once

#include "controlRecord.h"

#include <cstdint>
#include <string>

// Records before the sentinel.
int32_t countControls();
// The index of the first record with the id, -1 when absent.
int32_t findControlIndex(int32_t id);
// The id of the first record that is Visible and Highlighted, -1 when none.
int32_t highlightedControlId();
// The id of the first Visible record whose rectangle holds (x, y), both edges included; -1 when none.
int32_t hitTestControl(int32_t x, int32_t y);

bool isControlChecked(int32_t id);
void setControlChecked(int32_t id, bool checked);
void uncheckControl(int32_t id);
void toggleControlChecked(int32_t id);
void setControlVisible(int32_t id, bool visible);
void hideControl(int32_t id);

// The mouse is over this control (-1: over none): every other record loses Highlighted and Pressed; the record
// gains Highlighted unless it is Pressed.
void hoverControl(int32_t id);
// The record gains Pressed, all others lose it; every record loses Highlighted.
void pressControl(int32_t id);
// The record gains Highlighted, all others lose it; every record loses Pressed.
void releaseControl(int32_t id);

// Tab and Shift+Tab: the highlight moves to the next or previous visible control, into the edit fields past either
// end when one may take it, else round to the other end.
void focusNextControl();
void focusPreviousControl();

// Stores the caption and returns a copy; the empty string for an id that is not in the table.
std::wstring setControlCaption(int32_t id, const std::wstring& text);
// Each argument that is 0 or more replaces its field; a negative one keeps it.
void setControlRect(int32_t id, int32_t x, int32_t y, int32_t width, int32_t height);
void setControlX(int32_t id, int32_t x);
void setControlY(int32_t id, int32_t y);

// The style row a control draws with now (its state and check mark), -1 when its kind draws nothing or the style is
// not in the host's table.
int32_t controlStyleRow(const ControlRecord& control);
// Paints every visible control into the back buffer.
void drawControls();
