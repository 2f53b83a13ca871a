// Buffered writing of the output RTF file, with the pass's hold on an object's class name. Two buffers take turns:
// while the background writer copies a full one into the file, the job fills the other. All state belongs to the
// conversion job's thread, apart from the buffer in flight, which the writer only reads.
#include "rtf/rtfOutput.h"

#include "platform/fileIo.h"

#include <cstring>
#include <memory>
#include <string>

namespace {
constexpr size_t kOutputBufferSize = size_t(1) << 20; // large enough that system calls vanish from profiles

struct OutputRtfFile {
    NativeFile file;
    std::unique_ptr<char[]> buffers[2];
    char* buffer = nullptr; // the one being filled
    size_t used = 0;
    BackgroundWriter writer;
    bool failed = false;  // a write failed since the file was opened
    bool holding = false; // pieces go to `held` instead of the buffer
    std::string held;     // pieces held back, in order
};

OutputRtfFile gOutput; // written by the conversion job's thread only

// Hands the full buffer to the writer and goes on in the other one, which the writer has finished with once submit
// returns.
void flushOutput() {
    if (gOutput.used == 0)
        return;
    gOutput.writer.submit(gOutput.file, gOutput.buffer, gOutput.used);
    gOutput.buffer = gOutput.buffer == gOutput.buffers[0].get() ? gOutput.buffers[1].get() : gOutput.buffers[0].get();
    gOutput.used = 0;
}

// Writes a piece too large for a buffer straight from where it stands, after everything before it.
void writeDirectly(std::string_view piece) {
    if (!gOutput.writer.wait() || !gOutput.file.writeAll(piece.data(), piece.size()))
        gOutput.failed = true;
}

void writeBuffered(std::string_view piece) {
    if (piece.empty())
        return;
    if (piece.size() > kOutputBufferSize - gOutput.used) {
        flushOutput();
        if (piece.size() >= kOutputBufferSize) {
            writeDirectly(piece);
            return;
        }
    }
    std::memcpy(gOutput.buffer + gOutput.used, piece.data(), piece.size());
    gOutput.used += piece.size();
}
} // namespace

bool openOutputRtfFile(const std::filesystem::path& path, FileCreation how) {
    closeOutputRtfFile();
    gOutput.failed = false;
    gOutput.used = 0;
    gOutput.holding = false;
    gOutput.held.clear();
    for (std::unique_ptr<char[]>& buffer : gOutput.buffers) {
        if (!buffer)
            buffer.reset(new char[kOutputBufferSize]); // left unzeroed: every byte is written before it is used
    }
    gOutput.buffer = gOutput.buffers[0].get();
    return gOutput.file.createForWriting(path, how);
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
    return gOutput.buffer + gOutput.used;
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
    // The last buffer is written here: a document that fits one buffer never starts the writer's thread.
    if (gOutput.used > 0)
        writeDirectly({gOutput.buffer, gOutput.used});
    gOutput.used = 0;
    const bool written = gOutput.writer.wait();
    gOutput.writer.stop();
    const bool closed = gOutput.file.close();
    return closed && written && !gOutput.failed;
}

bool isOutputRtfFileOpen() {
    return gOutput.file.isOpen();
}

void setOutputRtfBufferWrite(BufferWrite write) {
    gOutput.writer.setWrite(write);
}
