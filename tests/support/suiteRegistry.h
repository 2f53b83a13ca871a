// Registry fixtures for the converter library's and the settings program's tests: the suite's machine-wide and
// per-user keys (32-bit view), Equation Editor 3.x's AutoConvertTo keys and MathType's equation class, written into
// the test prefix and removed again.
#pragma once

#include <windows.h>

#include <string>

namespace testing_support {

enum class SuiteKey {
    MachineMain,
    MachineSembrik,
    UserMain,
    UserSembrik,
    MachinePalvex,
    MachineDornak,
    UserPalvex,
    UserDornak,
};

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

    // A module's machine-wide key (MachinePalvex, MachineDornak or MachineSembrik) with its install path and version.
    void installModule(SuiteKey key, const std::wstring& installPath, DWORD version);
    // MathType's equation class with a ProgID of a stand-in, in the default view of the machine-wide classes.
    void registerMathType();

private:
    void clear();

    // Per view (32-bit, 64-bit): whether setAutoConvertTo had to create Equation Editor 3.x's class key.
    bool createdEquationClass_[2] = {false, false};
};

// Whether the ProgID "Word.Application" names a class other than `classText` (the Word stand-in's): a real Word, whose
// keys the tests leave alone.
bool otherWordClassRegistered(const wchar_t* classText);

} // namespace testing_support
