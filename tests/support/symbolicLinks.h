// Symbolic links made by tests where the product must not follow them, as another program (or a user's shell) may
// leave them. Natively through the file-system library; under Wine from the Linux side, since Windows programs
// cannot make them there: Wine then shows a link to a folder as a reparse-point folder (0x410) and a link to a file
// as a plain file (0x20), which only the final path of an open handle gives away.
#pragma once

#include <filesystem>
#include <string>

namespace testing_support {

// The Unix path of a Windows path under Wine; empty natively or when Wine gives none.
std::string unixPathOf(const std::filesystem::path& path);

// A symbolic link at `link` to `target` (which need not exist), removed again when the record goes: before the
// test's folder, whose removal would otherwise walk through it.
class SymbolicLink {
public:
    SymbolicLink(const std::filesystem::path& target, const std::filesystem::path& link);
    ~SymbolicLink();
    SymbolicLink(const SymbolicLink&) = delete;
    SymbolicLink& operator=(const SymbolicLink&) = delete;
    bool made() const { return made_; }

private:
    std::filesystem::path link_;
    bool made_ = false;
};

} // namespace testing_support
