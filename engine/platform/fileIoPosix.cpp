// The native build's file calls: POSIX file descriptors.
#include "platform/fileIo.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
constexpr size_t kMaxChunk = size_t(1) << 30; // keep single calls well inside ssize_t on every platform

// The name leads, without a link at its end, to the plain file open as `fd`: the same device and inode.
bool namesOpenFile(const std::filesystem::path& path, int fd) {
    struct stat byName {};
    struct stat byHandle {};
    return ::lstat(path.c_str(), &byName) == 0 && ::fstat(fd, &byHandle) == 0 && S_ISREG(byName.st_mode) &&
           byName.st_dev == byHandle.st_dev && byName.st_ino == byHandle.st_ino;
}
} // namespace

bool NativeFile::openForReading(const std::filesystem::path& path, FileReading use) {
    close();
    // unlink() never follows a link, so deleting by name is safe here; a link is refused anyway, as on Windows.
    const int noLink = use == FileReading::ReadThenDelete ? O_NOFOLLOW : 0;
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | noLink);
    handle_ = fd < 0 ? kInvalid : fd;
    return isOpen();
}

bool NativeFile::createForWriting(const std::filesystem::path& path, FileCreation how) {
    close();
    // O_EXCL with O_CREAT also refuses a link at the name, even one that leads nowhere.
    const int creation = how == FileCreation::NewOnly ? O_CREAT | O_EXCL : O_CREAT | O_TRUNC;
    int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC | creation, 0644);
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

bool NativeFile::deleteAndClose(const std::filesystem::path& openedAs) {
    const bool deleted = isOpen() && namesOpenFile(openedAs, int(handle_)) && ::unlink(openedAs.c_str()) == 0;
    close();
    return deleted;
}

bool deleteNativeFile(const std::filesystem::path& path) {
    struct stat byName {};
    return ::lstat(path.c_str(), &byName) == 0 && S_ISREG(byName.st_mode) && ::unlink(path.c_str()) == 0;
}

bool replaceNativeFile(const std::filesystem::path& replacement, const std::filesystem::path& target) {
    // A file that could not be written in place is not replaced either (rename needs only the folder's permission),
    // and a replaced one keeps its permissions.
    struct stat existing {};
    if (::stat(target.c_str(), &existing) == 0) {
        if (::access(target.c_str(), W_OK) != 0)
            return false;
        (void)::chmod(replacement.c_str(), existing.st_mode & 07777);
    }
    return std::rename(replacement.c_str(), target.c_str()) == 0;
}

bool fillWithSystemRandom(void* bytes, size_t count) {
    auto* out = static_cast<unsigned char*>(bytes);
    while (count > 0) {
        const ssize_t got = ::getrandom(out, count, 0);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return false;
        out += got;
        count -= size_t(got);
    }
    return true;
}
