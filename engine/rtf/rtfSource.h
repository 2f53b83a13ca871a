// The source RTF document of a conversion job: read once, whole, into memory and handed out one byte at a time
// (or, for the tokeniser's inner loops, one run of bytes at a time). Every read may report the percentage of the
// source read so far on the status line. All state is process-wide and belongs to the conversion job's thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string_view>

// The largest source file accepted: the buffer holds one blank in front of the file's bytes, and its length must
// stay a positive signed 32-bit number.
constexpr int64_t kMaxSourceRtfBytes = 0x7ffffffe;

enum class [[nodiscard]] SourceLoadStatus{
    Ok = 0,     // the file was read whole and deleted
    OpenFailed, // the file could not be opened; the source is empty and the file is left in place
    TooLarge,   // the file is larger than kMaxSourceRtfBytes; nothing is loaded and the file is left in place
    ReadFailed, // the size could not be taken or the file could not be read whole; the source is empty, the file kept
    NoMemory,   // no memory for the file's bytes; the source is empty and the file is left in place
};

// A short English description of a status, for messages.
const char* sourceLoadStatusText(SourceLoadStatus status);

// Starts a job: resets the source, the tokeniser and the RTF pass, then reads the file whole and deletes it through
// the handle it read it by (a failed deletion is ignored). A link at the path's end is not followed: OpenFailed.
SourceLoadStatus loadSourceRtf(const std::filesystem::path& path);

// The next source byte, 0 at the end (and for ever after). `mode` has no effect.
uint8_t nextSourceByte(int mode);

// The last byte read will be read again.
void ungetSourceByte();

// For the tokeniser: hands out, as one run, the bytes after the current position up to (not including) the first
// one whose entry in `byteClasses` shares a bit with `stopMask`. A run never reaches the end of the source nor the
// next whole percentage, so the byte there is still read by nextSourceByte, which reports it; the run may therefore
// stop early. The view is borrowed from the source buffer and stays valid until the next load.
std::string_view takeSourceRun(const uint8_t* byteClasses, uint8_t stopMask);

// takeSourceRun for the bytes that end a text run (\ { } CR LF TAB), with a vectorised search.
std::string_view takeSourceTextRun();

// For raw data (\bin): hands out up to `maxCount` bytes after the current position as one run, never reaching the
// end of the source nor the next whole percentage (see takeSourceRun). Borrowed like takeSourceRun's views.
std::string_view takeSourceBytes(size_t maxCount);

// The byte last handed out, in place in the source buffer (borrowed; valid until the next load). Only meaningful
// right after a read that returned a byte other than 0.
const char* lastSourceByte();

// True once a read has passed the end of the source.
bool sourceRtfEnded();

// How many of the file's bytes have been handed out (the inserted blank not counted).
int64_t sourceRtfBytesRead();

// For the pass's copy lane: the bytes after the current position, up to (not including) the next whole percentage
// or the end, so that the byte there is still read by nextSourceByte, which reports it. Borrowed like the runs.
std::string_view sourceRtfAhead();
// Hands out the first `count` bytes of sourceRtfAhead() at once.
void skipSourceRtf(size_t count);

// For reads that look further ahead than the next progress step (an object's data up to its closing brace): every
// byte after the current position, to the end of the source. Borrowed like the runs.
std::string_view sourceRtfRest();
// Hands out the first `count` bytes of sourceRtfRest() at once, reporting every whole percentage on the way as reading
// them one by one would.
void advanceSourceRtf(size_t count);

// Statistics of the loaded source, for tests and the driver.
int64_t sourceRtfLength(); // the buffer's length: the file's size plus the blank in front; 0 when nothing is loaded
