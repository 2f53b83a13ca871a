// The per-file conversion job around the engine pass.
#include "conversionJob.h"

#include "conversionSettings.h"
#include "equationServer.h"
#include "messageBox.h"
#include "moduleHandles.h"
#include "progressWindow.h"
#include "rtf/rtfJob.h"
#include "rtf/rtfOutput.h"
#include "rtf/rtfPass.h"
#include "rtf/statusLine.h"

#include <atomic>

namespace {
// Written at the start of each job on the worker thread; read by the job's own calls.
std::atomic<HWND> gJobParentWindow{nullptr};

constexpr wchar_t kDoneText[] = L"Done.";

const wchar_t* switchSign(int32_t value) {
    return value != 0 ? L"+" : L"-";
}

std::wstring statisticsText(const ConversionOptions& options, const JobTexts& texts, int32_t converted) {
    const std::wstring arguments[5] = {
        writesEquationEditor3(options) ? L"Equation Editor 3.x" : L"Microsoft Equation",
        std::to_wstring(converted),
        switchSign(options.isUniPrime),
        switchSign(options.isOleRestore),
        switchSign(options.isEuclid),
    };
    return formatStatistics(texts.statisticsFormat, arguments);
}

// The engine job, framed by the progress window when one is wanted. The worker thread runs no message loop during
// the pass, so the window's messages are handled at every progress report instead.
RtfJobResult runEngine(const std::wstring& inputRtfPath, const ConversionOptions& options, const JobTexts& texts,
                       HWND parent) {
    const bool withProgressWindow = options.serverMode == 0 && options.isProgressWin != 0;
    if (withProgressWindow) {
        // A window that cannot be created is no reason to stop the conversion.
        (void)progressWindow().create(moduleInstance(), parent, L"", texts.cancelButtonText, texts.cancelQuestionText,
                                      texts.preparingText, texts.pleaseWaitText, false);
        setStatusTickHook(pumpProgressWindowMessages);
    }
    const RtfJobResult job = runRtfJob(inputRtfPath);
    if (withProgressWindow) {
        setStatusTickHook(nullptr);
        progressWindow().destroy();
    }
    return job;
}
} // namespace

HWND jobParentWindow() {
    return gJobParentWindow.load();
}

JobOutcome runConversionJob(const std::wstring& inputRtfPath, const std::wstring& outputRtfPath) {
    const HWND parent = moduleWindow();
    gJobParentWindow.store(parent);
    setConvertedEquationCount(0);
    if (loadConversionSettings() != 0) {
        showMessageBox(parent, kNotInstalledText, kSuiteTitle, MB_ICONERROR);
        return kJobRefused;
    }
    const ConversionOptions& options = conversionOptions();
    const JobTexts& texts = jobTexts();
    if (!openOutputRtfFile(outputRtfPath))
        return kJobOutputFailed;
    if ((options.autoConvertToFlags & kAutoConvertTo64Failed) != 0 &&
        showMessageBox(parent, texts.equationEditorWarning, kSuiteTitle,
                       MB_OKCANCEL | MB_ICONWARNING | MB_DEFBUTTON2) == IDCANCEL) {
        closeOutputRtfFile();
        return kJobRefused;
    }
    const bool equationEditor3 = writesEquationEditor3(options);
    if (equationEditor3)
        startEquationServer(parent);
    // An input that cannot be loaded would give an empty document reported as converted, and a pass that stopped
    // before the end of the document a truncated one: both are failures.
    const RtfJobResult job = runEngine(inputRtfPath, options, texts, parent);
    if (job.status != RtfJobStatus::Ok) {
        closeOutputRtfFile();
        if (equationEditor3)
            closeEquationWindows();
        return kJobOutputFailed;
    }
    showStatusLine(kDoneText);
    const std::wstring statistics = statisticsText(options, texts, job.converted);
    if (equationEditor3)
        closeEquationWindows();
    // A write that failed (a full disk) leaves a truncated document: not a conversion to report as done.
    if (!closeOutputRtfFile())
        return kJobOutputFailed;
    return statistics;
}
