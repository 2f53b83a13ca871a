// A whole file in memory for reading: its bytes behind one leading byte of the caller's choosing and followed by a
// zero byte, so that a scan may stop on that zero and a read position may stand before the first byte, and by at
// least kFileImagePadding more readable bytes, so that a vectorised scan may load a block that reaches past the end.
// Natively the file's pages are mapped rather than copied (no fresh memory to fault in and zero, no copy); on Windows,
// where a mapped file could not be deleted while the job runs, it is read into committed memory. Not copyable.
#pragma once

#include "platform/fileIo.h"

#include <cstddef>

// Readable bytes after the zero that follows the file's bytes (zeros, unless another program changes the file).
constexpr size_t kFileImagePadding = 64;

enum class [[nodiscard]] FileImageStatus{
    Ok = 0,     // the file's bytes are in memory
    ReadFailed, // the file could not be mapped or read whole; the image is empty
    NoMemory,   // no address space or memory for the image; the image is empty
};

class FileImage {
public:
    FileImage() = default;
    ~FileImage() { release(); }
    FileImage(const FileImage&) = delete;
    FileImage& operator=(const FileImage&) = delete;

    // Takes the first `size` bytes of the open file, which stays open and may be closed and deleted afterwards.
    FileImageStatus load(NativeFile& file, size_t size, char leadingByte);
    void release();
    // The leading byte, then the file's bytes, then a zero byte (size + 2 bytes) and the padding; null while nothing
    // is loaded. The bytes are read-only.
    const char* text() const { return text_; }

private:
    char* base_ = nullptr; // the start of the whole reservation
    size_t reserved_ = 0;  // its length
    const char* text_ = nullptr;
};
