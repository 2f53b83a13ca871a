// The text file reader: one small byte buffer is filled from the file and decoded into UTF-16 units once per fill;
// the units are then handed out one at a time.
#include "textFile.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace {
// Larger buffers buy nothing for settings files, and the cap keeps every count within the int that the system's
// conversion functions and ReadFile take.
constexpr uint64_t kMaxBufferBytes = uint64_t(1) << 26;
constexpr uint64_t kMinBufferBytes = 4;

int32_t resolveSelector(int32_t selector) {
    switch (selector) {
    case CodePageSelector::Default:
    case CodePageSelector::Ansi:
        return int32_t(GetACP());
    case CodePageSelector::Oem:
        return int32_t(GetOEMCP());
    case CodePageSelector::Utf8:
        return kCodePageUtf8;
    case CodePageSelector::Utf16Le:
        return kCodePageUtf16Le;
    case CodePageSelector::Utf16Be:
        return kCodePageUtf16Be;
    case CodePageSelector::Utf32Le:
        return kCodePageUtf32Le;
    case CodePageSelector::Utf32Be:
        return kCodePageUtf32Be;
    default:
        return selector;
    }
}

// Byte-order marks, longest first so that FF FE 00 00 is UTF-32 and not UTF-16 followed by a NUL.
struct ByteOrderMark {
    uint8_t bytes[4];
    uint32_t length;
    int32_t codePage;
};
constexpr ByteOrderMark kByteOrderMarks[] = {
    // bytes                    length  code page
    {{0xFF, 0xFE, 0x00, 0x00}, 4, kCodePageUtf32Le}, {{0x00, 0x00, 0xFE, 0xFF}, 4, kCodePageUtf32Be},
    {{0xEF, 0xBB, 0xBF, 0x00}, 3, kCodePageUtf8},    {{0xFF, 0xFE, 0x00, 0x00}, 2, kCodePageUtf16Le},
    {{0xFE, 0xFF, 0x00, 0x00}, 2, kCodePageUtf16Be},
};

bool isDoubleByteCodePage(int32_t codePage) {
    return codePage == 932 || codePage == 936 || codePage == 949 || codePage == 950 || codePage == 1361;
}

bool readFileBytes(HANDLE file, uint8_t* into, uint64_t count, DWORD& got) {
    got = 0;
    return ReadFile(file, into, DWORD(count), &got, nullptr) != FALSE;
}

bool isSpaceUnit(wchar_t unit, bool& classified) {
    WORD type = 0;
    classified = GetStringTypeW(CT_CTYPE1, &unit, 1, &type) != FALSE;
    return classified && (type & C1_SPACE) != 0;
}

FILETIME fileTimeOf(HANDLE file, int which) {
    FILETIME times[3] = {};
    if (file == INVALID_HANDLE_VALUE || file == nullptr || !GetFileTime(file, &times[0], &times[1], &times[2]))
        return FILETIME{};
    return times[which];
}
} // namespace

TextFileReader::TextFileReader(const std::wstring& path, int32_t selector, uint64_t bufferBytes)
    : path_(path), codePage_(selector), bufferBytes_(bufferBytes), charCapacity_(bufferBytes) {
    file_ = ScopedHandle(CreateFileW(path_.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                     FILE_ATTRIBUTE_READONLY, nullptr));
    start(selector);
}

TextFileReader::TextFileReader(HANDLE file, int32_t selector, uint64_t bufferBytes)
    : codePage_(selector), bufferBytes_(bufferBytes), charCapacity_(bufferBytes) {
    HANDLE own = nullptr;
    const LARGE_INTEGER origin{};
    if (file != nullptr && file != INVALID_HANDLE_VALUE &&
        DuplicateHandle(GetCurrentProcess(), file, GetCurrentProcess(), &own, 0, FALSE, DUPLICATE_SAME_ACCESS))
        file_ = ScopedHandle(own);
    if (file_.isValid() && !SetFilePointerEx(file_.get(), origin, nullptr, FILE_BEGIN))
        file_.close();
    start(selector);
}

// Everything after the file is open: the buffers, and the byte-order mark from the file's first bytes.
void TextFileReader::start(int32_t selector) {
    if (!file_.isValid()) {
        status_ |= TextFileStatus::IoError;
        return;
    }
    codePage_ = resolveSelector(selector);
    bufferBytes_ = std::min(std::max(bufferBytes_, kMinBufferBytes), kMaxBufferBytes);
    charCapacity_ = bufferBytes_;
    byteBuffer_.reset(new (std::nothrow) uint8_t[bufferBytes_]);
    charBuffer_.reset(new (std::nothrow) wchar_t[charCapacity_]);
    if (!byteBuffer_ || !charBuffer_) {
        status_ |= TextFileStatus::OutOfMemory;
        return;
    }
    DWORD got = 0;
    if (!readFileBytes(file_.get(), byteBuffer_.get(), kMinBufferBytes, got))
        status_ |= TextFileStatus::IoError;
    uint32_t markLength = 0;
    for (const ByteOrderMark& mark : kByteOrderMarks) {
        if (got >= mark.length && std::memcmp(byteBuffer_.get(), mark.bytes, mark.length) == 0) {
            codePage_ = mark.codePage;
            markLength = mark.length;
            break;
        }
    }
    std::memmove(byteBuffer_.get(), byteBuffer_.get() + markLength, got - markLength);
    pendingBytes_ = got - markLength;
}

wchar_t TextFileReader::readChar() {
    if (status_ & kTextFileStopMask)
        return 0;
    if (ungetPending_) {
        ungetPending_ = false;
        if (readPos_ > 0)
            --readPos_;
    }
    if (readPos_ < charCount_)
        return charBuffer_[readPos_++];
    if (!fill())
        return 0;
    return charBuffer_[0];
}

void TextFileReader::ungetChar() {
    if (ungetPending_)
        status_ |= TextFileStatus::DoubleUnget;
    ungetPending_ = true;
}

// Reads the next bytes behind the pending ones and decodes them; false at the end of the file or on a failure.
bool TextFileReader::fill() {
    charCount_ = 0;
    readPos_ = 1;
    endOfFile_ = false;
    DWORD got = 0;
    if (!readFileBytes(file_.get(), byteBuffer_.get() + pendingBytes_, bufferBytes_ - pendingBytes_, got)) {
        status_ |= TextFileStatus::IoError;
        return false;
    }
    pendingBytes_ += got;
    if (pendingBytes_ == 0) {
        endOfFile_ = true; // plain end of file: no status bit
        return false;
    }
    const bool lastFill = pendingBytes_ < bufferBytes_;
    const size_t consumed = decodeFill(lastFill);
    if (status_ & kTextFileStopMask)
        return false;
    if (charCount_ == 0) {
        status_ |= TextFileStatus::EndOfData;
        return false;
    }
    if (lastFill) {
        pendingBytes_ = 0;
    } else {
        std::memmove(byteBuffer_.get(), byteBuffer_.get() + consumed, pendingBytes_ - consumed);
        pendingBytes_ -= consumed;
    }
    return true;
}

// Decodes the pending bytes into the unit buffer; returns the bytes consumed.
size_t TextFileReader::decodeFill(bool lastFill) {
    UnitDecodeResult result;
    const uint8_t* bytes = byteBuffer_.get();
    switch (codePage_) {
    case kCodePageUtf32Le:
    case kCodePageUtf32Be:
        // At most two units for four bytes, plus one "?": the unit buffer (as many units as bytes) always holds it.
        result = decodeUtf32Run(bytes, pendingBytes_, codePage_ == kCodePageUtf32Be, lastFill, charBuffer_.get());
        break;
    case kCodePageUtf16Le:
    case kCodePageUtf16Be:
        result = decodeUtf16Run(bytes, pendingBytes_, codePage_ == kCodePageUtf16Be, lastFill, charBuffer_.get());
        break;
    default:
        return decodeCodePage(lastFill);
    }
    if (result.substituted)
        status_ |= TextFileStatus::DecodeSubstituted;
    charCount_ = result.units;
    return result.consumed;
}

// Byte code pages: the longest prefix that decodes cleanly; failing that, one character's bytes (or, on the last
// fill, the whole run) converted with the system's substitutions.
size_t TextFileReader::decodeCodePage(bool lastFill) {
    const char* bytes = reinterpret_cast<const char*>(byteBuffer_.get());
    int length = int(pendingBytes_);
    bool clean = false;
    for (;;) {
        if (MultiByteToWideChar(UINT(codePage_), MB_ERR_INVALID_CHARS, bytes, length, nullptr, 0) > 0) {
            clean = true;
            break;
        }
        if (lastFill || length <= 1)
            break;
        --length;
    }
    if (!clean) {
        status_ |= TextFileStatus::DecodeSubstituted;
        length = lastFill ? int(pendingBytes_) : int(consumeOneCharacter());
    }
    const int needed = MultiByteToWideChar(UINT(codePage_), 0, bytes, length, nullptr, 0);
    if (needed <= 0)
        return size_t(length); // the system cannot convert these bytes at all: nothing decoded
    if (!ensureCharCapacity(size_t(needed)))
        return 0;
    charCount_ = uint64_t(MultiByteToWideChar(UINT(codePage_), 0, bytes, length, charBuffer_.get(), needed));
    return size_t(length);
}

// How many bytes one undecodable character takes, judged by its first byte; never more than are pending. In UTF-8
// only the bytes that cannot start a well-formed sequence go: a bad byte followed by a good character must not take
// the character with it (which it would, judged by the first byte alone, and then only where the fills fell).
size_t TextFileReader::consumeOneCharacter() const {
    const uint8_t first = byteBuffer_[0];
    size_t count = 1;
    if (isDoubleByteCodePage(codePage_) && IsDBCSLeadByteEx(UINT(codePage_), first))
        count = 2;
    else if (codePage_ == kCodePageUtf8)
        count = std::max<size_t>(1, utf8UndecodableFront(byteBuffer_.get(), size_t(pendingBytes_)));
    return std::min<size_t>(count, pendingBytes_);
}

bool TextFileReader::ensureCharCapacity(size_t units) {
    if (units <= charCapacity_)
        return true;
    status_ |= TextFileStatus::BufferGrown;
    charBuffer_.reset(new (std::nothrow) wchar_t[units]);
    if (!charBuffer_) {
        charCapacity_ = 0;
        status_ |= TextFileStatus::OutOfMemory;
        return false;
    }
    charCapacity_ = units;
    return true;
}

// A failed append is reported through the status and reading goes on, as for every other failure here.
void TextFileReader::appendUnit(std::wstring& out, wchar_t unit, size_t maxLength) {
    if (out.size() >= maxLength)
        return;
    try {
        out.push_back(unit);
    } catch (const std::bad_alloc&) {
        status_ |= TextFileStatus::OutOfMemory;
    }
}

size_t TextFileReader::readLine(std::wstring& out, size_t maxLength) {
    out.clear();
    size_t count = 0;
    bool terminated = false;
    while (wchar_t unit = readChar()) {
        ++count;
        if (unit == L'\n') {
            terminated = true;
            break;
        }
        if (unit == L'\r') {
            if (readChar() != L'\n')
                ungetChar();
            terminated = true;
            break;
        }
        appendUnit(out, unit, maxLength);
    }
    if (terminated) {
        // Looking one unit ahead starts the next fill now, so the end of the file shows before the next call.
        readChar();
        ungetChar();
    }
    return count;
}

size_t TextFileReader::readAll(std::wstring& out, size_t maxLength) {
    out.clear();
    size_t count = 0;
    while (wchar_t unit = readChar()) {
        ++count;
        appendUnit(out, unit, maxLength);
    }
    return count;
}

size_t TextFileReader::readWord(std::wstring& out, size_t maxLength) {
    skipSpaces();
    out.clear();
    size_t count = 0;
    while (wchar_t unit = readChar()) {
        ++count;
        bool classified = false;
        if (isSpaceUnit(unit, classified) || !classified) {
            ungetChar();
            break;
        }
        appendUnit(out, unit, maxLength);
    }
    return count;
}

bool TextFileReader::skipSpaces() {
    while (wchar_t unit = readChar()) {
        bool classified = false;
        if (!isSpaceUnit(unit, classified)) {
            ungetChar();
            return true;
        }
    }
    return false;
}

uint64_t TextFileReader::fileSize() const {
    LARGE_INTEGER size{};
    if (!file_.isValid() || !GetFileSizeEx(file_.get(), &size))
        return 0;
    return uint64_t(size.QuadPart);
}

FILETIME TextFileReader::creationTime() const {
    return fileTimeOf(file_.get(), 0);
}
FILETIME TextFileReader::lastAccessTime() const {
    return fileTimeOf(file_.get(), 1);
}
FILETIME TextFileReader::lastWriteTime() const {
    return fileTimeOf(file_.get(), 2);
}
