// The message texts in English and in the current language; see programTexts.h.
#include "programTexts.h"

#include <map>

namespace {
// Texts the chosen language file gave; written and read on the UI thread only.
std::map<ProgramText, std::wstring> gLanguageTexts;
} // namespace

const wchar_t* englishText(ProgramText entry) {
    switch (entry) {
    case ProgramText::UnsavedChanges:
        return L"Not saved! Save changes before quit?";
    case ProgramText::ModuleNotFound:
        return L"The module is not found.";
    case ProgramText::WordRestartNote:
        return L"This changes take effect with the next start of Microsoft Word.";
    case ProgramText::AutoConvertToRefused:
        return L"Cannot select Equation Editor 3.x as the default equation editor, because the 'Convert to MathType' "
               L"option is enabled.\r\n\r\nUse 'Microsoft Equation' instead of 'Equation Editor 3.x', or turn off the "
               L"'Convert to MathType' option in MathType's Equation Conversion Manager (choose it from the "
               L"'MathType' sub-menu of the Windows 'Start' menu, and then move 'Microsoft Equation' from the left "
               L"list ['Convert to MathType'] to the right list ['Do not convert']).";
    case ProgramText::MathTypeMissing:
        return L"If you selected MathType format, you must have installed MathType on your machine.";
    case ProgramText::EquationEditor3Note:
        return L"Please note, Equation Editor 3.x is not supported by Microsoft anymore. Make sure Equation Editor 3.x "
               L"works properly, otherwise use Microsoft Equations.";
    case ProgramText::RibbonEnableQuestion:
        return L"This will enable optional Veltrim Math ribbon, which will be integrated into Microsoft Word. "
               L"\r\n\r\nNote, the Veltrim Math ribbon contains macros. If your antivirus does not allow macros, use "
               L"standard dialogs: \r\n\r\n'Save As ... LaTeX [Veltrim]' \r\n'Open ... LaTeX [Veltrim]' \r\n'Save As "
               L"... Microsoft Equation [Veltrim]' \r\n\r\nMake sure Microsoft Word is not running. Continue?";
    case ProgramText::RibbonDisableQuestion:
        return L"This will disable optional Veltrim Math ribbon. \r\n\r\nTo run the Veltrim converters, use standard "
               L"dialogs: \r\n\r\n'Save As ... LaTeX [Veltrim]' \r\n'Open ... LaTeX [Veltrim]' \r\n'Save As ... "
               L"Microsoft Equation [Veltrim]' \r\n\r\nMake sure Microsoft Word is not running. Continue?";
    }
    return L"";
}

std::wstring languageText(ProgramText entry) {
    const auto found = gLanguageTexts.find(entry);
    return found == gLanguageTexts.end() ? std::wstring(englishText(entry)) : found->second;
}

void setLanguageText(ProgramText entry, const std::wstring& text) {
    if (text.empty())
        gLanguageTexts.erase(entry);
    else
        gLanguageTexts[entry] = text;
}

void resetLanguageTexts() {
    gLanguageTexts.clear();
}
