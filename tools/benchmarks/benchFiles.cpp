// Whole-file reads and writes and the plain copies of the benchmarks, through the engine's own file seam.
#include "benchFiles.h"

#include "platform/fileIo.h"

#include <algorithm>
#include <vector>

namespace fs = std::filesystem;

namespace benchfile {

bool readWhole(const fs::path& path, std::string& bytes) {
    NativeFile file;
    if (!file.openForReading(path))
        return false;
    const int64_t size = file.size();
    if (size < 0)
        return false;
    bytes.resize(size_t(size));
    return file.readExactly(bytes.data(), bytes.size());
}

bool writeWhole(const fs::path& path, const std::string& bytes) {
    NativeFile file;
    return file.createForWriting(path) && file.writeAll(bytes.data(), bytes.size()) && file.close();
}

bool copyWhole(const fs::path& source, const fs::path& target) {
    std::string bytes;
    return readWhole(source, bytes) && writeWhole(target, bytes);
}

bool copyChunked(const fs::path& source, const fs::path& target) {
    NativeFile in;
    NativeFile out;
    if (!in.openForReading(source) || !out.createForWriting(target))
        return false;
    std::vector<char> buffer(size_t(1) << 20);
    for (int64_t left = in.size(); left > 0;) {
        const size_t step = size_t(std::min<int64_t>(left, int64_t(buffer.size())));
        if (!in.readExactly(buffer.data(), step) || !out.writeAll(buffer.data(), step))
            return false;
        left -= int64_t(step);
    }
    return out.close();
}

} // namespace benchfile
