// Buffered writing of the output RTF file. All state belongs to the conversion job's thread.
#include "rtfOutput.h"

#include "fileIo.h"

#include <cstring>
#include <memory>

namespace {
constexpr size_t kOutputBufferSize = size_t(1) << 20; // large enough that system calls vanish from profiles

struct OutputRtfFile {
    NativeFile file;
    std::unique_ptr<char[]> buffer;
    size_t used = 0;
    bool failed = false; // a write failed since the file was opened
};

OutputRtfFile gOutput; // written by the conversion job's thread only

void flushOutput() {
    if (gOutput.used > 0 && !gOutput.file.writeAll(gOutput.buffer.get(), gOutput.used))
        gOutput.failed = true;
    gOutput.used = 0;
}
} // namespace

bool openOutputRtfFile(const std::filesystem::path& path) {
    closeOutputRtfFile();
    gOutput.failed = false;
    gOutput.used = 0;
    if (!gOutput.buffer)
        gOutput.buffer = std::make_unique<char[]>(kOutputBufferSize);
    return gOutput.file.createForWriting(path);
}

void writeOutputRtf(std::string_view piece) {
    if (!gOutput.file.isOpen() || piece.empty())
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

bool closeOutputRtfFile() {
    if (!gOutput.file.isOpen())
        return false;
    flushOutput();
    bool closed = gOutput.file.close();
    return closed && !gOutput.failed;
}

bool isOutputRtfFileOpen() {
    return gOutput.file.isOpen();
}
