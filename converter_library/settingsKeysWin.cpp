// Opening the suite's keys and reading optional values into settings fields.
#include "settingsKeys.h"

ScopedRegKey openKeyForReading(HKEY root, const wchar_t* path, REGSAM view) {
    HKEY opened = nullptr;
    if (RegOpenKeyExW(root, path, 0, KEY_READ | view, &opened) != ERROR_SUCCESS)
        return ScopedRegKey(); // what a failed call leaves in `opened` is not a key
    return ScopedRegKey(opened);
}

bool readDwordField(int32_t& field, ScopedRegKey& key, const wchar_t* name, KeyClosePolicy policy) {
    int32_t value = 0;
    if (!readRegDword(value, key, name, policy))
        return false;
    field = value;
    return true;
}

bool readStringField(std::wstring& field, ScopedRegKey& key, const wchar_t* name, KeyClosePolicy policy) {
    std::wstring value;
    if (!readRegString(value, key, name, policy))
        return false;
    field = value;
    return true;
}

bool readEquationFormatField(EquationFormat& field, ScopedRegKey& key, const wchar_t* name, KeyClosePolicy policy) {
    int32_t value = 0;
    if (!readRegDword(value, key, name, policy))
        return false;
    field = equationFormatFromValue(value);
    return true;
}
