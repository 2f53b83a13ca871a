// Thin seam over the operating system's file calls, so that the engine never includes <windows.h>.
// fileIoPosix.cpp serves the native build, fileIoWin.cpp the Windows build; both behave alike.
// It does not buffer: callers that write many small pieces go through rtfOutput.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>

// An open file, closed when the record goes out of scope. Not copyable.
class NativeFile {
public:
    NativeFile() = default;
    ~NativeFile() { close(); }
    NativeFile(const NativeFile&) = delete;
    NativeFile& operator=(const NativeFile&) = delete;

    // Opens an existing file for binary reading without denying other readers, writers or deletion.
    bool openForReading(const std::filesystem::path& path);
    // Creates the file, or empties an existing one, for sequential binary writing.
    bool createForWriting(const std::filesystem::path& path);
    bool isOpen() const { return handle_ != kInvalid; }
    // Size in bytes of the open file; -1 when it cannot be taken.
    int64_t size() const;
    // Reads exactly `count` bytes; false on an error or when the file is shorter.
    bool readExactly(void* buffer, size_t count);
    // Writes all `count` bytes; false when the system wrote fewer.
    bool writeAll(const void* buffer, size_t count);
    // Closes the file; false when the system reported an error (for example a delayed write failure).
    bool close();
    // The file descriptor (natively) or HANDLE value (on Windows), for the platform's own halves of other seams.
    intptr_t handle() const { return handle_; }

private:
    static constexpr intptr_t kInvalid = -1;
    intptr_t handle_ = kInvalid; // a file descriptor natively, a HANDLE value on Windows
};

// Deletes a file; false when it could not be deleted.
bool deleteNativeFile(const std::filesystem::path& path);
