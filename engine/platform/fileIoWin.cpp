// The Windows build's file calls: kernel file handles through the wide-character API.
#include "platform/fileIo.h"

#include "scopedWin.h"

#include <windows.h>

namespace {
constexpr DWORD kMaxChunk = DWORD(1) << 30;

HANDLE asHandle(intptr_t value) {
    return reinterpret_cast<HANDLE>(value);
}
} // namespace

bool NativeFile::openForReading(const std::filesystem::path& path) {
    close();
    HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    handle_ = h == INVALID_HANDLE_VALUE ? kInvalid : reinterpret_cast<intptr_t>(h);
    return isOpen();
}

bool NativeFile::createForWriting(const std::filesystem::path& path) {
    close();
    HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    handle_ = h == INVALID_HANDLE_VALUE ? kInvalid : reinterpret_cast<intptr_t>(h);
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

bool deleteNativeFile(const std::filesystem::path& path) {
    return DeleteFileW(path.c_str()) != FALSE;
}
