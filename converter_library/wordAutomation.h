// Having Microsoft Word convert a document: open it and save it as RTF (for the engine) or in Word's default document
// format (for the user), through Word's automation object by late binding; and the two small file functions of the
// Raw Mode conversion, the check that a chosen document can be used and the base name of its temporary files.
// Word itself is outside this system: nothing here reads or writes Word documents. Windows only
// (wordAutomationWin.cpp; the file functions in documentFilesWin.cpp).
#pragma once

#include <cstdint>
#include <string>

// How a saveAsWithWord call ended: Ok, or the number of the first step that failed (the later ones were not tried).
// A step fails when Word does not know the name, when the call returns a failure, or when it outlives the call limit
// (see setWordCallLimit).
enum class [[nodiscard]] WordStepResult : int32_t{
    Ok = 0,               // every step succeeded: the document was saved
    ClassLookup = 1,      // CLSIDFromProgID("Word.Application"): Word is not installed
    ApplicationStart = 2, // CoCreateInstance of that class as a local server, asking for IDispatch
    Visible = 3,          // setting the application's "Visible"
    DisplayAlerts = 4,    // setting the application's "DisplayAlerts"
    Documents = 5,        // getting the application's "Documents" collection
    Open = 6,             // "Open" on the collection: a corrupt or protected document, or no document object
    SaveAs = 7,           // "SaveAs" on the opened document
};

// Starts a fresh, invisible Word, has it open documentPath and save it as targetPath, then closes the document
// without saving and quits Word, whatever failed. The format is RTF when targetPath's extension is exactly ".rtf"
// (case-sensitive), else Word's default document format (.docx). Shows nothing. The calling thread must be in a
// single-threaded COM apartment; the call blocks it until Word has answered or has been ended.
WordStepResult saveAsWithWord(const std::wstring& documentPath, const std::wstring& targetPath);

// How long one automation call may take before the Word instance is taken for hung and ended (0 restores the
// default of ten minutes). Tests call it while no conversion runs.
void setWordCallLimit(uint32_t milliseconds);

// True when path names an existing regular file that can be opened for reading and writing while others share it:
// false for a missing file, a folder, a read-only file and a document another program holds without write sharing.
bool isDocumentUsable(const std::wstring& path);

// The base name of a conversion's temporary files: a fresh GUID as 36 upper-case hex digits and hyphens
// (8-4-4-4-12, no braces), or "_" and the milliseconds since system start when no GUID can be made.
std::wstring makeTempBaseName();
