// The text file writer: wide strings are encoded into one output buffer and written straight to the file.
#include "textFile.h"

#include <algorithm>
#include <new>

namespace {
// As for the reader: no settings text needs more, and every count stays within the int the system functions take.
constexpr uint64_t kMaxBufferBytes = uint64_t(1) << 26;
constexpr uint64_t kMinBufferBytes = 4;

struct WriterEncoding {
    int32_t selector;   // what the caller may pass
    int32_t codePage;   // what is written
    bool byteOrderMark; // whether the file starts with the encoding's mark
};
constexpr WriterEncoding kWriterEncodings[] = {
    // selector                 code page          mark
    {CodePageSelector::Utf8, kCodePageUtf8, false},       {CodePageSelector::Utf16Le, kCodePageUtf16Le, false},
    {CodePageSelector::Utf16Be, kCodePageUtf16Be, false}, {CodePageSelector::Utf32Le, kCodePageUtf32Le, false},
    {CodePageSelector::Utf32Be, kCodePageUtf32Be, false}, {kCodePageUtf8, kCodePageUtf8, true},
    {kCodePageUtf16Le, kCodePageUtf16Le, true},           {kCodePageUtf16Be, kCodePageUtf16Be, true},
    {kCodePageUtf32Le, kCodePageUtf32Le, true},           {kCodePageUtf32Be, kCodePageUtf32Be, true},
};

struct MarkBytes {
    int32_t codePage;
    uint8_t bytes[4];
    uint32_t length;
};
constexpr MarkBytes kMarks[] = {
    // code page        bytes                     length
    {kCodePageUtf16Le, {0xFF, 0xFE, 0x00, 0x00}, 2}, {kCodePageUtf16Be, {0xFE, 0xFF, 0x00, 0x00}, 2},
    {kCodePageUtf32Le, {0xFF, 0xFE, 0x00, 0x00}, 4}, {kCodePageUtf32Be, {0x00, 0x00, 0xFE, 0xFF}, 4},
    {kCodePageUtf8, {0xEF, 0xBB, 0xBF, 0x00}, 3},
};

bool isHighSurrogate(wchar_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}
bool isLowSurrogate(wchar_t unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

// Stores one code unit of `width` bytes (2 or 4) in the chosen byte order.
void putUnit(uint8_t* into, uint32_t value, uint32_t width, bool bigEndian) {
    for (uint32_t i = 0; i < width; ++i) {
        const uint32_t shift = 8 * (bigEndian ? width - 1 - i : i);
        into[i] = uint8_t(value >> shift);
    }
}
} // namespace

TextFileWriter::TextFileWriter(const std::wstring& path, int32_t selectorOrCodePage, uint64_t size)
    : path_(path), codePage_(selectorOrCodePage), bufferBytes_(size), chunkChars_(size) {
    file_ = ScopedHandle(CreateFileW(path_.c_str(), GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, CREATE_ALWAYS,
                                     FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file_.isValid()) {
        status_ |= TextFileStatus::IoError;
        return;
    }
    if (codePage_ == CodePageSelector::Default || codePage_ == CodePageSelector::Ansi)
        codePage_ = int32_t(GetACP());
    else if (codePage_ == CodePageSelector::Oem)
        codePage_ = int32_t(GetOEMCP());
    bufferBytes_ = std::min(std::max(bufferBytes_, kMinBufferBytes), kMaxBufferBytes);
    chunkChars_ = std::min(std::max(chunkChars_, kMinBufferBytes), kMaxBufferBytes);
    buffer_.reset(new (std::nothrow) uint8_t[bufferBytes_]);
    if (!buffer_) {
        status_ |= TextFileStatus::OutOfMemory;
        return;
    }
    for (const WriterEncoding& encoding : kWriterEncodings) {
        if (encoding.selector != codePage_)
            continue;
        codePage_ = encoding.codePage;
        if (encoding.byteOrderMark) {
            for (const MarkBytes& mark : kMarks) {
                if (mark.codePage == codePage_)
                    writeBytes(mark.bytes, mark.length);
            }
        }
        break;
    }
}

bool TextFileWriter::writeBytes(const uint8_t* bytes, uint64_t count) {
    DWORD written = 0;
    if (!WriteFile(file_.get(), bytes, DWORD(count), &written, nullptr) || written != count) {
        status_ |= TextFileStatus::IoError;
        return false;
    }
    return true;
}

uint64_t TextFileWriter::writeString(const std::wstring& text) {
    if ((status_ & kTextFileStopMask) || text.empty())
        return 0;
    switch (codePage_) {
    case kCodePageUtf16Le:
    case kCodePageUtf16Be:
    case kCodePageUtf32Le:
    case kCodePageUtf32Be:
        return writeUnicodeUnits(text);
    default:
        return writeCodePageText(text);
    }
}

// UTF-16 and UTF-32 by hand: units collect in the buffer, which goes out once it is within one unit of full, and
// after the last unit.
uint64_t TextFileWriter::writeUnicodeUnits(const std::wstring& text) {
    const bool utf32 = codePage_ == kCodePageUtf32Le || codePage_ == kCodePageUtf32Be;
    const bool bigEndian = codePage_ == kCodePageUtf16Be || codePage_ == kCodePageUtf32Be;
    const uint32_t width = utf32 ? 4 : 2;
    uint64_t fill = 0;
    uint64_t total = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        uint32_t value = uint16_t(text[i]);
        if (utf32 && isHighSurrogate(text[i]) && i + 1 < text.size() && isLowSurrogate(text[i + 1])) {
            value = 0x10000 + ((value - 0xD800) << 10) + (uint16_t(text[i + 1]) - 0xDC00);
            ++i;
        }
        putUnit(buffer_.get() + fill, value, width, bigEndian);
        fill += width;
        if (fill >= bufferBytes_ - 4 || i + 1 == text.size()) {
            if (!writeBytes(buffer_.get(), fill))
                return 0;
            total += fill;
            fill = 0;
        }
    }
    return total;
}

// Byte code pages through the system: pieces of chunkChars units, a surrogate pair never split between two pieces.
uint64_t TextFileWriter::writeCodePageText(const std::wstring& text) {
    uint64_t total = 0;
    size_t start = 0;
    while (start < text.size()) {
        size_t length = std::min<size_t>(chunkChars_, text.size() - start);
        const size_t end = start + length;
        if (end < text.size() && isHighSurrogate(text[end - 1]) && isLowSurrogate(text[end]))
            --length;
        const wchar_t* piece = text.data() + start;
        const int needed = WideCharToMultiByte(UINT(codePage_), 0, piece, int(length), nullptr, 0, nullptr, nullptr);
        if (needed <= 0) {
            // The code page cannot be written at all: report it rather than leave a silently short file.
            status_ |= TextFileStatus::IoError;
            return 0;
        }
        if (uint64_t(needed) > bufferBytes_) {
            buffer_.reset(new (std::nothrow) uint8_t[size_t(needed)]);
            bufferBytes_ = buffer_ ? uint64_t(needed) : 0;
            if (!buffer_) {
                status_ |= TextFileStatus::OutOfMemory;
                return 0;
            }
        }
        const int bytes = WideCharToMultiByte(UINT(codePage_), 0, piece, int(length),
                                              reinterpret_cast<char*>(buffer_.get()), needed, nullptr, nullptr);
        if (!writeBytes(buffer_.get(), uint64_t(bytes)))
            return 0;
        total += uint64_t(bytes);
        start += length;
    }
    return total;
}

uint64_t TextFileWriter::fileSize() const {
    LARGE_INTEGER size{};
    if (!file_.isValid() || !GetFileSizeEx(file_.get(), &size))
        return 0;
    return uint64_t(size.QuadPart);
}
