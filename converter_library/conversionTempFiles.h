// The names of the files a Raw Mode conversion writes into its temporary folder: Word's RTF of the chosen document,
// base + ".rtf", and the job's converted RTF, base + "_2.rtf", where base is makeTempBaseName's (wordAutomation.h).
// The folder's clean-up deletes files of these names only. Portable and pure: it reads names, never the file
// system, so the native tests cover it.
#pragma once

#include <string_view>

constexpr wchar_t kSourceRtfSuffix[] = L".rtf";      // Word's RTF of the chosen document, consumed by the engine
constexpr wchar_t kConvertedRtfSuffix[] = L"_2.rtf"; // the job's output, removed when the conversion ends

// True when `name` (a file name, no folder) is base + kSourceRtfSuffix or base + kConvertedRtfSuffix with a base as
// makeTempBaseName makes them: a GUID as 36 upper-case hex digits and hyphens (8-4-4-4-12), or "_" and 1 to 20
// decimal digits. Exactly so: no other letter case, no braces, nothing before or after.
bool isConversionTempFileName(std::wstring_view name);
