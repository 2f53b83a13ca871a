// Registry value reads and writes with the caller's close policy.
#include "registryValues.h"

#include "textUnits.h"

#include <algorithm>
#include <memory>
#include <new>

namespace {
// Applies the close policy to the call's outcome and passes the outcome on.
bool finish(bool succeeded, ScopedRegKey& key, KeyClosePolicy policy, bool flushFirst) {
    if (!succeeded && policy == KeyClosePolicy::CloseOnFailure)
        key.close();
    if (succeeded && policy == KeyClosePolicy::CloseOnSuccess) {
        if (flushFirst)
            RegFlushKey(key.get());
        key.close();
    }
    return succeeded;
}

LSTATUS queryStatus(ScopedRegKey& key, const wchar_t* name, void* buffer, DWORD& size) {
    if (!key.isOpen())
        return ERROR_INVALID_HANDLE;
    return RegQueryValueExW(key.get(), name, nullptr, nullptr, static_cast<BYTE*>(buffer), &size);
}

bool queryValue(ScopedRegKey& key, const wchar_t* name, void* buffer, DWORD& size) {
    return queryStatus(key, name, buffer, size) == ERROR_SUCCESS;
}

// Another program may make a value longer between asking its size and reading it; it is asked again this often.
constexpr int kGrowingValueAttempts = 4;

// The text of a value longer than the fixed buffer (`size` holds the size the registry asked for): read into a buffer
// of that size, asking again while the value keeps growing. False when it cannot be read, grew past the limit, or no
// buffer can be had.
bool readLongString(std::wstring& out, ScopedRegKey& key, const wchar_t* name, DWORD size) {
    for (int attempt = 0; attempt < kGrowingValueAttempts && size <= kRegStringMaxBytes; ++attempt) {
        std::unique_ptr<BYTE[]> buffer(new (std::nothrow) BYTE[size]);
        if (!buffer)
            return false;
        const LSTATUS status = queryStatus(key, name, buffer.get(), size);
        if (status == ERROR_SUCCESS) {
            out = registryStringText(buffer.get(), size);
            return true;
        }
        if (status != ERROR_MORE_DATA)
            return false;
    }
    return false;
}

bool setValue(ScopedRegKey& key, const wchar_t* name, DWORD type, const void* bytes, DWORD length) {
    return key.isOpen() &&
           RegSetValueExW(key.get(), name, 0, type, static_cast<const BYTE*>(bytes), length) == ERROR_SUCCESS;
}
} // namespace

bool readRegString(std::wstring& out, ScopedRegKey& key, const wchar_t* name, KeyClosePolicy policy) {
    out.clear();
    BYTE buffer[kRegStringReadBytes];
    DWORD size = sizeof buffer;
    const LSTATUS status = queryStatus(key, name, buffer, size);
    // The text ends at its first zero unit, as the shell's own readers end it (installers pad values such as Word's
    // STARTUP-PATH with zeros to a fixed size), or at the data's end: many programs store a REG_SZ with the byte count
    // of its characters only, and its last character is part of the text.
    if (status == ERROR_SUCCESS)
        out = registryStringText(buffer, size);
    else if (status != ERROR_MORE_DATA || !readLongString(out, key, name, size))
        return finish(false, key, policy, false);
    return finish(true, key, policy, false);
}

bool readRegDword(int32_t& out, ScopedRegKey& key, const wchar_t* name, KeyClosePolicy policy) {
    out = 0;
    BYTE bytes[4] = {};
    DWORD size = sizeof bytes;
    if (!queryValue(key, name, bytes, size))
        return finish(false, key, policy, false);
    out = int32_t(uint32_t(bytes[0]) | (uint32_t(bytes[1]) << 8) | (uint32_t(bytes[2]) << 16) |
                  (uint32_t(bytes[3]) << 24));
    return finish(true, key, policy, false);
}

bool readRegBinary(void* buffer, uint32_t& size, ScopedRegKey& key, const wchar_t* name, KeyClosePolicy policy) {
    DWORD bytes = size;
    const bool ok = queryValue(key, name, buffer, bytes);
    size = bytes;
    return finish(ok, key, policy, false);
}

bool writeRegString(const std::wstring& text, ScopedRegKey& key, const wchar_t* name, KeyClosePolicy policy) {
    const size_t units = std::min<size_t>(text.size(), kRegStringWriteUnits);
    BYTE buffer[2 * (kRegStringWriteUnits + 1)];
    for (size_t i = 0; i < units; ++i) {
        buffer[2 * i] = BYTE(text[i] & 0xFF);
        buffer[2 * i + 1] = BYTE((text[i] >> 8) & 0xFF);
    }
    buffer[2 * units] = 0;
    buffer[2 * units + 1] = 0;
    return finish(setValue(key, name, REG_SZ, buffer, DWORD(2 * units + 2)), key, policy, true);
}

bool writeRegDword(uint32_t value, ScopedRegKey& key, const wchar_t* name, KeyClosePolicy policy) {
    const BYTE bytes[4] = {BYTE(value), BYTE(value >> 8), BYTE(value >> 16), BYTE(value >> 24)};
    return finish(setValue(key, name, REG_DWORD, bytes, sizeof bytes), key, policy, true);
}

bool writeRegBinary(const void* bytes, uint32_t length, ScopedRegKey& key, const wchar_t* name, KeyClosePolicy policy) {
    return finish(setValue(key, name, REG_BINARY, bytes, length), key, policy, true);
}
