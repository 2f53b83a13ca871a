// The native build's file calls: POSIX file descriptors.
#include "platform/fileIo.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
constexpr size_t kMaxChunk = size_t(1) << 30; // keep single calls well inside ssize_t on every platform
}

bool NativeFile::openForReading(const std::filesystem::path& path) {
    close();
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    handle_ = fd < 0 ? kInvalid : fd;
    return isOpen();
}

bool NativeFile::createForWriting(const std::filesystem::path& path) {
    close();
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    handle_ = fd < 0 ? kInvalid : fd;
    return isOpen();
}

int64_t NativeFile::size() const {
    struct stat info {};
    if (!isOpen() || ::fstat(int(handle_), &info) != 0)
        return -1;
    return int64_t(info.st_size);
}

bool NativeFile::readExactly(void* buffer, size_t count) {
    auto* out = static_cast<char*>(buffer);
    while (count > 0 && isOpen()) {
        ssize_t got = ::read(int(handle_), out, count < kMaxChunk ? count : kMaxChunk);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return false;
        out += got;
        count -= size_t(got);
    }
    return count == 0;
}

bool NativeFile::writeAll(const void* buffer, size_t count) {
    auto* in = static_cast<const char*>(buffer);
    while (count > 0 && isOpen()) {
        ssize_t put = ::write(int(handle_), in, count < kMaxChunk ? count : kMaxChunk);
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0)
            return false;
        in += put;
        count -= size_t(put);
    }
    return count == 0;
}

bool NativeFile::close() {
    if (!isOpen())
        return true;
    int rc = ::close(int(handle_));
    handle_ = kInvalid;
    return rc == 0;
}

bool deleteNativeFile(const std::filesystem::path& path) {
    return ::unlink(path.c_str()) == 0;
}
