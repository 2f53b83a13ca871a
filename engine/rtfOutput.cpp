// Buffered writing of the output RTF file, with the pass's hold on an object's class name. All state belongs to the
// conversion job's thread.
#include "rtfOutput.h"

#include "fileIo.h"

#include <cstring>
#include <memory>
#include <string>

namespace {
constexpr size_t kOutputBufferSize = size_t(1) << 20; // large enough that system calls vanish from profiles

struct OutputRtfFile {
    NativeFile file;
    std::unique_ptr<char[]> buffer;
    size_t used = 0;
    bool failed = false;  // a write failed since the file was opened
    bool holding = false; // pieces go to `held` instead of the buffer
    std::string held;     // pieces held back, in order
};

OutputRtfFile gOutput; // written by the conversion job's thread only

void flushOutput() {
    if (gOutput.used > 0 && !gOutput.file.writeAll(gOutput.buffer.get(), gOutput.used))
        gOutput.failed = true;
    gOutput.used = 0;
}

void writeBuffered(std::string_view piece) {
    if (piece.empty())
        return;
    if (piece.size() > kOutputBufferSize - gOutput.used) {
        flushOutput();
        if (piece.size() >= kOutputBufferSize) {
            if (!gOutput.file.writeAll(piece.data(), piece.size()))
                gOutput.failed = true;
            return;
        }
    }
    std::memcpy(gOutput.buffer.get() + gOutput.used, piece.data(), piece.size());
    gOutput.used += piece.size();
}
} // namespace

bool openOutputRtfFile(const std::filesystem::path& path) {
    closeOutputRtfFile();
    gOutput.failed = false;
    gOutput.used = 0;
    gOutput.holding = false;
    gOutput.held.clear();
    if (!gOutput.buffer)
        gOutput.buffer = std::make_unique<char[]>(kOutputBufferSize);
    return gOutput.file.createForWriting(path);
}

void writeOutputRtf(std::string_view piece) {
    if (!gOutput.file.isOpen() || piece.empty())
        return;
    if (gOutput.holding) {
        if (piece.size() <= kMaxHeldOutputRtf - gOutput.held.size()) {
            gOutput.held.append(piece.data(), piece.size());
            return;
        }
        releaseOutputRtf();
    }
    writeBuffered(piece);
}

char* outputRtfRoom(size_t count) {
    if (!gOutput.file.isOpen() || gOutput.holding || count > kOutputBufferSize)
        return nullptr;
    if (count > kOutputBufferSize - gOutput.used)
        flushOutput();
    return gOutput.buffer.get() + gOutput.used;
}

void commitOutputRtf(size_t count) {
    gOutput.used += count;
}

void holdOutputRtf() {
    gOutput.holding = gOutput.file.isOpen();
}

bool isOutputRtfHeld() {
    return gOutput.holding;
}

size_t heldOutputRtfSize() {
    return gOutput.held.size();
}

bool replaceHeldOutputRtf(size_t offset, size_t length, std::string_view text) {
    if (!gOutput.holding || offset > gOutput.held.size() || length > gOutput.held.size() - offset)
        return false;
    gOutput.held.replace(offset, length, text.data(), text.size());
    return true;
}

void releaseOutputRtf() {
    if (!gOutput.holding)
        return;
    gOutput.holding = false;
    writeBuffered(gOutput.held);
    gOutput.held.clear();
}

bool closeOutputRtfFile() {
    if (!gOutput.file.isOpen())
        return false;
    releaseOutputRtf();
    flushOutput();
    bool closed = gOutput.file.close();
    return closed && !gOutput.failed;
}

bool isOutputRtfFileOpen() {
    return gOutput.file.isOpen();
}
