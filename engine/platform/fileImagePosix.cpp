// File images of the native build. One anonymous reservation holds the image: a page whose last byte is the leading
// byte, the file's pages mapped over the middle, and a page and more after them (the rest of the file's last page
// reads as zeros, and a whole page of the reservation follows it): the zero and the padding. Where the file cannot be
// mapped, its bytes are read into the middle instead.
//
// A mapped file that another process shortens while the job runs makes reads of the lost pages raise SIGBUS; the
// command-line driver, which hands the engine a second name of the user's own file, reports that as a changed input.
#include "platform/fileImage.h"

#include <cstdint>

#include <sys/mman.h>
#include <unistd.h>

static_assert(kFileImagePadding < 4096, "the reservation's last page, of at least 4 KiB, holds the padding");

namespace {
size_t pageSize() {
    const long size = ::sysconf(_SC_PAGESIZE);
    return size > 0 ? size_t(size) : size_t(4096);
}
} // namespace

FileImageStatus FileImage::load(NativeFile& file, size_t size, char leadingByte) {
    release();
    const size_t page = pageSize();
    if (size > (SIZE_MAX >> 1))
        return FileImageStatus::NoMemory;
    const size_t filePages = (size + page - 1) / page * page;
    const size_t reserved = page + filePages + page;
    void* base = ::mmap(nullptr, reserved, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (base == MAP_FAILED)
        return FileImageStatus::NoMemory;
    base_ = static_cast<char*>(base);
    reserved_ = reserved;
    char* const fileStart = base_ + page;
    fileStart[-1] = leadingByte;
    if (size > 0) {
        // Mapped at once (MAP_POPULATE): the job reads every page anyway, and one call is cheaper than a fault each.
        void* mapped =
            ::mmap(fileStart, size, PROT_READ, MAP_PRIVATE | MAP_FIXED | MAP_POPULATE, int(file.handle()), 0);
        if (mapped == MAP_FAILED) {
            // Not a mappable file (a pipe, a special file system): its bytes are read into the middle. A failed
            // MAP_FIXED may have taken the reservation's pages there away, so they are made anew first.
            if (::mmap(fileStart, filePages, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0) ==
                MAP_FAILED) {
                release();
                return FileImageStatus::NoMemory;
            }
            if (!file.readExactly(fileStart, size)) {
                release();
                return FileImageStatus::ReadFailed;
            }
        }
    }
    text_ = fileStart - 1;
    return FileImageStatus::Ok;
}

void FileImage::release() {
    if (base_ != nullptr)
        ::munmap(base_, reserved_);
    base_ = nullptr;
    reserved_ = 0;
    text_ = nullptr;
}
