// Loading key=value files and numbered-string files (every language.txt and skin.txt), and the white-space and digit
// tests of the system's character classes. Windows only: files go through TextFileReader.
#pragma once

#include "settingsText.h"

#include <cstdint>
#include <string>

// The line length the loaders keep; longer lines are cut.
constexpr size_t kSettingsLineMax = 1000;

// Loads key=value lines (UTF-8 unless a byte-order mark says otherwise). Returns the number of entries, or -1 when
// the file cannot be opened. Lines without "=" or starting with it are skipped; a later key replaces an earlier one.
int32_t loadKeyValueFile(KeyValueMap& map, const std::wstring& path);

// Loads numbered strings (the ANSI code page unless a byte-order mark says otherwise) in the given layout. Returns
// the number of entries; a file that cannot be opened gives none. Texts are unescaped and trimmed (trimSpaces).
int32_t loadNumberedStrings(NumberedStringMap& map, const std::wstring& path, int32_t digits, wchar_t prefix,
                            wchar_t separator);

// The text without leading and trailing units that isSpaceChar accepts.
std::wstring trimSpaces(const std::wstring& text);
// C1_SPACE and C1_DIGIT of GetStringTypeW; false when the unit cannot be classified.
bool isSpaceChar(wchar_t unit);
bool isDigitChar(wchar_t unit);
