// Finding the template's target folders in the user's Word settings; see startupTargets.h.
#include "startupTargets.h"

#include "registryValues.h"

#include <shlobj.h>

namespace {
constexpr wchar_t kOfficeKeyPath[] = L"SOFTWARE\\Microsoft\\Office";
constexpr wchar_t kShellFoldersKeyPath[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
constexpr wchar_t kStartupPathValue[] = L"STARTUP-PATH";
constexpr wchar_t kDoNotConfirmValue[] = L"DoNotConfirmConverterSecurity";
constexpr DWORD kSubkeyNameUnits = 500;

ScopedRegKey openUserKey(const std::wstring& path, REGSAM access) {
    HKEY opened = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, access, &opened) != ERROR_SUCCESS)
        return ScopedRegKey();
    return ScopedRegKey(opened);
}

bool isDirectory(DWORD attributes) {
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// Expands %NAME% references; empty when the system cannot.
std::wstring expandEnvironment(const std::wstring& text) {
    std::wstring expanded(text.size() + 64, L'\0');
    for (int attempt = 0; attempt < 4; ++attempt) {
        const DWORD needed = ExpandEnvironmentStringsW(text.c_str(), &expanded[0], DWORD(expanded.size()));
        if (needed == 0)
            return std::wstring();
        if (needed <= expanded.size()) {
            expanded.resize(needed - 1); // without the terminator
            return expanded;
        }
        expanded.assign(needed, L'\0');
    }
    return std::wstring();
}

// A version's STARTUP-PATH as a folder: expanded when stored as REG_EXPAND_SZ, one trailing backslash dropped.
// Empty when it is missing, empty or cannot be expanded.
std::wstring readStartupPath(ScopedRegKey& options) {
    DWORD type = REG_NONE;
    if (RegQueryValueExW(options.get(), kStartupPathValue, nullptr, &type, nullptr, nullptr) != ERROR_SUCCESS)
        return std::wstring();
    std::wstring folder;
    if (!readRegString(folder, options, kStartupPathValue, KeyClosePolicy::KeepOpen) || folder.empty())
        return std::wstring();
    if (type == REG_EXPAND_SZ)
        folder = expandEnvironment(folder);
    return withoutTrailingBackslash(folder);
}

// Takes one Word version's STARTUP-PATH into slot `next` when its folder is present and new.
void takeStartupPath(StartupSlots& slots, size_t& next, ScopedRegKey& options, const std::wstring& optionsPath) {
    const std::wstring folder = readStartupPath(options);
    if (folder.empty() || isRecordedFolder(slots, folder))
        return;
    switch (probeFolder(folder)) {
    case FolderState::Present:
        slots[next] = StartupSlot{folder, true};
        ++next;
        return;
    case FolderState::Missing:
        // A Word version pointing at a folder that is definitely gone loses that setting (a failure is ignored).
        if (ScopedRegKey writable = openUserKey(optionsPath, KEY_SET_VALUE); writable.isOpen())
            RegDeleteValueW(writable.get(), kStartupPathValue);
        return;
    case FolderState::Unreachable:
        return;
    }
}
} // namespace

FolderState probeFolder(const std::wstring& folder) {
    // The folder itself, through its attributes: a search for folder + "*" would also find "STARTUP_old". A bare
    // drive ("C:", what "C:\" became) means its root, not its current folder.
    const bool bareDrive = folder.size() == 2 && folder[1] == L':';
    const DWORD attributes = GetFileAttributesW((bareDrive ? folder + L"\\" : folder).c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES)
        return isDirectory(attributes) ? FolderState::Present : FolderState::Unreachable;
    const DWORD error = GetLastError();
    if (error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND)
        return FolderState::Unreachable;
    const std::wstring root = volumeRootOf(folder);
    if (root.empty() || !isDirectory(GetFileAttributesW(root.c_str())))
        return FolderState::Unreachable;
    return FolderState::Missing;
}

std::wstring applicationDataFolder(const std::optional<std::wstring>& override) {
    if (override)
        return *override;
    wchar_t buffer[MAX_PATH] = {};
    if (SUCCEEDED(SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, buffer)) && buffer[0] != 0)
        return buffer;
    std::wstring folder;
    if (ScopedRegKey shellFolders = openUserKey(kShellFoldersKeyPath, KEY_READ); shellFolders.isOpen())
        readRegString(folder, shellFolders, L"AppData", KeyClosePolicy::KeepOpen);
    return folder;
}

void findStartupTargets(StartupSlots& slots, const std::optional<std::wstring>& appDataOverride) {
    slots = StartupSlots();
    const std::wstring appData = withoutTrailingBackslash(applicationDataFolder(appDataOverride));
    if (!appData.empty())
        slots[0] = StartupSlot{appData + L"\\Microsoft\\Word\\STARTUP", true};

    ScopedRegKey office = openUserKey(kOfficeKeyPath, KEY_READ);
    if (!office.isOpen())
        return;
    size_t next = 1;
    // Every version is visited, also once the nine slots are full: each one with an Options key is told not to ask
    // about converters. The enumeration ends at the first index that fails.
    for (DWORD index = 0;; ++index) {
        wchar_t name[kSubkeyNameUnits];
        DWORD nameUnits = kSubkeyNameUnits;
        if (RegEnumKeyExW(office.get(), index, name, &nameUnits, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        const std::wstring optionsPath =
            std::wstring(kOfficeKeyPath) + L"\\" + std::wstring(name, nameUnits) + L"\\Word\\Options";
        {
            ScopedRegKey options = openUserKey(optionsPath, KEY_READ);
            if (!options.isOpen())
                continue;
            if (next < kStartupSlotCount)
                takeStartupPath(slots, next, options, optionsPath);
        }
        // Also for a version whose folder another version already gave, or that has no usable STARTUP-PATH.
        if (ScopedRegKey writable = openUserKey(optionsPath, KEY_WRITE); writable.isOpen())
            writeRegDword(1, writable, kDoNotConfirmValue, KeyClosePolicy::CloseOnSuccess);
    }
}
