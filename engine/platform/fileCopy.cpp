// Whole-file copies through the file seam, one buffer at a time; see fileIo.h. Portable: both builds' NativeFile.
#include "platform/fileIo.h"

#include <algorithm>
#include <vector>

namespace {
constexpr size_t kCopyChunk = size_t(1) << 20; // one reused buffer, as a shell tool copies: no fresh memory per byte
}

bool copyNativeFile(const std::filesystem::path& source, const std::filesystem::path& target, FileCreation how) {
    NativeFile in;
    NativeFile out;
    if (!in.openForReading(source) || !out.createForWriting(target, how))
        return false;
    const int64_t size = in.size();
    bool ok = size >= 0;
    std::vector<char> buffer(kCopyChunk);
    for (int64_t left = size; ok && left > 0;) {
        const size_t step = size_t(std::min<int64_t>(left, int64_t(buffer.size())));
        ok = in.readExactly(buffer.data(), step) && out.writeAll(buffer.data(), step);
        left -= int64_t(step);
    }
    ok = out.close() && ok;
    // The target is this copy's own from its creation on: one cut short goes again.
    if (!ok)
        (void)deleteNativeFile(target);
    return ok;
}
