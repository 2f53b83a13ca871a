// The registry keys of the suite that the library reads, and small helpers that read a value into a settings field
// only when it is present (an absent value keeps what the field held).
#pragma once

#include "mtef/equationFormat.h"
#include "registryValues.h"

#include <cstdint>
#include <string>

constexpr wchar_t kMainKeyPath[] = L"SOFTWARE\\Veltrim\\main";
constexpr wchar_t kSembrikKeyPath[] = L"SOFTWARE\\Veltrim\\sembrik";
constexpr wchar_t kEquationEditorClsid[] = L"{0002CE02-0000-0000-C000-000000000046}";

// Opens a key for reading; `view` is KEY_WOW64_32KEY, KEY_WOW64_64KEY or 0 for the default view. The record stays
// closed when the key does not open.
ScopedRegKey openKeyForReading(HKEY root, const wchar_t* path, REGSAM view);

// Reads a DWORD or a string into the field when the value can be read.
bool readDwordField(int32_t& field, ScopedRegKey& key, const wchar_t* name,
                    KeyClosePolicy policy = KeyClosePolicy::KeepOpen);
bool readStringField(std::wstring& field, ScopedRegKey& key, const wchar_t* name,
                     KeyClosePolicy policy = KeyClosePolicy::KeepOpen);
// Reads a DWORD into an equation format field when the value can be read: 0 is Equation Editor 3.x, every other
// value Office Math.
bool readEquationFormatField(EquationFormat& field, ScopedRegKey& key, const wchar_t* name,
                             KeyClosePolicy policy = KeyClosePolicy::KeepOpen);
