// Registry fixtures for the converter library's tests: the suite's machine-wide and per-user keys (32-bit view) and
// Equation Editor 3.x's AutoConvertTo keys, written into the test prefix and removed again.
#pragma once

#include <windows.h>

#include <string>

namespace testing_support {

enum class SuiteKey { MachineMain, MachineSembrik, UserMain, UserSembrik };

class SuiteRegistry {
public:
    SuiteRegistry();  // starts from no suite keys at all
    ~SuiteRegistry(); // and leaves none behind
    SuiteRegistry(const SuiteRegistry&) = delete;
    SuiteRegistry& operator=(const SuiteRegistry&) = delete;

    // Machine-wide keys with their install paths (main and sembrik both at `installPath`).
    void install(const std::wstring& installPath);
    void setString(SuiteKey key, const wchar_t* name, const std::wstring& value);
    void setDword(SuiteKey key, const wchar_t* name, DWORD value);
    void removeValue(SuiteKey key, const wchar_t* name);
    void removeKey(SuiteKey key);

    // Equation Editor 3.x's AutoConvertTo default value in one view (KEY_WOW64_32KEY or KEY_WOW64_64KEY).
    void setAutoConvertTo(REGSAM view, const std::wstring& value);
    // The value, or "<none>" when the key or value is missing (a cleared value is gone, not empty).
    std::wstring autoConvertTo(REGSAM view) const;

private:
    void clear();
};

} // namespace testing_support
