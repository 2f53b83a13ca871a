// The English message texts; see programTexts.h.
#include "programTexts.h"

const wchar_t* englishText(ProgramText entry) {
    switch (entry) {
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
    }
    return L"";
}

std::wstring languageText(ProgramText entry) {
    return englishText(entry);
}
