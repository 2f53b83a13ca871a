// Installing and removing the Word start-up template; see wordTemplateInstaller.h.
//
// One run: read the suite's main folder; when installing, find the targets (startupTargets.h); under the shared
// list's lock read the list; take the template out of every recorded folder that is no longer a target; write the
// ten per-user values; copy the template into the targets; and only then, with the record safely written, rewrite
// the shared list. A folder whose template could not be deleted stays recorded and listed but receives no copy. The
// shared list's folder and file are held from the read to the rewrite; a list that is a link, or whose rewrite
// would damage it, is left as it is.
#include "wordTemplateInstaller.h"

#include "registryValues.h"
#include "sharedStartupList.h"
#include "startupTargets.h"

#include <shlobj.h>

#include <algorithm>
#include <cwchar>

namespace {
constexpr wchar_t kSuiteMainKeyPath[] = L"SOFTWARE\\Veltrim\\main";
constexpr wchar_t kTemplateName[] = L"\\Veltrim.dotm";
constexpr wchar_t kOldTemplateName[] = L"\\Veltrim.dot";

std::wstring recordValueName(size_t slot) {
    wchar_t name[32];
    swprintf(name, 32, L"wordStartup%d", int(slot));
    return name;
}

ScopedRegKey openKey(HKEY root, const wchar_t* path, REGSAM access) {
    HKEY opened = nullptr;
    if (RegOpenKeyExW(root, path, 0, access, &opened) != ERROR_SUCCESS)
        return ScopedRegKey();
    return ScopedRegKey(opened);
}

// The suite's main folder: HKLM main "path" + "\main"; false when the key or a non-empty "path" is missing.
bool readMainFolder(std::wstring& mainFolder) {
    ScopedRegKey key = openKey(HKEY_LOCAL_MACHINE, kSuiteMainKeyPath, KEY_READ | KEY_WOW64_32KEY);
    std::wstring path;
    if (!key.isOpen() || !readRegString(path, key, L"path", KeyClosePolicy::CloseOnSuccess) || path.empty())
        return false;
    mainFolder = path + L"\\main";
    return true;
}

bool isFile(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// The shared list's path: the common application-data folder (else the main folder) + "Veltrim\wordstartup"; the
// "Veltrim" folder is created when missing.
std::wstring sharedListPath(const WordTemplateEnvironment& environment, const std::wstring& mainFolder) {
    std::wstring folder;
    if (environment.commonAppDataFolder) {
        folder = *environment.commonAppDataFolder;
    } else {
        wchar_t buffer[MAX_PATH] = {};
        if (SUCCEEDED(SHGetFolderPathW(nullptr, CSIDL_COMMON_APPDATA, nullptr, SHGFP_TYPE_CURRENT, buffer)))
            folder = buffer;
    }
    if (folder.empty())
        folder = mainFolder;
    if (folder.back() != L'\\')
        folder += L'\\';
    folder += L"Veltrim";
    CreateDirectoryW(folder.c_str(), nullptr); // already there, or the list's own opening reports the trouble
    return folder + L"\\wordstartup";
}

// Deleting one file counts as done when it is gone afterwards: deleted now, never there, or its folder is gone.
bool deleteTemplateFile(const std::wstring& path) {
    if (DeleteFileW(path.c_str()))
        return true;
    const DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

bool removeTemplateFiles(const std::wstring& folder) {
    const bool oldRemoved = deleteTemplateFile(folder + kOldTemplateName);
    const bool removed = deleteTemplateFile(folder + kTemplateName);
    return oldRemoved && removed;
}

// Every folder of the per-user record that is not a target now is stale: its templates are deleted and its line
// leaves the shared list; when deleting fails it stays recorded (without a copy) and listed. All ten values are
// looked at: an empty value 0 (no application-data folder) does not hide the others.
void removeStaleFolders(StartupSlots& slots, std::vector<std::wstring>& lines, std::vector<std::wstring>& failed) {
    ScopedRegKey user = openKey(HKEY_CURRENT_USER, kSuiteMainKeyPath, KEY_READ | KEY_WOW64_32KEY);
    if (!user.isOpen())
        return;
    std::vector<std::wstring> handled;
    for (size_t n = 0; n < kStartupSlotCount; ++n) {
        std::wstring folder;
        if (!readRegString(folder, user, recordValueName(n).c_str(), KeyClosePolicy::KeepOpen) || folder.empty())
            continue;
        if (isRecordedFolder(slots, folder) || std::find(handled.begin(), handled.end(), folder) != handled.end())
            continue; // a target, or a folder recorded twice and dealt with already
        handled.push_back(folder);
        if (removeTemplateFiles(folder)) {
            clearListedFolder(lines, folder);
            continue;
        }
        failed.push_back(folder);
        const int free = firstEmptySlot(slots);
        if (free >= 0)
            slots[size_t(free)] = StartupSlot{folder, false};
    }
}

// The ten per-user values, empty ones included; false when the key cannot be opened or a value not written.
bool writeRecord(const StartupSlots& slots) {
    ScopedRegKey user;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, kSuiteMainKeyPath, 0, nullptr, 0, KEY_WRITE | KEY_WOW64_32KEY, nullptr,
                        user.put(), nullptr) != ERROR_SUCCESS)
        return false;
    for (size_t n = 0; n < kStartupSlotCount; ++n)
        if (!writeRegString(slots[n].folder, user, recordValueName(n).c_str(), KeyClosePolicy::KeepOpen))
            return false;
    RegFlushKey(user.get());
    return true;
}

void copyTemplates(const StartupSlots& slots, const std::wstring& source, std::vector<std::wstring>& failed) {
    for (size_t n = 0; n < kStartupSlotCount; ++n) {
        const StartupSlot& slot = slots[n];
        if (slot.folder.empty() || !slot.receivesTemplate)
            continue;
        // The user's own STARTUP folder is where Word looks even before Word has made it (Word never run yet).
        if (n == 0)
            SHCreateDirectoryExW(nullptr, slot.folder.c_str(), nullptr);
        if (!CopyFileW(source.c_str(), (slot.folder + kTemplateName).c_str(), FALSE))
            failed.push_back(slot.folder);
    }
}
} // namespace

WordTemplateResult installWordTemplate(bool install, const WordTemplateEnvironment& environment,
                                       WordTemplateOutcome& outcome) {
    outcome = WordTemplateOutcome();
    std::wstring mainFolder;
    if (!readMainFolder(mainFolder))
        return outcome.result = WordTemplateResult::NoSuiteInstall;
    outcome.templateSource = mainFolder + kTemplateName;
    if (install && !isFile(outcome.templateSource))
        return outcome.result = WordTemplateResult::TemplateMissing;

    StartupSlots slots; // during a removal no folder is a target
    if (install)
        findStartupTargets(slots, environment.appDataFolder);

    outcome.sharedListPath = sharedListPath(environment, mainFolder);
    // Held until the list is rewritten, so that two users' runs do not lose each other's lines. Without it the
    // templates and the per-user record are still handled; the list is left as it is.
    SharedListLock lock(kSharedListMutexName, environment.sharedListLockTimeoutMs);
    SharedListContent list;
    if (lock.held())
        list = readSharedList(outcome.sharedListPath);

    removeStaleFolders(slots, list.lines, outcome.removalFailed);
    if (!writeRecord(slots))
        return outcome.result = WordTemplateResult::UserKeyNotWritable; // the list stays as it was
    copyTemplates(slots, outcome.templateSource, outcome.copyFailed);
    const bool listWritten =
        list.rewritable && writeSharedList(outcome.sharedListPath, list, rewrittenSharedList(slots, list.lines),
                                           environment.sharedListWrite);

    if (!outcome.copyFailed.empty())
        outcome.result = WordTemplateResult::CopyFailed;
    else if (!outcome.removalFailed.empty())
        outcome.result = WordTemplateResult::RemovalIncomplete;
    else if (!listWritten)
        outcome.result = WordTemplateResult::SharedListNotUpdated;
    else
        outcome.result = WordTemplateResult::Ok;
    return outcome.result;
}

int32_t installWordTemplate(bool install) {
    WordTemplateOutcome outcome;
    return int32_t(installWordTemplate(install, WordTemplateEnvironment(), outcome));
}
