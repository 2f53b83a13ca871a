// Registry value reads and writes against Wine's real registry: strings ending at their first zero unit or at the end
// of their data (values without a terminator keep their last character), values longer than the first read buffer
// read whole, the 511-unit write limit, each close policy (seen through whether the key can still be used), and the
// 32-bit view.
#include "registryValues.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace {
constexpr wchar_t kTestRoot[] = L"Software\\VeltrimRegistryTest";

class RegistryValues : public ::testing::Test {
protected:
    void SetUp() override { key_ = openKey(HKEY_CURRENT_USER, KEY_ALL_ACCESS); }
    void TearDown() override {
        key_.close();
        RegDeleteTreeW(HKEY_CURRENT_USER, kTestRoot);
    }

    static ScopedRegKey openKey(HKEY root, REGSAM access) {
        ScopedRegKey key;
        EXPECT_EQ(RegCreateKeyExW(root, kTestRoot, 0, nullptr, 0, access, nullptr, key.put(), nullptr), ERROR_SUCCESS);
        return key;
    }

    // Stores raw bytes of the given type. A REG_SZ whose bytes lack a terminator must come from a buffer whose next
    // unit is not zero: the registry adds the terminator itself when one follows the data.
    void storeRaw(const wchar_t* name, DWORD type, const std::vector<uint8_t>& bytes) {
        std::vector<uint8_t> buffer = bytes;
        buffer.insert(buffer.end(), {'Z', 'Z', 'Z', 'Z'});
        ASSERT_EQ(RegSetValueExW(key_.get(), name, 0, type, buffer.data(), DWORD(bytes.size())), ERROR_SUCCESS);
    }

    std::vector<uint8_t> queryRaw(const wchar_t* name, DWORD& type) {
        std::vector<uint8_t> bytes(4096);
        DWORD size = DWORD(bytes.size());
        EXPECT_EQ(RegQueryValueExW(key_.get(), name, nullptr, &type, bytes.data(), &size), ERROR_SUCCESS);
        bytes.resize(size);
        return bytes;
    }

    ScopedRegKey key_;
};

std::vector<uint8_t> utf16Bytes(const std::wstring& text) {
    std::vector<uint8_t> bytes;
    for (wchar_t unit : text) {
        bytes.push_back(uint8_t(unit & 0xFF));
        bytes.push_back(uint8_t(unit >> 8));
    }
    return bytes;
}

TEST_F(RegistryValues, ReadString) {
    struct Case {
        const char* name;
        DWORD type;
        std::vector<uint8_t> bytes;
        bool ok;
        std::wstring text;
    };
    const std::wstring full(511, L'x');
    const std::wstring longPath = L"C:\\" + std::wstring(4000, L'p');
    std::vector<uint8_t> oddLong = utf16Bytes(longPath);
    oddLong.push_back('q');
    const Case cases[] = {
        {"terminated", REG_SZ, utf16Bytes(std::wstring(L"abc", 4)), true, L"abc"},
        {"no terminator: the last character stays", REG_SZ, utf16Bytes(L"abcd"), true, L"abcd"},
        {"no terminator, one character", REG_SZ, utf16Bytes(L"a"), true, L"a"},
        {"exactly 1024 bytes, no terminator", REG_SZ, utf16Bytes(full + L"y"), true, full + L"y"},
        {"exactly 1024 bytes, terminated", REG_SZ, utf16Bytes(full + L'\0'), true, full},
        // Longer than the first read: read whole after asking its size.
        {"1026 bytes, no terminator", REG_SZ, utf16Bytes(full + L"yz"), true, full + L"yz"},
        {"longer than the buffer, terminated", REG_SZ, utf16Bytes(longPath + L'\0'), true, longPath},
        {"longer than the buffer, no terminator", REG_SZ, utf16Bytes(longPath), true, longPath},
        {"longer than the buffer, zero-padded", REG_SZ, utf16Bytes(L"C:\\Word" + std::wstring(3000, L'\0')), true,
         L"C:\\Word"},
        {"longer than the buffer, odd byte count", REG_BINARY, oddLong, true, longPath},
        {"longer than the registry's value limit", REG_BINARY, std::vector<uint8_t>((1u << 20) + 2, 'm'), false, L""},
        // The text ends at its first zero unit, wherever that stands.
        {"zero inside ends the text", REG_SZ, utf16Bytes(std::wstring(L"a\0b\0", 4)), true, L"a"},
        {"padded with zeros to a fixed size", REG_SZ, utf16Bytes(L"C:\\Word\\STARTUP" + std::wstring(40, L'\0')), true,
         L"C:\\Word\\STARTUP"},
        {"zero first", REG_SZ, utf16Bytes(std::wstring(L"\0abc\0", 5)), true, L""},
        {"expandable, zero inside", REG_EXPAND_SZ, utf16Bytes(std::wstring(L"%A%\0%B%\0", 8)), true, L"%A%"},
        {"binary, zero inside", REG_BINARY, {'a', 0, 0, 0, 'b', 0, 0, 0}, true, L"a"},
        {"odd byte count: the last byte is ignored", REG_BINARY, {'a', 0, 'b', 0, 'c'}, true, L"ab"},
        {"one byte", REG_BINARY, {'a'}, true, L""},
        {"empty", REG_SZ, {}, true, L""},
        {"any type", REG_DWORD, {'A', 0, 'B', 0}, true, L"AB"},
    };
    for (size_t row = 0; row < std::size(cases); ++row) {
        const Case& c = cases[row];
        storeRaw(L"value", c.type, c.bytes);
        std::wstring text = L"stale";
        EXPECT_EQ(readRegString(text, key_, L"value", KeyClosePolicy::KeepOpen), c.ok)
            << "row " << row << " " << c.name;
        EXPECT_EQ(text, c.text) << "row " << row << " " << c.name;
    }
    std::wstring text = L"stale";
    EXPECT_FALSE(readRegString(text, key_, L"missing", KeyClosePolicy::KeepOpen));
    EXPECT_EQ(text, L"");
}

TEST_F(RegistryValues, ReadDwordAndBinary) {
    const struct {
        std::vector<uint8_t> bytes;
        bool ok;
        int32_t value;
    } cases[] = {
        {{0x78, 0x56, 0x34, 0x12}, true, 0x12345678},
        {{0x34, 0x12}, true, 0x1234}, // a shorter value fills the low bytes
        {{0xFF, 0xFF, 0xFF, 0xFF}, true, -1},
        {{1, 2, 3, 4, 5, 6, 7, 8}, false, 0}, // longer than 4 bytes fails and leaves 0
        {{}, true, 0},
    };
    for (size_t row = 0; row < std::size(cases); ++row) {
        storeRaw(L"number", REG_BINARY, cases[row].bytes);
        int32_t value = 99;
        EXPECT_EQ(readRegDword(value, key_, L"number", KeyClosePolicy::KeepOpen), cases[row].ok) << "row " << row;
        EXPECT_EQ(value, cases[row].value) << "row " << row;
    }
    int32_t value = 99;
    EXPECT_FALSE(readRegDword(value, key_, L"missing", KeyClosePolicy::KeepOpen));
    EXPECT_EQ(value, 0);

    storeRaw(L"blob", REG_BINARY, {1, 2, 3});
    uint8_t buffer[8] = {};
    uint32_t size = sizeof buffer;
    ASSERT_TRUE(readRegBinary(buffer, size, key_, L"blob", KeyClosePolicy::KeepOpen));
    EXPECT_EQ(size, 3u);
    EXPECT_EQ(buffer[2], 3);
    size = 2;
    EXPECT_FALSE(readRegBinary(buffer, size, key_, L"blob", KeyClosePolicy::KeepOpen));
}

TEST_F(RegistryValues, Writes) {
    DWORD type = 0;
    ASSERT_TRUE(writeRegString(std::wstring(600, L'q'), key_, L"long", KeyClosePolicy::KeepOpen));
    std::vector<uint8_t> bytes = queryRaw(L"long", type);
    EXPECT_EQ(type, DWORD(REG_SZ));
    ASSERT_EQ(bytes.size(), 1024u); // the first 511 units and a terminator
    EXPECT_EQ(bytes[1020], 'q');
    EXPECT_EQ(bytes[1022] | bytes[1023], 0);

    ASSERT_TRUE(writeRegString(L"h\x0444", key_, L"short", KeyClosePolicy::KeepOpen));
    EXPECT_EQ(queryRaw(L"short", type), (std::vector<uint8_t>{'h', 0, 0x44, 0x04, 0, 0}));
    ASSERT_TRUE(writeRegString(L"", key_, L"empty", KeyClosePolicy::KeepOpen));
    EXPECT_EQ(queryRaw(L"empty", type), (std::vector<uint8_t>{0, 0}));

    ASSERT_TRUE(writeRegDword(0xA1B2C3D4u, key_, L"number", KeyClosePolicy::KeepOpen));
    EXPECT_EQ(queryRaw(L"number", type), (std::vector<uint8_t>{0xD4, 0xC3, 0xB2, 0xA1}));
    EXPECT_EQ(type, DWORD(REG_DWORD));
    const uint8_t blob[] = {0, 1, 0, 2};
    ASSERT_TRUE(writeRegBinary(blob, sizeof blob, key_, L"blob", KeyClosePolicy::KeepOpen));
    EXPECT_EQ(queryRaw(L"blob", type), (std::vector<uint8_t>{0, 1, 0, 2}));
    EXPECT_EQ(type, DWORD(REG_BINARY));

    // What was written reads back through the readers.
    std::wstring text;
    ASSERT_TRUE(readRegString(text, key_, L"short", KeyClosePolicy::KeepOpen));
    EXPECT_EQ(text, L"h\x0444");
    int32_t number = 0;
    ASSERT_TRUE(readRegDword(number, key_, L"number", KeyClosePolicy::KeepOpen));
    EXPECT_EQ(uint32_t(number), 0xA1B2C3D4u);
}

// Whether a raw key handle still works: a closed handle is refused.
bool keyUsable(HKEY raw) {
    DWORD values = 0;
    return RegQueryInfoKeyW(raw, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr, nullptr,
                            nullptr, nullptr) == ERROR_SUCCESS;
}

TEST_F(RegistryValues, ClosePolicies) {
    storeRaw(L"present", REG_SZ, utf16Bytes(std::wstring(L"v", 2)));
    storeRaw(L"long", REG_SZ, utf16Bytes(std::wstring(3000, L'v')));
    key_.close();
    using Call = std::function<bool(ScopedRegKey&, KeyClosePolicy)>;
    const struct {
        const char* name;
        Call call;
        REGSAM access; // a read-only key makes every write fail
        bool succeeds;
    } calls[] = {
        {"read string ok",
         [](ScopedRegKey& k, KeyClosePolicy p) {
             std::wstring t;
             return readRegString(t, k, L"present", p);
         },
         KEY_READ, true},
        {"read string longer than the buffer ok",
         [](ScopedRegKey& k, KeyClosePolicy p) {
             std::wstring t;
             return readRegString(t, k, L"long", p) && t.size() == 3000;
         },
         KEY_READ, true},
        {"read string fails",
         [](ScopedRegKey& k, KeyClosePolicy p) {
             std::wstring t;
             return readRegString(t, k, L"absent", p);
         },
         KEY_READ, false},
        {"read dword fails",
         [](ScopedRegKey& k, KeyClosePolicy p) {
             int32_t v;
             return readRegDword(v, k, L"absent", p);
         },
         KEY_READ, false},
        {"write string ok", [](ScopedRegKey& k, KeyClosePolicy p) { return writeRegString(L"w", k, L"w", p); },
         KEY_ALL_ACCESS, true},
        {"write string fails", [](ScopedRegKey& k, KeyClosePolicy p) { return writeRegString(L"w", k, L"w", p); },
         KEY_READ, false},
        {"write dword ok", [](ScopedRegKey& k, KeyClosePolicy p) { return writeRegDword(1, k, L"d", p); },
         KEY_ALL_ACCESS, true},
        {"write binary fails", [](ScopedRegKey& k, KeyClosePolicy p) { return writeRegBinary("x", 1, k, L"b", p); },
         KEY_READ, false},
    };
    for (size_t row = 0; row < std::size(calls); ++row) {
        for (KeyClosePolicy policy :
             {KeyClosePolicy::KeepOpen, KeyClosePolicy::CloseOnFailure, KeyClosePolicy::CloseOnSuccess}) {
            ScopedRegKey key = openKey(HKEY_CURRENT_USER, calls[row].access);
            const HKEY raw = key.get();
            const bool succeeded = calls[row].call(key, policy);
            const bool expectClosed = (policy == KeyClosePolicy::CloseOnFailure && !succeeded) ||
                                      (policy == KeyClosePolicy::CloseOnSuccess && succeeded);
            EXPECT_EQ(succeeded, calls[row].succeeds) << "row " << row << " " << calls[row].name;
            EXPECT_EQ(key.isOpen(), !expectClosed) << "row " << row << " policy " << int(policy);
            EXPECT_EQ(keyUsable(raw), !expectClosed) << "row " << row << " policy " << int(policy);
        }
    }
}

// HKLM\Software has a separate 32-bit view: a value written there is not seen through the 64-bit view.
TEST_F(RegistryValues, ThirtyTwoBitView) {
    ScopedRegKey view32 = openKey(HKEY_LOCAL_MACHINE, KEY_ALL_ACCESS | KEY_WOW64_32KEY);
    ASSERT_TRUE(view32.isOpen());
    ASSERT_TRUE(writeRegString(L"thirty-two", view32, L"where", KeyClosePolicy::CloseOnSuccess));
    EXPECT_FALSE(view32.isOpen());

    ScopedRegKey again = openKey(HKEY_LOCAL_MACHINE, KEY_READ | KEY_WOW64_32KEY);
    std::wstring text;
    EXPECT_TRUE(readRegString(text, again, L"where", KeyClosePolicy::CloseOnSuccess));
    EXPECT_EQ(text, L"thirty-two");

    ScopedRegKey view64 = openKey(HKEY_LOCAL_MACHINE, KEY_READ | KEY_WOW64_64KEY);
    EXPECT_FALSE(readRegString(text, view64, L"where", KeyClosePolicy::CloseOnFailure));
    EXPECT_FALSE(view64.isOpen());

    RegDeleteKeyExW(HKEY_LOCAL_MACHINE, kTestRoot, KEY_WOW64_32KEY, 0);
    RegDeleteKeyExW(HKEY_LOCAL_MACHINE, kTestRoot, KEY_WOW64_64KEY, 0);
}

} // namespace
