// The driver's own files; see driverFiles.h.
#include "driverFiles.h"

#include "platform/fileIo.h"

#include <cstdint>
#include <string>
#include <system_error>
#include <vector>

namespace fs = std::filesystem;

namespace {
constexpr size_t kNameRandomBytes = 16; // 128 bits: no name another program could guess or hit by chance
constexpr size_t kCopyChunk = size_t(1) << 20;

// A copy of `input` under `copy`, a name that nothing has yet. A copy cut short is removed again.
bool copyToNewFile(const fs::path& input, const fs::path& copy) {
    NativeFile from;
    NativeFile to;
    if (!from.openForReading(input) || !to.createForWriting(copy, FileCreation::NewOnly))
        return false;
    const int64_t size = from.size();
    std::vector<char> buffer(kCopyChunk);
    bool ok = size >= 0;
    for (int64_t left = size; ok && left > 0;) {
        const size_t chunk = left < int64_t(buffer.size()) ? size_t(left) : buffer.size();
        ok = from.readExactly(buffer.data(), chunk) && to.writeAll(buffer.data(), chunk);
        left -= int64_t(chunk);
    }
    ok = to.close() && ok;
    if (!ok)
        (void)deleteNativeFile(copy);
    return ok;
}

// The temporary folder, or the current folder where the system names none.
fs::path temporaryFolder() {
    std::error_code error;
    fs::path folder = fs::temp_directory_path(error);
    if (error)
        folder = fs::current_path(error);
    return folder;
}
} // namespace

fs::path unguessableName(const fs::path& folder, const char* prefix, const char* suffix) {
    uint8_t bytes[kNameRandomBytes] = {};
    if (!fillWithSystemRandom(bytes, sizeof bytes))
        return {};
    static const char kDigits[] = "0123456789abcdef";
    std::string name(prefix);
    for (uint8_t byte : bytes) {
        name += kDigits[byte >> 4];
        name += kDigits[byte & 15];
    }
    name += suffix;
    return folder / name;
}

HandOver::~HandOver() {
    if (!path_.empty())
        (void)deleteNativeFile(path_);
}

bool HandOver::make(const fs::path& input) {
    path_.clear();
    const fs::path name = unguessableName(temporaryFolder(), "veltrimConvert-", ".rtf");
    if (name.empty())
        return false;
    // A hard link is made only under a new name, as the copy is.
    std::error_code error;
    fs::create_hard_link(input, name, error);
    if (error && !copyToNewFile(input, name))
        return false;
    path_ = name;
    return true;
}

NewOutput::~NewOutput() {
    if (!path_.empty())
        (void)deleteNativeFile(path_);
}

bool NewOutput::plan(const fs::path& output) {
    std::error_code error;
    target_ = output;
    if (fs::is_symlink(output, error)) {
        const fs::path resolved = fs::weakly_canonical(output, error);
        if (error)
            return false;
        target_ = resolved;
    }
    // Beside the output, so that the replacement is a rename within one folder of one volume.
    const fs::path folder = target_.has_parent_path() ? target_.parent_path() : fs::path(".");
    path_ = unguessableName(folder, ".veltrimConvert-", ".tmp");
    return !path_.empty();
}

bool NewOutput::putInPlace() {
    if (path_.empty() || !replaceNativeFile(path_, target_))
        return false;
    path_.clear();
    return true;
}
