// The installer's record and shared list rules; see wordStartupRecord.h.
#include "wordStartupRecord.h"

namespace {
bool isSeparator(wchar_t unit) {
    return unit == L'\\' || unit == L'/';
}

bool isDriveLetter(wchar_t unit) {
    return (unit >= L'A' && unit <= L'Z') || (unit >= L'a' && unit <= L'z');
}

// The end of "server\share" starting at `from` (one past the share name's last unit), or npos when either is empty.
size_t endOfServerShare(const std::wstring& path, size_t from) {
    size_t pos = from;
    while (pos < path.size() && !isSeparator(path[pos]))
        ++pos;
    if (pos == from || pos >= path.size())
        return std::wstring::npos; // no server, or no share after it
    const size_t shareStart = pos + 1;
    size_t end = shareStart;
    while (end < path.size() && !isSeparator(path[end]))
        ++end;
    return end == shareStart ? std::wstring::npos : end;
}
} // namespace

bool isRecordedFolder(const StartupSlots& slots, const std::wstring& folder) {
    if (folder.empty())
        return false;
    for (const StartupSlot& slot : slots)
        if (!slot.folder.empty() && slot.folder == folder)
            return true;
    return false;
}

int firstEmptySlot(const StartupSlots& slots) {
    for (size_t n = 0; n < slots.size(); ++n)
        if (slots[n].folder.empty())
            return int(n);
    return -1;
}

std::wstring withoutTrailingBackslash(std::wstring folder) {
    if (!folder.empty() && isSeparator(folder.back()))
        folder.pop_back();
    return folder;
}

std::wstring volumeRootOf(const std::wstring& path) {
    if (path.size() >= 4 && path.compare(0, 4, L"\\\\?\\") == 0) {
        if (path.size() >= 6 && isDriveLetter(path[4]) && path[5] == L':')
            return path.substr(0, 6) + L"\\";
        if (path.size() >= 8 && (path.compare(4, 4, L"UNC\\") == 0 || path.compare(4, 4, L"unc\\") == 0)) {
            const size_t end = endOfServerShare(path, 8);
            return end == std::wstring::npos ? std::wstring() : path.substr(0, end) + L"\\";
        }
        return std::wstring(); // a device or volume-GUID name: not a drive we can test this way
    }
    if (path.size() >= 2 && isSeparator(path[0]) && isSeparator(path[1])) {
        const size_t end = endOfServerShare(path, 2);
        return end == std::wstring::npos ? std::wstring() : path.substr(0, end) + L"\\";
    }
    if (path.size() >= 2 && isDriveLetter(path[0]) && path[1] == L':')
        return path.substr(0, 2) + L"\\";
    return std::wstring();
}

bool clearListedFolder(std::vector<std::wstring>& lines, const std::wstring& folder) {
    for (std::wstring& line : lines) {
        if (!line.empty() && line == folder) {
            line.clear();
            return true;
        }
    }
    return false;
}

std::vector<std::wstring> rewrittenSharedList(const StartupSlots& slots, const std::vector<std::wstring>& oldLines) {
    std::vector<std::wstring> lines;
    for (const StartupSlot& slot : slots)
        if (!slot.folder.empty())
            lines.push_back(slot.folder);
    for (const std::wstring& line : oldLines)
        if (!line.empty() && !isRecordedFolder(slots, line))
            lines.push_back(line);
    return lines;
}
