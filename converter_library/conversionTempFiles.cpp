// The names of a conversion's temporary files; see conversionTempFiles.h.
#include "conversionTempFiles.h"

namespace {
constexpr size_t kGuidLength = 36;
constexpr size_t kMaxTickDigits = 20; // the decimal digits of the largest 64-bit count

bool isUpperHexDigit(wchar_t c) {
    return (c >= L'0' && c <= L'9') || (c >= L'A' && c <= L'F');
}
bool isDecimalDigit(wchar_t c) {
    return c >= L'0' && c <= L'9';
}

// 8-4-4-4-12: hyphens at 8, 13, 18 and 23, upper-case hex digits elsewhere.
bool isGuidBase(std::wstring_view base) {
    if (base.size() != kGuidLength)
        return false;
    for (size_t i = 0; i < base.size(); ++i) {
        const bool hyphenPlace = i == 8 || i == 13 || i == 18 || i == 23;
        if (hyphenPlace ? base[i] != L'-' : !isUpperHexDigit(base[i]))
            return false;
    }
    return true;
}

// "_" and the milliseconds since system start: the base when no GUID could be made.
bool isTickBase(std::wstring_view base) {
    if (base.size() < 2 || base.size() > 1 + kMaxTickDigits || base[0] != L'_')
        return false;
    for (size_t i = 1; i < base.size(); ++i)
        if (!isDecimalDigit(base[i]))
            return false;
    return true;
}

bool isTempBase(std::wstring_view base) {
    return isGuidBase(base) || isTickBase(base);
}

// The base when `name` ends in `suffix`, else nothing (an empty view, which no base is).
std::wstring_view baseBefore(std::wstring_view name, std::wstring_view suffix) {
    if (name.size() <= suffix.size() || name.substr(name.size() - suffix.size()) != suffix)
        return {};
    return name.substr(0, name.size() - suffix.size());
}
} // namespace

bool isConversionTempFileName(std::wstring_view name) {
    return isTempBase(baseBefore(name, kConvertedRtfSuffix)) || isTempBase(baseBefore(name, kSourceRtfSuffix));
}
