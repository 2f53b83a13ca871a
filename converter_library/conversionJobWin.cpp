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

// Everything a job takes, released on every way out of it: an early return, the end, and an exception from inside
// the engine or a status line hook. The output file is closed (so that the caller can remove it), the progress
// window goes with the pass's tick hook, and the Equation Editor 3.x server's windows are asked to close. On the
// normal road the job releases each at its own step; the destructor releases what is still held, in that order.
class JobResources {
public:
    JobResources() = default;
    ~JobResources() {
        hideProgressWindow();
        closeServerWindows();
        if (outputOpen_)
            (void)closeOutputRtfFile();
    }
    JobResources(const JobResources&) = delete;
    JobResources& operator=(const JobResources&) = delete;

    bool openOutput(const std::wstring& path, FileCreation creation) {
        outputOpen_ = openOutputRtfFile(path, creation);
        return outputOpen_;
    }
    // False when a write failed (a full disk) or the file was not open.
    bool closeOutput() {
        outputOpen_ = false;
        return closeOutputRtfFile();
    }
    // The engine pass runs without a message loop, so the window's messages are handled at every progress report.
    // A window that cannot be created is no reason to stop the conversion.
    void showProgressWindow(HWND parent, const JobTexts& texts) {
        progressShown_ = true;
        setStatusTickHook(pumpProgressWindowMessages);
        (void)progressWindow().create(moduleInstance(), parent, L"", texts.cancelButtonText, texts.cancelQuestionText,
                                      texts.preparingText, texts.pleaseWaitText, false);
    }
    void hideProgressWindow() {
        if (!progressShown_)
            return;
        progressShown_ = false;
        setStatusTickHook(nullptr);
        progressWindow().destroy();
    }
    // Equation Editor 3.x is the target: its server was started (or tried), and its windows close at the end.
    void serverStarted() { serverWindows_ = true; }
    void closeServerWindows() {
        if (!serverWindows_)
            return;
        serverWindows_ = false;
        closeEquationWindows();
    }

private:
    bool outputOpen_ = false;
    bool progressShown_ = false;
    bool serverWindows_ = false;
};
} // namespace

HWND jobParentWindow() {
    return gJobParentWindow.load();
}

JobOutcome runConversionJob(const std::wstring& inputRtfPath, const std::wstring& outputRtfPath,
                            FileCreation creation) {
    gJobParentWindow.store(moduleWindow());
    setConvertedEquationCount(0);
    if (loadConversionSettings() != ConversionSettingsLoadStatus::Ok) {
        showMessageBox(jobParentWindow(), kNotInstalledText, kSuiteTitle, MB_ICONERROR);
        return kJobRefused;
    }
    const ConversionOptions& options = conversionOptions();
    const JobTexts& texts = jobTexts();
    JobResources held;
    if (!held.openOutput(outputRtfPath, creation))
        return kJobOutputFailed;
    if ((options.autoConvertToFlags & kAutoConvertTo64Failed) != 0 &&
        showMessageBox(jobParentWindow(), texts.equationEditorWarning, kSuiteTitle,
                       MB_OKCANCEL | MB_ICONWARNING | MB_DEFBUTTON2) == IDCANCEL)
        return kJobRefused; // the output stays on disk, empty
    if (writesEquationEditor3(options)) {
        held.serverStarted();
        startEquationServer(jobParentWindow());
    }
    if (options.serverMode == 0 && options.isProgressWin != 0)
        held.showProgressWindow(jobParentWindow(), texts);
    const RtfJobResult job = runRtfJob(inputRtfPath);
    held.hideProgressWindow();
    // An input that cannot be loaded would give an empty document reported as converted, and a pass that stopped
    // before the end of the document a truncated one: both are failures.
    if (job.status != RtfJobStatus::Ok)
        return kJobOutputFailed;
    showStatusLine(kDoneText);
    const std::wstring statistics = statisticsText(options, texts, job.converted);
    held.closeServerWindows();
    // A write that failed (a full disk) leaves a truncated document: not a conversion to report as done.
    if (!held.closeOutput())
        return kJobOutputFailed;
    return statistics;
}
