// The question and the result message around one template installer run; see wordTemplateInstaller.h.
#include "wordTemplateInstaller.h"

#include "messageBox.h"

namespace {
std::wstring folderList(const std::vector<std::wstring>& folders) {
    std::wstring text;
    for (const std::wstring& folder : folders)
        text += folder + L"\r\n";
    return text;
}

std::wstring removalText(const std::vector<std::wstring>& folders) {
    return L"The Word template could not be removed from these Word start-up folders:\r\n\r\n" + folderList(folders) +
           L"\r\nMicrosoft Word may still be using it. Close Microsoft Word and try again.";
}
} // namespace

std::wstring wordTemplateResultText(const WordTemplateOutcome& outcome, const WordTemplateTexts& texts) {
    switch (outcome.result) {
    case WordTemplateResult::Ok:
        return texts.takesEffect;
    case WordTemplateResult::NoSuiteInstall:
        return texts.moduleNotFound;
    case WordTemplateResult::UserKeyNotWritable:
        return L"The list of Word start-up folders could not be saved in the registry "
               L"(HKEY_CURRENT_USER\\SOFTWARE\\Veltrim\\main). The Veltrim Math ribbon may not have changed "
               L"everywhere; please try again.";
    case WordTemplateResult::TemplateMissing:
        return L"The Word template is missing:\r\n\r\n" + outcome.templateSource +
               L"\r\n\r\nThe Veltrim Math ribbon was not enabled. Installing Veltrim Sorvanta again restores the "
               L"template.";
    case WordTemplateResult::CopyFailed: {
        std::wstring text = L"The Word template could not be copied into these Word start-up folders:\r\n\r\n" +
                            folderList(outcome.copyFailed) +
                            L"\r\nThe Veltrim Math ribbon will be missing there. Make sure Microsoft Word is not "
                            L"running and try again.";
        if (!outcome.removalFailed.empty())
            text += L"\r\n\r\n" + removalText(outcome.removalFailed);
        return text;
    }
    case WordTemplateResult::RemovalIncomplete:
        return removalText(outcome.removalFailed);
    case WordTemplateResult::SharedListNotUpdated:
        return texts.takesEffect +
               L"\r\n\r\nThe list of Word start-up folders that all users of this computer "
               L"share could not be updated:\r\n\r\n" +
               outcome.sharedListPath + L"\r\n\r\nAnother program may be using it.";
    }
    return texts.moduleNotFound;
}

UINT wordTemplateResultIcon(WordTemplateResult result) {
    return result == WordTemplateResult::Ok ? MB_ICONINFORMATION : MB_ICONWARNING;
}

void setupWordTemplate(HWND owner, bool silent, bool install, const WordTemplateTexts& texts,
                       const WordTemplateEnvironment& environment) {
    if (!silent) {
        const std::wstring& question = install ? texts.enableQuestion : texts.disableQuestion;
        if (showMessageBox(owner, question, kWordTemplateCaption, MB_ICONQUESTION | MB_YESNOCANCEL) != IDYES)
            return;
    }
    WordTemplateOutcome outcome;
    const WordTemplateResult result = installWordTemplate(install, environment, outcome);
    if (!silent)
        showMessageBox(owner, wordTemplateResultText(outcome, texts), kWordTemplateCaption,
                       wordTemplateResultIcon(result));
}
