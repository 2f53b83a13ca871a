// The Raw Mode conversion's two file functions: whether a chosen document can be used, and the base name of its
// temporary files; see wordAutomation.h. They hold no state; any thread may call them.
#include "wordAutomation.h"

#include "scopedWin.h"

#include <filesystem>
#include <iterator>
#include <system_error>

namespace {
// StringFromGUID2's buffer: "{8-4-4-4-12}" and the terminator fit with room to spare.
constexpr int kGuidTextChars = 40;
} // namespace

bool isDocumentUsable(const std::wstring& path) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(std::filesystem::path(path), error) || error)
        return false;
    // Windows refuses write access to a read-only file below anyway; asked first, so that an administrator (or Wine
    // run by root, which maps the attribute to file modes) gets the same answer.
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_READONLY) != 0)
        return false;
    // Word needs to write the document too; a program holding it open without write sharing refuses us here.
    ScopedHandle file(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    return file.isValid();
}

std::wstring makeTempBaseName() {
    GUID guid = {};
    wchar_t text[kGuidTextChars] = {};
    if (SUCCEEDED(CoCreateGuid(&guid)) && StringFromGUID2(guid, text, kGuidTextChars) > 0) {
        const std::wstring braced(text);
        if (braced.size() > 2)
            return braced.substr(1, braced.size() - 2);
    }
    return L"_" + std::to_wstring(GetTickCount64());
}
