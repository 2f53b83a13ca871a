// The Raw Mode conversion task: the named mutex and the temporary folder, the thread's COM apartment, the two shell
// file dialogs, Word's two saves around the per-file job, and the statistics box. It draws nothing; see
// rawModeWorker.h. File-system calls take an error code, so that no exception of the file-system library is thrown;
// a failure of one in the conversion's own stretch is the task's result 10. Other exceptions (memory, a hook's) go
// to the task's top (rawModeTask.h); every resource here is held by a scoped record, so that they go on the way.
#include "rawModeWorker.h"

#include "conversionJob.h"
#include "conversionSettings.h"
#include "conversionTempFiles.h"
#include "messageBox.h"
#include "moduleHandles.h"
#include "platform/fileIo.h"
#include "rtf/statusLine.h"
#include "scopedWin.h"
#include "wordAutomation.h"

#include <shlobj.h>
#include <shobjidl.h>

#include <atomic>
#include <filesystem>
#include <iterator>
#include <string>
#include <system_error>
#include <variant>

namespace {
namespace fs = std::filesystem;

// The open dialog offers every format Word opens, then .docx alone; the save dialog .docx only. Filter indexes count
// from 1.
// display name, pattern
constexpr COMDLG_FILTERSPEC kOpenFilters[] = {
    {L"All Word Documents (*.docx;*.docm;*.dotx;*.dotm;*.doc;*.dot;*.htm;*.html;*.rtf;*.mht;*.mhtml;*.xml;*.odt;"
     L"*.pdf)",
     L"*.docx;*.docm;*.dotx;*.dotm;*.doc;*.dot;*.htm;*.html;*.rtf;*.mht;*.mhtml;*.xml;*.odt;*.pdf"},
    {L"Word Document (*.docx)", L"*.docx"},
};
constexpr COMDLG_FILTERSPEC kSaveFilters[] = {
    {L"Word Document (*.docx)", L"*.docx"},
};
constexpr wchar_t kOpenTitle[] = L"Select Word Document";
constexpr wchar_t kSaveTitle[] = L"Save Word Document with Converted Equations";
constexpr UINT kFilterIndex = 1;
constexpr wchar_t kDefaultExtension[] = L"docx";
constexpr wchar_t kOutputSuffix[] = L"_converted.docx"; // Paper.doc proposes Paper_converted.docx beside it
// Only items with a file-system path can be chosen: a save location without one would have no path to save to.
constexpr FILEOPENDIALOGOPTIONS kOpenOptions = FOS_FORCEFILESYSTEM;
// The same, and the question before an existing file is replaced.
constexpr FILEOPENDIALOGOPTIONS kSaveOptions = FOS_FORCEFILESYSTEM | FOS_OVERWRITEPROMPT;

// Set by tests before a task starts, read by the task's thread.
std::atomic<FileDialogMaker> gFileDialogMaker{nullptr};

HRESULT makeFileDialog(REFCLSID dialogClass, ScopedComPtr<IFileDialog>& dialog) {
    if (const FileDialogMaker maker = gFileDialogMaker.load())
        return maker(dialogClass, dialog.put());
    return CoCreateInstance(dialogClass, nullptr, CLSCTX_INPROC_SERVER, IID_IFileDialog,
                            reinterpret_cast<void**>(dialog.put()));
}

// The system's temporary directory and our folder in it. GetTempPathW fails for a TMP longer than a path may be; the
// caller then skips the clean-up, or ends with result 10 (never the process).
bool findTemporaryFolder(fs::path& folder) {
    wchar_t buffer[MAX_PATH + 1] = {};
    const DWORD length = GetTempPathW(MAX_PATH + 1, buffer);
    if (length == 0 || length > MAX_PATH)
        return false;
    folder = fs::path(buffer) / kRawModeTempFolderName;
    return true;
}

// A plain file or folder, not a link of any kind (symbolic link, junction, mount point: a reparse point).
bool isPlainEntry(const fs::path& path, bool folder) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0)
        return false;
    return ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) == folder;
}

// Deletes the files earlier conversions left in the temporary folder, and nothing else: only files directly in it
// whose names are those a conversion writes there (conversionTempFiles.h). No other name, no folder and nothing in
// one, no link and no folder reached through one (the temporary folder itself included) is touched, and nothing is
// removed recursively. Each file is judged on the handle it is deleted through (deleteNativeFile): Windows shows a
// link as a reparse point, but Wine shows a file symbolic link as a plain file (0x20), which only its final path
// gives away. A deletion that fails is skipped; an iteration that fails (no folder yet, or a file in its place) ends
// the clean-up.
void emptyTemporaryFolder() {
    fs::path folder;
    if (!findTemporaryFolder(folder) || !isPlainEntry(folder, true))
        return;
    std::error_code error;
    for (fs::directory_iterator entry(folder, error); !error && entry != fs::directory_iterator();
         entry.increment(error)) {
        const fs::path& path = entry->path();
        if (isConversionTempFileName(path.filename().native()))
            (void)deleteNativeFile(path);
    }
}

// The job's converted RTF goes when the conversion ends, however it ends (an exception included), saved or not. The
// job has closed it by then: its own record closes the output first. It is deleted as the clean-up deletes, never
// through a link that took its name.
class ConvertedRtfRemoval {
public:
    explicit ConvertedRtfRemoval(const fs::path& path) : path_(path) {}
    ~ConvertedRtfRemoval() { (void)deleteNativeFile(path_); }
    ConvertedRtfRemoval(const ConvertedRtfRemoval&) = delete;
    ConvertedRtfRemoval& operator=(const ConvertedRtfRemoval&) = delete;

private:
    fs::path path_;
};

// Title, filters, filter index and default extension of a dialog. The results are not checked: Wine 8 answers
// SetFileTypeIndex(1) with E_FAIL although the dialog then works with the first filter, and a dialog that takes any
// of these less than fully is still a dialog the user can answer.
void prepareDialog(IFileDialog* dialog, const wchar_t* title, const COMDLG_FILTERSPEC* filters, UINT filterCount) {
    (void)dialog->SetTitle(title);
    (void)dialog->SetFileTypes(filterCount, filters);
    (void)dialog->SetFileTypeIndex(kFilterIndex);
    (void)dialog->SetDefaultExtension(kDefaultExtension);
}

// The dialog's own options and `extra`; false when the dialog does not take them.
bool addDialogOptions(IFileDialog* dialog, FILEOPENDIALOGOPTIONS extra) {
    FILEOPENDIALOGOPTIONS options = 0;
    return SUCCEEDED(dialog->GetOptions(&options)) && SUCCEEDED(dialog->SetOptions(options | extra));
}

// The path of the dialog's chosen item in the given form; empty when there is none or the shell gives no name.
std::wstring chosenPath(IFileDialog* dialog, SIGDN form) {
    ScopedComPtr<IShellItem> item;
    if (FAILED(dialog->GetResult(item.put())) || !item)
        return {};
    ScopedCoTaskMemory<wchar_t> name;
    if (FAILED(item->GetDisplayName(form, name.put())) || name.get() == nullptr)
        return {};
    return name.get();
}

// The open dialog, owned by the module window as it is when the dialog opens. Ok with the chosen path (empty when
// the dialog gave none), OpenDialogFailed or OpenCancelled (the user's cancel, 0x800704C7, or any other failure of
// Show).
RawModeResult chooseSourceDocument(std::wstring& source) {
    ScopedComPtr<IFileDialog> dialog;
    if (FAILED(makeFileDialog(CLSID_FileOpenDialog, dialog)) || !dialog)
        return RawModeResult::OpenDialogFailed;
    prepareDialog(dialog.get(), kOpenTitle, kOpenFilters, UINT(std::size(kOpenFilters)));
    // Without them an item that is no file may be chosen; isDocumentUsable then turns it away.
    (void)addDialogOptions(dialog.get(), kOpenOptions);
    if (FAILED(dialog->Show(moduleWindow())))
        return RawModeResult::OpenCancelled;
    source = chosenPath(dialog.get(), SIGDN_DESKTOPABSOLUTEEDITING);
    return RawModeResult::Ok;
}

// How the save dialog ended.
enum class SaveChoice {
    Chosen,     // the output path is set
    Cancelled,  // the user cancelled, or the dialog failed or gave no item
    NotCreated, // the dialog could not be created, or would not take the options it needs
    NoPath,     // the chosen item has no file-system path: there is nowhere to save to
};

// The save dialog, owned by the module window as it is when the dialog opens, proposing `proposed`'s name in its
// folder and asking before it replaces a file. A dialog that will not ask that question (or would offer items that
// are no files) is not shown: the user could replace a file unasked. Should the shell still give an item without a
// file-system path, the user's choice cannot be honoured; saving to the proposed path instead would replace a file
// nobody was asked about.
SaveChoice chooseOutputDocument(const fs::path& proposed, fs::path& output) {
    ScopedComPtr<IFileDialog> dialog;
    if (FAILED(makeFileDialog(CLSID_FileSaveDialog, dialog)) || !dialog)
        return SaveChoice::NotCreated;
    prepareDialog(dialog.get(), kSaveTitle, kSaveFilters, UINT(std::size(kSaveFilters)));
    (void)dialog->SetFileName(proposed.filename().c_str());
    ScopedComPtr<IShellItem> folder;
    if (SUCCEEDED(SHCreateItemFromParsingName(proposed.parent_path().c_str(), nullptr, IID_IShellItem,
                                              reinterpret_cast<void**>(folder.put()))) &&
        folder)
        (void)dialog->SetFolder(folder.get());
    if (!addDialogOptions(dialog.get(), kSaveOptions))
        return SaveChoice::NotCreated;
    if (FAILED(dialog->Show(moduleWindow())))
        return SaveChoice::Cancelled;
    ScopedComPtr<IShellItem> item;
    if (FAILED(dialog->GetResult(item.put())) || !item)
        return SaveChoice::Cancelled;
    ScopedCoTaskMemory<wchar_t> name;
    if (FAILED(item->GetDisplayName(SIGDN_FILESYSPATH, name.put())) || name.get() == nullptr || name.get()[0] == L'\0')
        return SaveChoice::NoPath;
    output = fs::path(name.get());
    return SaveChoice::Chosen;
}

// After a job that gave its statistics: where the user wants the result, Word's save of it, and the statistics box
// (owned by the module window as it is then).
RawModeResult deliverConvertedDocument(const fs::path& converted, const fs::path& proposed,
                                       const std::wstring& statistics) {
    fs::path output;
    switch (chooseOutputDocument(proposed, output)) {
    case SaveChoice::Chosen:
        break;
    case SaveChoice::Cancelled:
        return RawModeResult::Ok; // a cancelled save dialog ends the task quietly
    case SaveChoice::NotCreated:
        return RawModeResult::SaveDialogFailed;
    case SaveChoice::NoPath:
        return RawModeResult::OutputSaveFailed; // reported as a failed save; nothing was written
    }
    // The default document format, since the output path ends in ".rtf" only when the user typed so.
    if (saveAsWithWord(converted.wstring(), output.wstring()) != WordStepResult::Ok)
        return RawModeResult::OutputSaveFailed;
    (void)showMessageBox(moduleWindow(), statistics, kSuiteTitle, MB_ICONINFORMATION);
    return RawModeResult::Ok;
}

// From the chosen document to the end: Word's RTF, the job, the delivery. The converted RTF goes on every path that
// reaches the job's stage, saved or not; Word's RTF stays when the job never loaded it, until a later task empties
// the folder.
RawModeResult convertChosenDocument(const fs::path& source) {
    const fs::path proposed = source.parent_path() / (source.stem().wstring() + kOutputSuffix);
    fs::path folder;
    if (!findTemporaryFolder(folder))
        return RawModeResult::FileSystemError; // no temporary folder: the task fails, the process goes on
    const std::wstring base = makeTempBaseName();
    std::error_code error;
    fs::create_directories(folder, error);
    if (error || !fs::is_directory(folder, error) || error)
        return RawModeResult::FileSystemError; // for example a file standing where the folder should be
    const fs::path sourceRtf = folder / (base + kSourceRtfSuffix);
    const fs::path convertedRtf = folder / (base + kConvertedRtfSuffix);
    const ConvertedRtfRemoval removal(convertedRtf);

    if (saveAsWithWord(source.wstring(), sourceRtf.wstring()) != WordStepResult::Ok)
        return RawModeResult::SourceSaveFailed;
    // A new file only: should anything have taken the name (a link another program put there), the job fails.
    const JobOutcome outcome = runConversionJob(sourceRtf.wstring(), convertedRtf.wstring(), FileCreation::NewOnly);
    if (const std::wstring* statistics = std::get_if<std::wstring>(&outcome))
        return deliverConvertedDocument(convertedRtf, proposed, *statistics);
    // A refused job showed its own box: result 0.
    return std::get<int32_t>(outcome) > kJobRefused ? RawModeResult::JobOutputFailed : RawModeResult::Ok;
}

// Everything that needs the thread's COM apartment, which goes when this returns (after every interface of the
// dialogs and of Word).
RawModeResult convertInApartment() {
    const ScopedComApartment apartment(COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    if (!apartment.entered())
        return RawModeResult::ComFailed;
    std::wstring source;
    const RawModeResult chosen = chooseSourceDocument(source);
    if (chosen != RawModeResult::Ok)
        return chosen;
    if (source.empty() || !isDocumentUsable(source))
        return RawModeResult::DocumentUnusable;
    return convertChosenDocument(fs::path(source));
}
} // namespace

void setFileDialogMaker(FileDialogMaker maker) {
    gFileDialogMaker.store(maker);
}

int32_t runRawModeConversion() {
    // Created owned and never released: the mutex lives while some conversion holds a handle, and only the one that
    // created it may empty the shared folder. Nobody waits on it.
    const HANDLE created = CreateMutexW(nullptr, TRUE, conversionMutexName);
    const DWORD createError = GetLastError();
    const ScopedHandle mutex(created);
    if (mutex.isValid() && createError != ERROR_ALREADY_EXISTS)
        emptyTemporaryFolder();
    const RawModeResult result = convertInApartment();
    // Cleared on every road, the early returns too: a stale "Processed: 57%" after a cancelled dialog would mislead.
    // (After an exception the task's top clears it.)
    showStatusLine(L"");
    return int32_t(result);
}
