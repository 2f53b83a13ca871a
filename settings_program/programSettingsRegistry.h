// The registry side of the program settings that tests reach: the keys it touches and the seam through which it
// removes Equation Editor 3.x's AutoConvertTo key (the test registry never refuses a deletion).
#pragma once

#include <windows.h>

constexpr wchar_t kMainKeyPath[] = L"SOFTWARE\\Veltrim\\main";
constexpr wchar_t kMathTypeClsid[] = L"{0002CE03-0000-0000-C000-000000000046}";
constexpr wchar_t kEquationEditorClassPath[] = L"SOFTWARE\\Classes\\CLSID\\{0002CE02-0000-0000-C000-000000000046}";
constexpr wchar_t kAutoConvertToKeyName[] = L"AutoConvertTo";

// Deletes `subKey` of `parent` in a registry view (KEY_WOW64_32KEY or KEY_WOW64_64KEY); ERROR_SUCCESS when gone.
using SubKeyDeleter = LSTATUS (*)(HKEY parent, const wchar_t* subKey, REGSAM view);
// Null restores RegDeleteKeyExW. Set by tests on the UI thread.
void setAutoConvertToKeyDeleter(SubKeyDeleter deleter);
