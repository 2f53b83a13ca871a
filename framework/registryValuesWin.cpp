// Registry value reads and writes with the caller's close policy.
#include "registryValues.h"

#include "textUnits.h"

#include <algorithm>

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

bool queryValue(ScopedRegKey& key, const wchar_t* name, void* buffer, DWORD& size) {
    return key.isOpen() &&
           RegQueryValueExW(key.get(), name, nullptr, nullptr, static_cast<BYTE*>(buffer), &size) == ERROR_SUCCESS;
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
    if (!queryValue(key, name, buffer, size))
        return finish(false, key, policy, false);
    // The text ends at its first zero unit, as the shell's own readers end it (installers pad values such as Word's
    // STARTUP-PATH with zeros to a fixed size), or at the data's end: many programs store a REG_SZ with the byte count
    // of its characters only, and its last character is part of the text.
    out = registryStringText(buffer, size);
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
