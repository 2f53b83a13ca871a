// The settings program's message texts by their language file entry, and its fixed texts. Every text is English for
// now; the chosen language file's entries take their place when the program's localisation reads them.
#pragma once

#include <cstdint>
#include <string>

// Language file entries of the messages shown so far.
enum class ProgramText : int32_t {
    ModuleNotFound = 922,       // a module's window or program could not be opened
    WordRestartNote = 923,      // a change that Word sees only at its next start
    AutoConvertToRefused = 952, // Equation Editor 3.x's conversion to MathType could not be turned off
};

// The text of an entry in the current language.
std::wstring languageText(ProgramText entry);
// The English text of an entry.
const wchar_t* englishText(ProgramText entry);

// Never localised.
constexpr wchar_t kProgramTitle[] = L"Veltrim Sorvanta";
constexpr wchar_t kNotInstalledMessage[] = L"Veltrim Sorvanta are not properly installed.";
