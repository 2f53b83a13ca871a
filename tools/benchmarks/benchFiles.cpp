// Whole-file reads and writes and the plain copies of the benchmarks, through the engine's own file seam.
#include "benchFiles.h"

#include "platform/fileIo.h"

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
    return copyNativeFile(source, target, FileCreation::EmptyExisting);
}

} // namespace benchfile
