// Line rules of the settings files, list items and language folders.
#include "settingsText.h"

#include "textUnits.h"

#include <climits>
#include <cwctype>

namespace {
// Reads a signed decimal number from exactly `count` units, as wcstol would from a string of those units alone:
// leading white space, an optional sign, then digits up to the first non-digit. Saturates at the int32 limits.
int64_t parseBoundedDecimal(const wchar_t* units, size_t count) {
    size_t pos = 0;
    while (pos < count && std::iswspace(wint_t(units[pos])))
        ++pos;
    bool negative = false;
    if (pos < count && (units[pos] == L'+' || units[pos] == L'-')) {
        negative = units[pos] == L'-';
        ++pos;
    }
    int64_t value = 0;
    for (; pos < count && units[pos] >= L'0' && units[pos] <= L'9'; ++pos) {
        value = value * 10 + (units[pos] - L'0');
        if (value > INT32_MAX)
            value = int64_t(INT32_MAX) + 1; // keeps the sum bounded; clamped below
    }
    if (negative)
        value = -value;
    if (value > INT32_MAX)
        return INT32_MAX;
    if (value < INT32_MIN)
        return INT32_MIN;
    return value;
}

void replaceAll(std::wstring& text, const std::wstring& from, const std::wstring& to) {
    std::wstring result;
    result.reserve(text.size());
    size_t start = 0;
    for (size_t hit = text.find(from); hit != std::wstring::npos; hit = text.find(from, start)) {
        result.append(text, start, hit - start);
        result += to;
        start = hit + from.size();
    }
    result.append(text, start, std::wstring::npos);
    text.swap(result);
}

struct LanguageFolder {
    const wchar_t* lcid;
    const wchar_t* folder;
};
constexpr LanguageFolder kLanguageFolders[] = {
    // id text  folder ("" is the install root, English)
    {L"1031", L"german"}, {L"1033", L""},        {L"1036", L"french"},
    {L"1045", L"polish"}, {L"1049", L"russian"}, {L"1058", L"ukrainian"},
};
constexpr const wchar_t* kRussianLcid = L"1049";
} // namespace

bool parseNumberedLine(const std::wstring& line, const NumberedLineLayout& layout, int32_t& number,
                       std::wstring& text) {
    number = 0;
    text.clear();
    if (layout.digits <= 0)
        return false;
    const size_t digits = size_t(layout.digits);
    const size_t digitsStart = layout.prefix != 0 ? 1 : 0;
    const size_t separatorPos = digitsStart + digits;
    const size_t textStart = layout.separator != 0 ? separatorPos + 1 : separatorPos;
    if (line.size() <= textStart)
        return false; // an empty text neither creates nor replaces an entry
    if (layout.prefix != 0 && line[0] != layout.prefix)
        return false;
    if (layout.separator != 0 && line[separatorPos] != layout.separator)
        return false;
    const int64_t value = parseBoundedDecimal(line.data() + digitsStart, digits);
    if (value <= 0)
        return false;
    number = int32_t(value);
    text = line.substr(textStart);
    return true;
}

std::wstring decodeSettingEscapes(std::wstring text) {
    // A doubled backslash hides behind a form feed first, so that its second backslash cannot start an escape.
    replaceAll(text, L"\\\\", L"\f");
    replaceAll(text, L"\\r", L"\r");
    replaceAll(text, L"\\n", L"\n");
    replaceAll(text, L"\\t", L"\t");
    replaceAll(text, L"\f", L"\\");
    return text;
}

bool parseKeyValueLine(const std::wstring& line, std::wstring& key, std::wstring& value) {
    const size_t equals = line.find(L'=');
    if (equals == std::wstring::npos || equals == 0)
        return false;
    key = trimWideSpaces(line.substr(0, equals));
    value = line.substr(equals + 1);
    return true;
}

int32_t indexOfListItem(const std::wstring& list, const std::wstring& item) {
    int32_t index = 0;
    size_t start = 0;
    for (size_t end = list.find(L'\n'); end != std::wstring::npos; end = list.find(L'\n', start), ++index) {
        if (list.compare(start, end - start, item) == 0)
            return index;
        start = end + 1;
    }
    return -1;
}

std::wstring listItemAt(const std::wstring& list, int32_t index) {
    if (index < 0)
        return std::wstring();
    size_t start = 0;
    for (size_t end = list.find(L'\n'); end != std::wstring::npos; end = list.find(L'\n', start), --index) {
        if (index == 0)
            return list.substr(start, end - start);
        start = end + 1;
    }
    return std::wstring();
}

std::wstring languageFolderFromLcid(const std::wstring& lcidText, LanguageTable table) {
    if (table == LanguageTable::WithoutRussian && lcidText == kRussianLcid)
        return std::wstring();
    for (const LanguageFolder& row : kLanguageFolders) {
        if (lcidText == row.lcid)
            return row.folder;
    }
    return std::wstring();
}
