// The key=value and numbered-string loaders over TextFileReader, and the character class tests they use.
#include "settingsFiles.h"

#include "textFile.h"
#include "textUnits.h"

namespace {
// Every settings file is read through a small buffer: the files are short and read once.
constexpr uint64_t kSettingsReadBuffer = 128;

bool hasCharType(wchar_t unit, WORD type) {
    WORD found = 0;
    return GetStringTypeW(CT_CTYPE1, &unit, 1, &found) != FALSE && (found & type) != 0;
}
} // namespace

bool isSpaceChar(wchar_t unit) {
    return hasCharType(unit, C1_SPACE);
}
bool isDigitChar(wchar_t unit) {
    return hasCharType(unit, C1_DIGIT);
}

std::wstring trimSpaces(const std::wstring& text) {
    return trimmedBy(text, isSpaceChar);
}

int32_t loadKeyValueFile(KeyValueMap& map, const std::wstring& path) {
    map.clear();
    TextFileReader reader(path, kCodePageUtf8, kSettingsReadBuffer);
    if (reader.status() != 0)
        return -1;
    std::wstring line;
    std::wstring key;
    std::wstring value;
    while (reader.readLine(line, kSettingsLineMax) != 0) {
        if (parseKeyValueLine(line, key, value))
            map[key] = value;
    }
    return int32_t(map.size());
}

int32_t loadNumberedStrings(NumberedStringMap& map, const std::wstring& path, int32_t digits, wchar_t prefix,
                            wchar_t separator) {
    map.clear();
    if (digits <= 0)
        return 0;
    TextFileReader reader(path, CodePageSelector::Default, kSettingsReadBuffer);
    const NumberedLineLayout layout{digits, prefix, separator};
    std::wstring line;
    std::wstring text;
    int32_t number = 0;
    while (reader.readLine(line, kSettingsLineMax) != 0) {
        if (parseNumberedLine(line, layout, number, text))
            map[number] = trimSpaces(decodeSettingEscapes(std::move(text)));
    }
    return int32_t(map.size());
}
