// The driver's own files; see driverFiles.h.
#include "driverFiles.h"

#include "mtef/hexText.h"
#include "platform/fileIo.h"

#include <cstdint>
#include <string>
#include <system_error>

namespace fs = std::filesystem;

namespace {
constexpr size_t kNameRandomBytes = 16; // 128 bits: no name another program could guess or hit by chance

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
    std::string name(prefix);
    appendHexText(name, bytes, sizeof bytes);
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
    if (error && !copyNativeFile(input, name, FileCreation::NewOnly))
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
