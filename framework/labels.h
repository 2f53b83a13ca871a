// The labels of the skinned window: texts in the host's label table, changed by id and painted into the back buffer
// by drawLabels when the host redraws the whole face. Every operation acts on the first record with the id and
// ignores an id that is not in the table; none of them redraws. Dialog thread only (the converter library's status
// label is also set from its conversion thread, under that library's own rule).
#pragma once

#include "controlRecord.h"

#include <cstdint>
#include <string>

void setLabelVisible(int32_t id, bool visible);
void hideLabel(int32_t id);
// Stores the text and returns a copy; the empty string, storing nothing, for an id that is not in the table.
std::wstring setLabelText(int32_t id, const std::wstring& text);
// Sets each of the four that is 0 or more; a negative argument keeps the old value.
void setLabelRect(int32_t id, int32_t x, int32_t y, int32_t width, int32_t height);
void setLabelX(int32_t id, int32_t x);
void setLabelY(int32_t id, int32_t y);
// Paints every visible label into the back buffer.
void drawLabels();
