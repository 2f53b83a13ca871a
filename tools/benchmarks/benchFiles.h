// Whole-file reads and writes for the benchmarks, and the two plain copies they time for scale: the whole file read
// into fresh memory and written, and a shell tool's copy through one 1 MiB buffer.
#pragma once

#include <filesystem>
#include <string>

namespace benchfile {

bool readWhole(const std::filesystem::path& path, std::string& bytes);
bool writeWhole(const std::filesystem::path& path, const std::string& bytes);

// The plain copy: read the whole file into fresh memory, write it whole.
bool copyWhole(const std::filesystem::path& source, const std::filesystem::path& target);
// The copy a shell tool makes: 1 MiB at a time through one reused buffer, so no fresh memory is faulted in.
bool copyChunked(const std::filesystem::path& source, const std::filesystem::path& target);

} // namespace benchfile
