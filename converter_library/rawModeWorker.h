// The Raw Mode conversion of one Word document, as one background task: the user picks a document, Word saves it as
// RTF into the temporary folder, the per-file job converts that RTF into a second one, the user picks where the result
// goes, Word saves the converted RTF there as .docx, and the statistics box shows what was converted.
//
// The task never draws. Its status text (and the engine's and the job's, on the same thread) goes through the status
// line hook of statusLine.h; the module window installs a hook that hands the text to its UI thread. The task's own
// dialogs and boxes are owned by moduleWindow() (moduleHandles.h), read each time one opens; the per-file job's boxes
// and progress window by jobParentWindow() (conversionJob.h), the module window as it was when the job started.
// Windows only (rawModeWorkerWin.cpp).
#pragma once

#include <windows.h>

#include <cstdint>

struct IFileDialog;

// How the task ended. The module window reports a value above 1 as "Conversion failed with error code: %d".
enum class [[nodiscard]] RawModeResult : int32_t{
    Ok = 0,               // done; also: the save dialog was cancelled or failed, or the job was refused or aborted
    OpenCancelled = 1,    // the open dialog was cancelled or failed
    ComFailed = 2,        // the thread could not enter a single-threaded COM apartment
    OpenDialogFailed = 3, // the open dialog could not be created
    SaveDialogFailed = 4, // the save dialog could not be created
    DocumentUnusable = 5, // no file name was obtained, or the chosen file cannot be used (isDocumentUsable)
    // 6 is never produced.
    SourceSaveFailed = 7, // Word failed to save the chosen document as RTF
    // Word failed to save the converted RTF as .docx, or the save dialog gave a place without a file-system path
    // (nothing is saved then, and no file replaced).
    OutputSaveFailed = 8,
    JobOutputFailed = 9, // the per-file job could not make its output
    // A file-system error: the temporary folder could not be found or made, or the file-system library threw (the
    // task's top turns its exception into this code, wherever it came from).
    FileSystemError = 10,
};

// Guards the temporary folder across processes: only a conversion that finds no other holder empties it. Without a
// namespace prefix the name lives in the session's own namespace ("Local\"), so it guards the conversions of one
// logon session only. The temporary folder is the user's, not the session's: the same user logged on in two
// sessions has one folder and two mutexes, so a conversion starting in one session may empty the folder while the
// other converts. It then deletes only what it can: the other job's output is open without delete sharing.
constexpr wchar_t conversionMutexName[] = L"Veltrim_sbk_D9B2B383-3654-44AC-9FE4-4562A77C5E47";

// The folder under the system's temporary directory that holds a conversion's two RTF files.
constexpr wchar_t kRawModeTempFolderName[] = L"Veltrim_sbk";

// Runs the whole conversion on the calling thread and returns its RawModeResult as an int. The thread must not be in
// the multithreaded COM apartment (a thread of its own: std::async with std::launch::async); the task enters and leaves
// a single-threaded one itself. moduleWindow(), as it is when each opens, owns both file dialogs and the statistics
// box; it must belong to a thread that handles its messages while the task runs (they are modal to it); null shows
// them unowned. One task at a time per process. An exception (out of memory, or one a status line hook throws) leaves
// it after every resource of the conversion has been released; runRawModeTask (rawModeTask.h) is its top.
int32_t runRawModeConversion();

// How the task makes its two file dialogs (null, the default: the shell's, through CoCreateInstance). For tests of a
// dialog that will not take its options or gives an item without a file-system path. Set while no task runs.
using FileDialogMaker = HRESULT (*)(REFCLSID dialogClass, IFileDialog** dialog);
void setFileDialogMaker(FileDialogMaker maker);
