// Portable text rules of the settings files: numbered-string lines and their escapes, key=value lines,
// newline-terminated item lists and the language folder of a Windows language id. The file readers that use them
// are in settingsFiles.h.
#pragma once

#include <cstdint>
#include <map>
#include <string>

// Key=value file contents; keys compare by code unit.
using KeyValueMap = std::map<std::wstring, std::wstring>;
// Numbered-string file contents: entry number (positive) -> text.
using NumberedStringMap = std::map<int32_t, std::wstring>;

// The layout of a numbered-string line: an optional prefix letter, `digits` decimal units, an optional separator,
// then the text. A zero letter or separator means "absent".
struct NumberedLineLayout {
    int32_t digits = 3;
    wchar_t prefix = 0;
    wchar_t separator = 0;
};

// Takes a numbered-string line apart. True when it names an entry: the line is longer than the text start, the
// prefix and separator are where they belong, and its digits give a positive number. `text` is the raw text, before
// escape decoding. The number is read from exactly the `digits` units (leading white space and a sign allowed,
// stopping at the first non-digit), so digits in the text never join it.
bool parseNumberedLine(const std::wstring& line, const NumberedLineLayout& layout, int32_t& number, std::wstring& text);

// Decodes the escapes of a numbered-string text: \\ a backslash, \r, \n and \t. A form feed in the file also stands
// for a backslash.
std::wstring decodeSettingEscapes(std::wstring text);

// Takes a key=value line apart: false when it has no "=" or starts with one. The key is trimmed (trimWideSpaces),
// the value is everything after the first "=", untrimmed.
bool parseKeyValueLine(const std::wstring& line, std::wstring& key, std::wstring& value);

// Lists of items, each ended by one LF; text after the last LF belongs to no item.
int32_t indexOfListItem(const std::wstring& list, const std::wstring& item);
std::wstring listItemAt(const std::wstring& list, int32_t index);

// Which rows of the language folder table apply: the module settings loader of the converter library has no
// "russian" folder of its own.
enum class LanguageTable { Full, WithoutRussian };

// The language folder for a Windows language id given as text ("1031" -> "german"); "" for English and unknown ids.
std::wstring languageFolderFromLcid(const std::wstring& lcidText, LanguageTable table = LanguageTable::Full);
