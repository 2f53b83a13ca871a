// Registry fixtures of the converter library's tests; see suiteRegistry.h.
#include "suiteRegistry.h"

#include "registryValues.h"
#include "scopedWin.h"

#include <gtest/gtest.h>

#include <iterator>

namespace testing_support {
namespace {
constexpr wchar_t kAutoConvertToPath[] =
    L"SOFTWARE\\Classes\\CLSID\\{0002CE02-0000-0000-C000-000000000046}\\AutoConvertTo";
constexpr wchar_t kEquationClassPath[] = L"SOFTWARE\\Classes\\CLSID\\{0002CE02-0000-0000-C000-000000000046}";
constexpr wchar_t kClassesPath[] = L"SOFTWARE\\Classes\\CLSID";
constexpr wchar_t kMathTypeClsid[] = L"{0002CE03-0000-0000-C000-000000000046}";
constexpr wchar_t kEquationClsid[] = L"{0002CE02-0000-0000-C000-000000000046}";
constexpr REGSAM kFixtureViews[] = {KEY_WOW64_32KEY, KEY_WOW64_64KEY};

bool keyExists(HKEY root, const wchar_t* path, REGSAM view) {
    HKEY opened = nullptr;
    if (RegOpenKeyExW(root, path, 0, KEY_READ | view, &opened) != ERROR_SUCCESS)
        return false;
    ScopedRegKey key(opened);
    return true;
}

// Where each fixture key lives.
struct SuiteKeyRow {
    SuiteKey key;
    HKEY root;
    const wchar_t* path;
};
const SuiteKeyRow kSuiteKeys[] = {
    // key                     root                path
    {SuiteKey::MachineMain, HKEY_LOCAL_MACHINE, L"SOFTWARE\\Veltrim\\main"},
    {SuiteKey::MachineSembrik, HKEY_LOCAL_MACHINE, L"SOFTWARE\\Veltrim\\sembrik"},
    {SuiteKey::UserMain, HKEY_CURRENT_USER, L"SOFTWARE\\Veltrim\\main"},
    {SuiteKey::UserSembrik, HKEY_CURRENT_USER, L"SOFTWARE\\Veltrim\\sembrik"},
    {SuiteKey::MachinePalvex, HKEY_LOCAL_MACHINE, L"SOFTWARE\\Veltrim\\palvex"},
    {SuiteKey::MachineDornak, HKEY_LOCAL_MACHINE, L"SOFTWARE\\Veltrim\\dornak"},
    {SuiteKey::UserPalvex, HKEY_CURRENT_USER, L"SOFTWARE\\Veltrim\\palvex"},
    {SuiteKey::UserDornak, HKEY_CURRENT_USER, L"SOFTWARE\\Veltrim\\dornak"},
};

const SuiteKeyRow& rowOf(SuiteKey key) {
    for (const SuiteKeyRow& row : kSuiteKeys) {
        if (row.key == key)
            return row;
    }
    ADD_FAILURE() << "no fixture row for key " << int(key);
    return kSuiteKeys[0];
}

HKEY rootOf(SuiteKey key) {
    return rowOf(key).root;
}

const wchar_t* pathOf(SuiteKey key) {
    return rowOf(key).path;
}

ScopedRegKey create(HKEY root, const wchar_t* path, REGSAM view) {
    HKEY opened = nullptr;
    EXPECT_EQ(RegCreateKeyExW(root, path, 0, nullptr, 0, KEY_ALL_ACCESS | view, nullptr, &opened, nullptr),
              ERROR_SUCCESS);
    return ScopedRegKey(opened);
}

void deleteTree(HKEY root, const wchar_t* parentPath, const wchar_t* child, REGSAM view) {
    HKEY opened = nullptr;
    if (RegOpenKeyExW(root, parentPath, 0, KEY_ALL_ACCESS | view, &opened) != ERROR_SUCCESS)
        return;
    ScopedRegKey parent(opened);
    RegDeleteTreeW(parent.get(), child);
}
} // namespace

SuiteRegistry::SuiteRegistry() {
    clear();
}
SuiteRegistry::~SuiteRegistry() {
    clear();
}

void SuiteRegistry::clear() {
    for (REGSAM view : kFixtureViews) {
        deleteTree(HKEY_LOCAL_MACHINE, L"SOFTWARE", L"Veltrim", view);
        deleteTree(HKEY_CURRENT_USER, L"SOFTWARE", L"Veltrim", view);
        deleteTree(HKEY_LOCAL_MACHINE, kEquationClassPath, L"AutoConvertTo", view);
        deleteTree(HKEY_LOCAL_MACHINE, kClassesPath, kMathTypeClsid, view);
    }
    // The class key that an AutoConvertTo fixture had to create goes too: left empty, it would pass for a registered
    // Equation Editor 3.x and make the server's tests skip. A class key that was there before stays.
    for (size_t index = 0; index < std::size(createdEquationClass_); ++index) {
        if (createdEquationClass_[index])
            deleteTree(HKEY_LOCAL_MACHINE, kClassesPath, kEquationClsid, kFixtureViews[index]);
        createdEquationClass_[index] = false;
    }
}

void SuiteRegistry::install(const std::wstring& installPath) {
    setString(SuiteKey::MachineMain, L"path", installPath);
    setString(SuiteKey::MachineSembrik, L"path", installPath);
}

void SuiteRegistry::setString(SuiteKey key, const wchar_t* name, const std::wstring& value) {
    ScopedRegKey opened = create(rootOf(key), pathOf(key), KEY_WOW64_32KEY);
    ASSERT_EQ(RegSetValueExW(opened.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                             DWORD((value.size() + 1) * sizeof(wchar_t))),
              ERROR_SUCCESS);
}

void SuiteRegistry::setDword(SuiteKey key, const wchar_t* name, DWORD value) {
    ScopedRegKey opened = create(rootOf(key), pathOf(key), KEY_WOW64_32KEY);
    ASSERT_EQ(RegSetValueExW(opened.get(), name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value),
              ERROR_SUCCESS);
}

void SuiteRegistry::removeValue(SuiteKey key, const wchar_t* name) {
    ScopedRegKey opened = create(rootOf(key), pathOf(key), KEY_WOW64_32KEY);
    RegDeleteValueW(opened.get(), name);
}

void SuiteRegistry::removeKey(SuiteKey key) {
    RegDeleteKeyExW(rootOf(key), pathOf(key), KEY_WOW64_32KEY, 0);
}

void SuiteRegistry::setAutoConvertTo(REGSAM view, const std::wstring& value) {
    for (size_t index = 0; index < std::size(kFixtureViews); ++index) {
        if (kFixtureViews[index] == view && !keyExists(HKEY_LOCAL_MACHINE, kEquationClassPath, view))
            createdEquationClass_[index] = true;
    }
    ScopedRegKey opened = create(HKEY_LOCAL_MACHINE, kAutoConvertToPath, view);
    ASSERT_EQ(RegSetValueExW(opened.get(), nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                             DWORD((value.size() + 1) * sizeof(wchar_t))),
              ERROR_SUCCESS);
}

std::wstring SuiteRegistry::autoConvertTo(REGSAM view) const {
    HKEY opened = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kAutoConvertToPath, 0, KEY_READ | view, &opened) != ERROR_SUCCESS)
        return L"<none>";
    ScopedRegKey key(opened);
    wchar_t buffer[256] = {};
    DWORD size = sizeof buffer - sizeof(wchar_t);
    if (RegQueryValueExW(key.get(), nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &size) != ERROR_SUCCESS)
        return L"<none>";
    return buffer;
}

void SuiteRegistry::installModule(SuiteKey key, const std::wstring& installPath, DWORD version) {
    setString(key, L"path", installPath);
    setDword(key, L"version", version);
}

void SuiteRegistry::registerMathType() {
    const std::wstring path = std::wstring(kClassesPath) + L"\\" + kMathTypeClsid + L"\\ProgID";
    ScopedRegKey opened = create(HKEY_LOCAL_MACHINE, path.c_str(), 0);
    const std::wstring progId = L"MathTypeStandIn.Equation.1";
    ASSERT_EQ(RegSetValueExW(opened.get(), nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(progId.c_str()),
                             DWORD((progId.size() + 1) * sizeof(wchar_t))),
              ERROR_SUCCESS);
}

bool otherWordClassRegistered(const wchar_t* classText) {
    ScopedRegKey existing;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, L"Word.Application", 0, KEY_READ, existing.put()) != ERROR_SUCCESS)
        return false;
    std::wstring registered;
    ScopedRegKey classKey;
    return RegOpenKeyExW(existing.get(), L"CLSID", 0, KEY_READ, classKey.put()) != ERROR_SUCCESS ||
           !readRegString(registered, classKey, nullptr, KeyClosePolicy::KeepOpen) ||
           _wcsicmp(registered.c_str(), classText) != 0;
}

} // namespace testing_support
