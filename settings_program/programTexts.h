// The settings program's message texts by their language file entry, and its fixed texts. Each message is English
// until the chosen language file gives its entry a text (the main window's localisation does that); the fixed texts
// are never localised.
#pragma once

#include <cstdint>
#include <string>

// Language file entries of the program's messages.
enum class ProgramText : int32_t {
    UnsavedChanges = 920,        // the question on closing with unsaved changes
    ModuleNotFound = 922,        // a module's window or program could not be opened
    WordRestartNote = 923,       // a change that Word sees only at its next start
    AutoConvertToRefused = 952,  // Equation Editor 3.x's conversion to MathType could not be turned off
    MathTypeMissing = 960,       // MathType chosen as default editor on a machine without it
    EquationEditor3Note = 961,   // Equation Editor 3.x chosen as default editor
    RibbonEnableQuestion = 962,  // before the Word start-up template is installed
    RibbonDisableQuestion = 963, // before it is removed
};

// Every entry, in ascending order (the language loader walks them).
constexpr ProgramText kProgramTexts[] = {
    ProgramText::UnsavedChanges,       ProgramText::ModuleNotFound,        ProgramText::WordRestartNote,
    ProgramText::AutoConvertToRefused, ProgramText::MathTypeMissing,       ProgramText::EquationEditor3Note,
    ProgramText::RibbonEnableQuestion, ProgramText::RibbonDisableQuestion,
};

// The text of an entry in the current language.
std::wstring languageText(ProgramText entry);
// The English text of an entry.
const wchar_t* englishText(ProgramText entry);
// The current language's text of an entry; an empty text restores the English one.
void setLanguageText(ProgramText entry, const std::wstring& text);
// Every entry back to English.
void resetLanguageTexts();

// Never localised.
constexpr wchar_t kProgramTitle[] = L"Veltrim Sorvanta";
constexpr wchar_t kNotInstalledMessage[] = L"Veltrim Sorvanta are not properly installed.";
