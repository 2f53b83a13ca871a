// Final paths of open files and folders; see finalPaths.h.
#include "finalPaths.h"

#include "scopedWin.h"

namespace {
bool sameTextIgnoringCase(const std::wstring& a, const std::wstring& b) {
    return CompareStringOrdinal(a.c_str(), int(a.size()), b.c_str(), int(b.size()), TRUE) == CSTR_EQUAL;
}
} // namespace

std::wstring finalPathOf(HANDLE handle) {
    std::wstring path(MAX_PATH, L'\0');
    for (int attempt = 0; attempt < 3; ++attempt) {
        const DWORD units = GetFinalPathNameByHandleW(handle, &path[0], DWORD(path.size()), FILE_NAME_NORMALIZED);
        if (units == 0)
            return std::wstring();
        if (units < path.size()) {
            path.resize(units);
            return path;
        }
        path.assign(units, L'\0'); // too small: `units` is the size needed, terminator included
    }
    return std::wstring();
}

FinalPathMatch finalPathMatchIn(HANDLE handle, HANDLE folder, const std::wstring& name) {
    const std::wstring own = finalPathOf(handle);
    const std::wstring folderPath = finalPathOf(folder);
    if (own.empty() || folderPath.empty() || name.empty())
        return FinalPathMatch::Unknown;
    const bool folderEndsInSlash = folderPath.back() == L'\\';
    const std::wstring expected = folderPath + (folderEndsInSlash ? L"" : L"\\") + name;
    return sameTextIgnoringCase(own, expected) ? FinalPathMatch::Direct : FinalPathMatch::Elsewhere;
}

FinalPathMatch finalPathMatch(HANDLE handle, const std::wstring& path) {
    const size_t slash = path.find_last_of(L"\\/");
    if (slash == std::wstring::npos || slash + 1 >= path.size())
        return FinalPathMatch::Unknown;
    // The folder is opened for its name only: no access to its data, every sharing allowed. Its path keeps its
    // separator, so that a drive's root stays the root.
    const ScopedHandle folder(CreateFileW(path.substr(0, slash + 1).c_str(), FILE_READ_ATTRIBUTES,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                          OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!folder.isValid())
        return FinalPathMatch::Unknown;
    return finalPathMatchIn(handle, folder.get(), path.substr(slash + 1));
}
