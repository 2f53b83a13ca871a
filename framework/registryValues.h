// Reading and writing single registry values of a key the caller has opened. Every function closes the key, or
// leaves it open, by the caller's KeyClosePolicy, so that a chain of reads or writes can end with the key closed.
// Nothing here opens keys or throws; the outcome is the boolean alone.
#pragma once

#include "scopedWin.h"

#include <cstdint>
#include <string>

enum class KeyClosePolicy : int32_t {
    KeepOpen = 0,       // never closes the key
    CloseOnFailure = 1, // closes it when the call fails, leaves it open on success
    CloseOnSuccess = 2, // closes it when the call succeeds (a write flushes first); leaves it open on failure
};

// Strings are read into a buffer of this many bytes first; a longer value is then read whole into a buffer of its
// own size, up to kRegStringMaxBytes (the registry's own limit for a value in the standard format). A longer one fails.
constexpr uint32_t kRegStringReadBytes = 1024;
constexpr uint32_t kRegStringMaxBytes = uint32_t(1) << 20;
// Strings are written with at most this many units (plus the terminator): 1024 bytes in all.
constexpr uint32_t kRegStringWriteUnits = 511;

// Any value type is read as a string: its bytes as little-endian units, the text ending at its first zero unit or at
// the end of the data (registryStringText), so that a value stored without its terminator keeps its last character.
// The string is empty on failure.
bool readRegString(std::wstring& out, ScopedRegKey& key, const wchar_t* name, KeyClosePolicy policy);
// Up to 4 bytes, little-endian, missing high bytes 0; a longer value fails. 0 on failure.
bool readRegDword(int32_t& out, ScopedRegKey& key, const wchar_t* name, KeyClosePolicy policy);
// Straight into the caller's buffer; `size` gives its bytes and receives the value's.
bool readRegBinary(void* buffer, uint32_t& size, ScopedRegKey& key, const wchar_t* name, KeyClosePolicy policy);

// REG_SZ, cut to its first 511 units.
bool writeRegString(const std::wstring& text, ScopedRegKey& key, const wchar_t* name, KeyClosePolicy policy);
bool writeRegDword(uint32_t value, ScopedRegKey& key, const wchar_t* name, KeyClosePolicy policy);
bool writeRegBinary(const void* bytes, uint32_t length, ScopedRegKey& key, const wchar_t* name, KeyClosePolicy policy);
