// The Windows build's file calls: kernel file handles through the wide-character API.
//
// A file to be deleted is opened with DELETE access and FILE_FLAG_OPEN_REPARSE_POINT, judged on that handle (no
// reparse point, no folder, and its final path its folder's followed by its name) and deleted through the same
// handle, so that no other file can take its name in between. The final path is what catches a link under Wine,
// which follows a link to a file even with FILE_FLAG_OPEN_REPARSE_POINT and shows it as a plain file.
#include "platform/fileIo.h"

#include "finalPaths.h"
#include "scopedWin.h"

#include <windows.h>

#include <bcrypt.h>

namespace {
constexpr DWORD kMaxChunk = DWORD(1) << 30;
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

HANDLE asHandle(intptr_t value) {
    return reinterpret_cast<HANDLE>(value);
}

intptr_t asValue(HANDLE handle) {
    return handle == INVALID_HANDLE_VALUE ? intptr_t(-1) : reinterpret_cast<intptr_t>(handle);
}

// The open object is a plain file: no reparse point (opened as itself it holds no document), no folder.
bool isPlainFile(HANDLE file) {
    BY_HANDLE_FILE_INFORMATION information{};
    return GetFileInformationByHandle(file, &information) &&
           (information.dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) == 0;
}

// The open object is a plain file that `path` names directly.
bool isPlainFileNamed(HANDLE file, const std::filesystem::path& path) {
    return isPlainFile(file) && finalPathMatch(file, path.wstring()) == FinalPathMatch::Direct;
}

// Marks the file for deletion when its handle closes.
bool markForDeletion(HANDLE file) {
    FILE_DISPOSITION_INFO disposition{};
    disposition.DeleteFile = TRUE;
    return SetFileInformationByHandle(file, FileDispositionInfo, &disposition, sizeof disposition) != FALSE;
}
} // namespace

bool NativeFile::openForReading(const std::filesystem::path& path, FileReading use) {
    close();
    if (use == FileReading::Keep) {
        handle_ = asValue(CreateFileW(path.c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
        return isOpen();
    }
    constexpr DWORD kFlags = FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_SEQUENTIAL_SCAN;
    ScopedHandle file(
        CreateFileW(path.c_str(), GENERIC_READ | DELETE, kShareAll, nullptr, OPEN_EXISTING, kFlags, nullptr));
    // A file that may not be deleted (another program holds it without sharing its deletion) is still read; only
    // deleteAndClose will fail.
    const DWORD error = GetLastError();
    if (!file.isValid() && (error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION))
        file =
            ScopedHandle(CreateFileW(path.c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING, kFlags, nullptr));
    // A file reached through a link (as Wine opens one) is not the file that was named. A final path that cannot be
    // had does not keep the file from being read; deleteAndClose then refuses.
    if (!file.isValid() || !isPlainFile(file.get()) ||
        finalPathMatch(file.get(), path.wstring()) == FinalPathMatch::Elsewhere)
        return false;
    handle_ = asValue(file.release());
    return true;
}

bool NativeFile::createForWriting(const std::filesystem::path& path, FileCreation how) {
    close();
    // CREATE_NEW refuses any name that is taken, a link's included.
    const DWORD disposition = how == FileCreation::NewOnly ? CREATE_NEW : CREATE_ALWAYS;
    handle_ = asValue(CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, disposition,
                                  FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    return isOpen();
}

int64_t NativeFile::size() const {
    LARGE_INTEGER size{};
    if (!isOpen() || !GetFileSizeEx(asHandle(handle_), &size))
        return -1;
    return int64_t(size.QuadPart);
}

bool NativeFile::readExactly(void* buffer, size_t count) {
    auto* out = static_cast<char*>(buffer);
    while (count > 0 && isOpen()) {
        DWORD want = count < kMaxChunk ? DWORD(count) : kMaxChunk;
        DWORD got = 0;
        if (!ReadFile(asHandle(handle_), out, want, &got, nullptr) || got == 0)
            return false;
        out += got;
        count -= got;
    }
    return count == 0;
}

bool NativeFile::writeAll(const void* buffer, size_t count) {
    auto* in = static_cast<const char*>(buffer);
    while (count > 0 && isOpen()) {
        DWORD want = count < kMaxChunk ? DWORD(count) : kMaxChunk;
        DWORD put = 0;
        if (!WriteFile(asHandle(handle_), in, want, &put, nullptr) || put == 0)
            return false;
        in += put;
        count -= put;
    }
    return count == 0;
}

bool NativeFile::close() {
    if (!isOpen())
        return true;
    ScopedHandle owned(asHandle(handle_));
    handle_ = kInvalid;
    return owned.close();
}

bool NativeFile::deleteAndClose(const std::filesystem::path& openedAs) {
    const bool deleted =
        isOpen() && isPlainFileNamed(asHandle(handle_), openedAs) && markForDeletion(asHandle(handle_));
    // The deletion takes effect as the handle closes.
    return close() && deleted;
}

bool deleteNativeFile(const std::filesystem::path& path) {
    const ScopedHandle file(CreateFileW(path.c_str(), DELETE | FILE_READ_ATTRIBUTES, kShareAll, nullptr, OPEN_EXISTING,
                                        FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    return file.isValid() && isPlainFileNamed(file.get(), path) && markForDeletion(file.get());
}

bool replaceNativeFile(const std::filesystem::path& replacement, const std::filesystem::path& target) {
    return MoveFileExW(replacement.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) !=
           FALSE;
}

bool fillWithSystemRandom(void* bytes, size_t count) {
    auto* out = static_cast<UCHAR*>(bytes);
    while (count > 0) {
        const ULONG chunk = count < kMaxChunk ? ULONG(count) : ULONG(kMaxChunk);
        if (!BCRYPT_SUCCESS(BCryptGenRandom(nullptr, out, chunk, BCRYPT_USE_SYSTEM_PREFERRED_RNG)))
            return false;
        out += chunk;
        count -= chunk;
    }
    return true;
}
