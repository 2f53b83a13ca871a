// Reading and writing text files as UTF-16 units whatever the file's encoding. A byte-order mark at the start of a
// file overrides the encoding asked for. Nothing here throws to the caller: each object keeps a status bit set.
// Windows only (files through CreateFileW, code pages through the system's conversion functions); the UTF-16 and
// UTF-32 decoding sits in textUnits.h.
#pragma once

#include "scopedWin.h"
#include "textUnits.h"

#include <cstdint>
#include <memory>
#include <string>

// Chooses the encoding; any value not named here is used unchanged as a Windows code page number. Plain integers,
// since callers pass code page numbers through the same argument.
namespace CodePageSelector {
enum : int32_t {
    Default = 0,  // the system ANSI code page
    Oem = 1,      // the system OEM code page
    Ansi = 2,     // the system ANSI code page
    Utf8 = 10,    // 65001
    Utf16Le = 11, // 1200
    Utf16Be = 12, // 1201
    Utf32Le = 13, // 12000
    Utf32Be = 14, // 12001
};
} // namespace CodePageSelector

// Status bits; bits are only ever added.
namespace TextFileStatus {
enum : uint32_t {
    DecodeSubstituted = 0x01, // bytes failed to decode cleanly and were replaced
    BufferGrown = 0x02,       // the reader's unit buffer had to be enlarged
    DoubleUnget = 0x04,       // ungetChar twice without a read in between
    EndOfData = 0x08,         // a non-empty run of bytes decoded to no unit at all
    OutOfMemory = 0x10,       // allocating or growing a buffer or string failed
    IoError = 0x20,           // opening, reading or writing the file failed
};
} // namespace TextFileStatus
// Any of these ends the object for good: reads and writes return 0.
constexpr uint32_t kTextFileStopMask =
    TextFileStatus::EndOfData | TextFileStatus::OutOfMemory | TextFileStatus::IoError;

constexpr int32_t kCodePageUtf8 = 65001;
constexpr int32_t kCodePageUtf16Le = 1200;
constexpr int32_t kCodePageUtf16Be = 1201;
constexpr int32_t kCodePageUtf32Le = 12000;
constexpr int32_t kCodePageUtf32Be = 12001;

class TextFileReader {
public:
    // openTextFileReader: opens the file and takes a byte-order mark from its first bytes. Never fails outright; the
    // status tells.
    TextFileReader(const std::wstring& path, int32_t selector, uint64_t bufferBytes);
    // Reads a file the caller holds open (with read data access), from its start, through a handle of its own to the
    // same open file: what is read is the file behind the caller's handle, whatever its name leads to meanwhile. The
    // caller's handle stays open and the caller's; the two share the file position, which this moves.
    TextFileReader(HANDLE file, int32_t selector, uint64_t bufferBytes);
    // A path in a writable buffer is a path, not a handle (wchar_t* would otherwise convert to HANDLE).
    TextFileReader(wchar_t* path, int32_t selector, uint64_t bufferBytes)
        : TextFileReader(std::wstring(path), selector, bufferBytes) {}
    ~TextFileReader() = default; // closeTextFileReader: the scope records release handle and buffers
    TextFileReader(const TextFileReader&) = delete;
    TextFileReader& operator=(const TextFileReader&) = delete;

    // The next unit; 0 at the end of the file, on an error, or for a NUL unit in the file.
    wchar_t readChar();
    // Pushes the unit last returned back (one unit of push-back).
    void ungetChar();
    // The next line without its terminator (CR, LF or CR LF). Returns the units consumed, the terminator counting
    // as one; 0 means nothing was left. Units beyond maxLength are consumed but not stored.
    size_t readLine(std::wstring& out, size_t maxLength);
    // Everything up to the end; returns the units read.
    size_t readAll(std::wstring& out, size_t maxLength);
    // Skips white space, then reads up to the next white-space unit, which is pushed back (and counted).
    size_t readWord(std::wstring& out, size_t maxLength);
    // Reads past white space; true when a non-space unit is waiting.
    bool skipSpaces();

    uint32_t status() const { return status_; }
    // True when the last read that gave 0 found the end of the file. A 0 from readChar while this is false (and no
    // stopping bit is set) was a NUL unit in the file, which a line or word read also stops at.
    bool atEndOfFile() const { return endOfFile_; }
    int32_t codePage() const { return codePage_; }
    uint64_t fileSize() const;
    FILETIME creationTime() const;
    FILETIME lastAccessTime() const;
    FILETIME lastWriteTime() const;

private:
    void start(int32_t selector);
    bool fill();
    size_t decodeFill(bool lastFill);
    size_t decodeCodePage(bool lastFill);
    size_t consumeOneCharacter() const;
    bool ensureCharCapacity(size_t units);
    void appendUnit(std::wstring& out, wchar_t unit, size_t maxLength);

    uint32_t status_ = 0;
    bool ungetPending_ = false;
    bool endOfFile_ = false; // the last fill found no bytes left
    ScopedHandle file_;
    std::wstring path_;
    int32_t codePage_ = 0;
    uint64_t bufferBytes_ = 0;
    uint64_t charCapacity_ = 0;
    uint64_t readPos_ = 1;
    uint64_t charCount_ = 0;
    uint64_t pendingBytes_ = 0;
    std::unique_ptr<uint8_t[]> byteBuffer_;
    std::unique_ptr<wchar_t[]> charBuffer_;
};

class TextFileWriter {
public:
    // openTextFileWriter: creates or truncates the file. A code page number of a Unicode encoding (1200, 1201,
    // 12000, 12001, 65001) writes its byte-order mark first; the selectors 10 to 14 give the same encodings without
    // one. `size` sets both the output buffer and the piece length for byte code pages.
    TextFileWriter(const std::wstring& path, int32_t selectorOrCodePage, uint64_t size);
    ~TextFileWriter() = default; // closeTextFileWriter
    TextFileWriter(const TextFileWriter&) = delete;
    TextFileWriter& operator=(const TextFileWriter&) = delete;

    // Encodes and writes the text; returns the bytes written, 0 for an empty text or on any failure.
    uint64_t writeString(const std::wstring& text);
    uint64_t writeChar(wchar_t unit) { return writeString(std::wstring(1, unit)); }

    uint32_t status() const { return status_; }
    int32_t codePage() const { return codePage_; }
    uint64_t fileSize() const;

private:
    bool writeBytes(const uint8_t* bytes, uint64_t count);
    uint64_t writeUnicodeUnits(const std::wstring& text);
    uint64_t writeCodePageText(const std::wstring& text);

    uint32_t status_ = 0;
    ScopedHandle file_;
    std::wstring path_;
    int32_t codePage_ = 0;
    uint64_t bufferBytes_ = 0;
    uint64_t chunkChars_ = 0;
    std::unique_ptr<uint8_t[]> buffer_;
};

// The names the rest of the system uses for the reader's and writer's queries.
inline uint32_t readerStatus(const TextFileReader& reader) {
    return reader.status();
}
inline uint64_t readerFileSize(const TextFileReader& reader) {
    return reader.fileSize();
}
inline FILETIME readerCreationTime(const TextFileReader& reader) {
    return reader.creationTime();
}
inline FILETIME readerLastAccessTime(const TextFileReader& reader) {
    return reader.lastAccessTime();
}
inline FILETIME readerLastWriteTime(const TextFileReader& reader) {
    return reader.lastWriteTime();
}
inline uint32_t writerStatus(const TextFileWriter& writer) {
    return writer.status();
}
inline uint64_t writerFileSize(const TextFileWriter& writer) {
    return writer.fileSize();
}
