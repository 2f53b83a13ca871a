// The RTF source buffer. The file's bytes sit behind one inserted blank, so that position 0 is "nothing read yet" and
// the first read yields the file's first byte. A zero byte follows the last one; a read there reports the end,
// which a zero byte inside the document never does.
#include "rtf/rtfSource.h"

#include "platform/fileImage.h"
#include "platform/fileIo.h"
#include "rtf/rtfCopyLane.h"
#include "rtf/rtfPass.h"
#include "rtf/rtfTokenizer.h"
#include "rtf/statusLine.h"

#include <algorithm>
#include <cwchar>

// The copy lane loads whole blocks that may reach past the last byte into the zero and padding behind it.
static_assert(kFileImagePadding + 1 >= kCopyLaneReadAhead, "the source buffer's padding covers the lane's reads");

namespace {
struct SourceRtfBuffer {
    FileImage image;          // the file, with one blank in front and a zero byte after it
    int64_t length = 0;       // bytes of text in use: the file's size and the blank
    int64_t position = 0;     // index of the byte last handed out
    bool endReached = false;  // set by the read that passed the end
    uint64_t lastPercent = 0; // the whole percentage last reported
    int64_t nextReportAt = 0; // the first position whose percentage exceeds lastPercent
};

SourceRtfBuffer gSource; // conversion job's thread only

int64_t length() {
    return gSource.length;
}

// The smallest position p with p * 100 / length > lastPercent, so that the per-byte check is one comparison.
void planNextReport() {
    uint64_t len = uint64_t(length());
    gSource.nextReportAt = int64_t(((gSource.lastPercent + 1) * len + 99) / 100);
}

void reportProgress() {
    uint64_t percent = uint64_t(gSource.position) * 100 / uint64_t(length());
    if (percent > gSource.lastPercent) {
        gSource.lastPercent = percent;
        wchar_t status[128];
        std::swprintf(status, 128, L"Processed: %d%%", int(percent));
        showStatusLine(status);
    }
    planNextReport();
}
} // namespace

const char* sourceLoadStatusText(SourceLoadStatus status) {
    switch (status) {
    case SourceLoadStatus::Ok:
        return "ok";
    case SourceLoadStatus::OpenFailed:
        return "cannot open the input file";
    case SourceLoadStatus::TooLarge:
        return "the input file is too large";
    case SourceLoadStatus::ReadFailed:
        return "cannot read the input file";
    case SourceLoadStatus::NoMemory:
        return "not enough memory for the input file";
    }
    return "unknown status";
}

SourceLoadStatus loadSourceRtf(const std::filesystem::path& path) {
    gSource.endReached = false;
    gSource.image.release();
    gSource.length = 0;
    gSource.position = 0;
    gSource.lastPercent = 0;
    planNextReport();
    resetRtfTokenizer();
    resetRtfPass();

    NativeFile file;
    if (!file.openForReading(path, FileReading::ReadThenDelete))
        return SourceLoadStatus::OpenFailed;
    int64_t size = file.size();
    if (size < 0)
        return SourceLoadStatus::ReadFailed;
    if (size > kMaxSourceRtfBytes)
        return SourceLoadStatus::TooLarge;
    switch (gSource.image.load(file, size_t(size), ' ')) {
    case FileImageStatus::Ok:
        break;
    case FileImageStatus::ReadFailed:
        return SourceLoadStatus::ReadFailed;
    case FileImageStatus::NoMemory:
        return SourceLoadStatus::NoMemory;
    }
    gSource.length = size + 1;
    // Through the handle it was read by: never a file that took its name since, nor one a link leads to.
    (void)file.deleteAndClose(path);
    planNextReport();
    return SourceLoadStatus::Ok;
}

uint8_t nextSourceByte(int /*mode*/) {
    if (gSource.endReached)
        return 0;
    ++gSource.position;
    if (gSource.position >= length()) {
        gSource.endReached = true;
        return 0;
    }
    if (gSource.position >= gSource.nextReportAt)
        reportProgress();
    return uint8_t(gSource.image.text()[gSource.position]);
}

void ungetSourceByte() {
    gSource.position = std::max<int64_t>(gSource.position - 1, -1);
}

std::string_view takeSourceRun(const uint8_t* byteClasses, uint8_t stopMask) {
    if (gSource.endReached)
        return {};
    const int64_t start = gSource.position + 1;
    const int64_t limit = std::min(length(), gSource.nextReportAt);
    const auto* bytes = reinterpret_cast<const uint8_t*>(gSource.image.text());
    int64_t end = start;
    // Four bytes a step while they fit: this loop is the copy pass's hottest.
    while (end + 4 <= limit && !((byteClasses[bytes[end]] | byteClasses[bytes[end + 1]] | byteClasses[bytes[end + 2]] |
                                  byteClasses[bytes[end + 3]]) &
                                 stopMask))
        end += 4;
    while (end < limit && !(byteClasses[bytes[end]] & stopMask))
        ++end;
    if (end <= start)
        return {};
    gSource.position = end - 1;
    return {gSource.image.text() + start, size_t(end - start)};
}

std::string_view takeSourceTextRun() {
    const std::string_view ahead = sourceRtfAhead();
    const char* stop = findTextRunStop(ahead.data(), ahead.data() + ahead.size());
    gSource.position += stop - ahead.data();
    return {ahead.data(), size_t(stop - ahead.data())};
}

std::string_view takeSourceBytes(size_t maxCount) {
    if (gSource.endReached)
        return {};
    const int64_t start = gSource.position + 1;
    const int64_t limit = std::min(length(), gSource.nextReportAt);
    if (start >= limit || maxCount == 0)
        return {};
    const size_t count = std::min(size_t(limit - start), maxCount);
    gSource.position = start + int64_t(count) - 1;
    return {gSource.image.text() + start, count};
}

const char* lastSourceByte() {
    return gSource.image.text() + std::max<int64_t>(gSource.position, 0);
}

bool sourceRtfEnded() {
    return gSource.endReached;
}

std::string_view sourceRtfAhead() {
    if (gSource.endReached)
        return {};
    const int64_t start = gSource.position + 1;
    const int64_t limit = std::min(length(), gSource.nextReportAt);
    if (start >= limit)
        return {};
    return {gSource.image.text() + start, size_t(limit - start)};
}

std::string_view sourceRtfRest() {
    if (gSource.endReached)
        return {};
    const int64_t start = gSource.position + 1;
    if (start >= length())
        return {};
    return {gSource.image.text() + start, size_t(length() - start)};
}

void advanceSourceRtf(size_t count) {
    const int64_t target = gSource.position + int64_t(count);
    while (gSource.nextReportAt <= target && gSource.position < target) {
        gSource.position = std::max(gSource.position, gSource.nextReportAt);
        reportProgress();
    }
    gSource.position = target;
}

void skipSourceRtf(size_t count) {
    gSource.position += int64_t(count);
}

int64_t sourceRtfBytesRead() {
    return std::clamp<int64_t>(gSource.position, 0, std::max<int64_t>(length() - 1, 0));
}

int64_t sourceRtfLength() {
    return length();
}
