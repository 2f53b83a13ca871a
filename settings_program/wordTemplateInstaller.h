// The Word start-up template installer: puts the suite's Veltrim.dotm into every STARTUP folder of the user's Word
// versions, or takes it out again, and keeps the two records of where it lies: per user the ten "wordStartup%d"
// values of HKEY_CURRENT_USER "SOFTWARE\Veltrim\main" (32-bit view), per machine the shared "wordstartup" list in
// the common application-data folder, which every user of the machine updates. Installing also tells every Word
// version not to ask before running converters ("DoNotConfirmConverterSecurity" = 1).
// The settings program's first run calls setupWordTemplate silently; its ribbon buttons Enable and Disable call it
// with a question and a result message. Runs on the settings program's UI thread.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

enum class [[nodiscard]] WordTemplateResult : int32_t{
    Ok = 0,                   // every target holds the template; both records and the shared list are right
    NoSuiteInstall = 1,       // the suite's machine-wide key or its "path" is missing; nothing was touched
    UserKeyNotWritable = 2,   // the per-user key could not be opened for writing or a value could not be written;
                              // the shared list was left as it was
    TemplateMissing = 3,      // installing, and the suite's Veltrim.dotm is not in its main folder; nothing touched
    CopyFailed = 4,           // at least one target folder did not receive the template (see copyFailed)
    RemovalIncomplete = 5,    // at least one template could not be deleted (Word holds it); its folder stays
                              // recorded and listed, so that a later run tries again (see removalFailed)
    SharedListNotUpdated = 6, // templates and per-user record are right, but the shared list could not be read,
                              // locked or written, or holds what a rewrite would damage, or it or its folder is a
                              // link; it was left as it was
};

// The one write of the shared list's new text: true when all `count` bytes went into the file. WriteFile unless a
// test stands in, to fail as a full disk does.
using SharedListWrite = bool (*)(HANDLE file, const void* bytes, DWORD count);

// Where the installer looks for the folders that depend on the user and the machine. Unset: the system's folders.
// Tests point them at folders of their own.
struct WordTemplateEnvironment {
    // Replaces the whole application-data lookup (SHGetFolderPathW, then the "Shell Folders" value "AppData");
    // an empty text means the user has none.
    std::optional<std::wstring> appDataFolder;
    // Replaces SHGetFolderPathW(CSIDL_COMMON_APPDATA); an empty text means none (the suite's main folder is used).
    std::optional<std::wstring> commonAppDataFolder;
    // How long a run waits for another run (another user) to finish with the shared list.
    DWORD sharedListLockTimeoutMs = 30000;
    // Replaces the write of the shared list's new text; null: WriteFile.
    SharedListWrite sharedListWrite = nullptr;
};

// What one run did, for the result message. Starts as a failure.
struct WordTemplateOutcome {
    WordTemplateResult result = WordTemplateResult::NoSuiteInstall;
    std::wstring templateSource;             // the suite's Veltrim.dotm
    std::wstring sharedListPath;             // the shared list file
    std::vector<std::wstring> copyFailed;    // target folders that did not receive the template
    std::vector<std::wstring> removalFailed; // folders whose template could not be deleted
};

// The named mutex that every run holds around the shared list's read-modify-write. In the global namespace, so that
// the runs of users in different sessions see the same one.
constexpr wchar_t kSharedListMutexName[] = L"Global\\VeltrimWordStartupList";

// Rights that every user gets on the shared list: what another user's run needs to rewrite it, and no more: reading
// it as the text reader opens it (GENERIC_READ) and writing its data in place (FILE_WRITE_DATA, which also sets its
// end). Not appending, attributes or extended attributes, and never DELETE, WRITE_DAC or WRITE_OWNER.
// What this does not protect: the user whose run created the list owns it, and an owner may always change its DACL
// (and so lock the others out) or delete it; and since every user may write its data, any user may empty or rewrite
// it. The list is a shared note of where templates lie, not a secured record.
constexpr DWORD kSharedListRights = FILE_GENERIC_READ | FILE_WRITE_DATA;
// Rights that every user gets on the mutex: waiting for it and releasing it.
constexpr DWORD kSharedListMutexRights = SYNCHRONIZE | MUTEX_MODIFY_STATE;

// Installs (install true) or removes the template. The environment and the outcome are for the message and for
// tests; the plain form uses the system's folders.
WordTemplateResult installWordTemplate(bool install, const WordTemplateEnvironment& environment,
                                       WordTemplateOutcome& outcome);
int32_t installWordTemplate(bool install);

// How createWordStartupList went.
enum class SharedListCreation : int32_t {
    Created = 0,      // a new empty list with the shared descriptor
    AlreadyThere = 1, // a list was there already and was left untouched
    Failed = 2,       // no list could be made (folder missing or not writable, descriptor not built)
};
// Creates the empty shared list with a DACL of one entry, Everyone with kSharedListRights. Never truncates a list
// that is there (other users' folders are in it), nor creates one through a link of that name or in a folder that is
// a link.
SharedListCreation createWordStartupList(const std::wstring& path);

// Texts of the question and result messages: the settings program's language entries 962, 963, 922 and 923 (English
// by default). The messages for the installer's other failures are fixed English texts.
struct WordTemplateTexts {
    std::wstring enableQuestion =
        L"This will enable optional Veltrim Math ribbon, which will be integrated into Microsoft Word. \r\n\r\nNote, "
        L"the Veltrim Math ribbon contains macros. If your antivirus does not allow macros, use standard dialogs: "
        L"\r\n\r\n'Save As ... LaTeX [Veltrim]' \r\n'Open ... LaTeX [Veltrim]' \r\n'Save As ... Microsoft Equation "
        L"[Veltrim]' \r\n\r\nMake sure Microsoft Word is not running. Continue?";
    std::wstring disableQuestion =
        L"This will disable optional Veltrim Math ribbon. \r\n\r\nTo run the Veltrim converters, use standard "
        L"dialogs: \r\n\r\n'Save As ... LaTeX [Veltrim]' \r\n'Open ... LaTeX [Veltrim]' \r\n'Save As ... Microsoft "
        L"Equation [Veltrim]' \r\n\r\nMake sure Microsoft Word is not running. Continue?";
    std::wstring moduleNotFound = L"The module is not found.";
    std::wstring takesEffect = L"This changes take effect with the next start of Microsoft Word.";
};

constexpr wchar_t kWordTemplateCaption[] = L"Veltrim Sorvanta";

// The result message of a run and its icon (MB_ICONINFORMATION on success, MB_ICONWARNING on a failure).
std::wstring wordTemplateResultText(const WordTemplateOutcome& outcome, const WordTemplateTexts& texts);
UINT wordTemplateResultIcon(WordTemplateResult result);

// Asks (unless silent), runs installWordTemplate and reports (unless silent), with message boxes owned by `owner`
// (the main window). Any answer but Yes to the question changes nothing.
void setupWordTemplate(HWND owner, bool silent, bool install, const WordTemplateTexts& texts = WordTemplateTexts(),
                       const WordTemplateEnvironment& environment = WordTemplateEnvironment());
