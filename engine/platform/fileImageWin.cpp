// File images of the Windows build: committed memory with the leading byte, the file's bytes read into it, and the
// zero byte and padding that fresh committed memory already holds. A mapped view would keep the job from deleting
// the file.
#include "platform/fileImage.h"

#include <cstdint>

#include <windows.h>

FileImageStatus FileImage::load(NativeFile& file, size_t size, char leadingByte) {
    release();
    if (size > (SIZE_MAX >> 1))
        return FileImageStatus::NoMemory;
    const size_t reserved = size + 2 + kFileImagePadding;
    void* memory = VirtualAlloc(nullptr, reserved, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    if (memory == nullptr)
        return FileImageStatus::NoMemory;
    base_ = static_cast<char*>(memory);
    reserved_ = reserved;
    base_[0] = leadingByte;
    if (!file.readExactly(base_ + 1, size)) {
        release();
        return FileImageStatus::ReadFailed;
    }
    text_ = base_;
    return FileImageStatus::Ok;
}

void FileImage::release() {
    if (base_ != nullptr)
        VirtualFree(base_, 0, MEM_RELEASE);
    base_ = nullptr;
    reserved_ = 0;
    text_ = nullptr;
}
