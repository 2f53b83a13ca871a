// Thin seam over the operating system's file calls, so that the engine never includes <windows.h>.
// fileIoPosix.cpp serves the native build, fileIoWin.cpp the Windows build; both behave alike.
// It does not buffer: callers that write many small pieces go through rtfOutput.
// Deleting never goes through a link: a file is deleted only when the name leads to it directly, checked on the open
// handle (Wine shows a link to a file as a plain file, and deleting that by name deletes its target).
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>

// What creating a file for writing does when the name is taken.
enum class FileCreation {
    EmptyExisting, // an existing file is emptied and written
    NewOnly,       // fails when anything has the name already (a file, a folder, a link)
};

// What the opener of a file for reading means to do with it afterwards.
enum class FileReading {
    Keep,           // only read it
    ReadThenDelete, // read it and then delete it (deleteAndClose): a link at the path's end is refused at the open
};

// An open file, closed when the record goes out of scope. Not copyable.
class NativeFile {
public:
    NativeFile() = default;
    ~NativeFile() { close(); }
    NativeFile(const NativeFile&) = delete;
    NativeFile& operator=(const NativeFile&) = delete;

    // Opens an existing file for binary reading without denying other readers, writers or deletion.
    bool openForReading(const std::filesystem::path& path, FileReading use = FileReading::Keep);
    // Creates the file for sequential binary writing, as `how` says.
    bool createForWriting(const std::filesystem::path& path, FileCreation how = FileCreation::EmptyExisting);
    bool isOpen() const { return handle_ != kInvalid; }
    // Size in bytes of the open file; -1 when it cannot be taken.
    int64_t size() const;
    // Reads exactly `count` bytes; false on an error or when the file is shorter.
    bool readExactly(void* buffer, size_t count);
    // Writes all `count` bytes; false when the system wrote fewer.
    bool writeAll(const void* buffer, size_t count);
    // Closes the file; false when the system reported an error (for example a delayed write failure).
    bool close();
    // For a file opened with FileReading::ReadThenDelete by `openedAs`: deletes it, when that name still leads
    // directly to this very file, and closes it. False (the file closed, nothing deleted) otherwise.
    bool deleteAndClose(const std::filesystem::path& openedAs);
    // The file descriptor (natively) or HANDLE value (on Windows), for the platform's own halves of other seams.
    intptr_t handle() const { return handle_; }

private:
    static constexpr intptr_t kInvalid = -1;
    intptr_t handle_ = kInvalid; // a file descriptor natively, a HANDLE value on Windows
};

// Deletes the plain file that `path` names directly; false, and nothing deleted, when it could not be deleted or the
// name is a folder or a link, or leads to its file through a link at its end.
bool deleteNativeFile(const std::filesystem::path& path);

// Copies `source` whole into `target`, created as `how` says, 1 MiB at a time; false when any step failed. A target
// that was created but not filled whole is deleted again; one that could not be created is left alone.
bool copyNativeFile(const std::filesystem::path& source, const std::filesystem::path& target, FileCreation how);

// Puts `replacement` in the place of `target` in one step (a file there is replaced, never emptied first, and one that
// may not be written is not replaced); false, and both left as they were, when the system refuses. Both must lie on
// one volume.
bool replaceNativeFile(const std::filesystem::path& replacement, const std::filesystem::path& target);

// Fills `bytes` from the system's cryptographic random source (for names nobody can guess); false when it gives none.
bool fillWithSystemRandom(void* bytes, size_t count);
