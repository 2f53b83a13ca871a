// Symbolic links for tests; see symbolicLinks.h.
#include "symbolicLinks.h"

#include <system_error>

#ifdef _WIN32
#include "scopedWin.h"
#endif

namespace fs = std::filesystem;

namespace testing_support {

#ifdef _WIN32
namespace {
// Whether anything, a link leading nowhere included, has the name (Wine answers through the link's own entry).
bool nameTaken(const fs::path& path) {
    WIN32_FIND_DATAW found{};
    return ScopedFindHandle(FindFirstFileW(path.c_str(), &found)).isOpen();
}

// Runs a Unix program through Wine, which starts it without a process to wait on: the caller waits for its effect.
bool startUnixProgram(const std::string& commandLine) {
    std::wstring command(commandLine.begin(), commandLine.end());
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {}; // Wine fills in no handles for a Unix program: nothing to close
    return CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process) !=
           FALSE;
}

bool waitForName(const fs::path& path, bool taken) {
    for (int attempt = 0; attempt < 250; ++attempt, Sleep(20))
        if (nameTaken(path) == taken)
            return true;
    return false;
}
} // namespace

std::string unixPathOf(const fs::path& path) {
    using UnixFileName = char*(CDECL*)(const wchar_t*);
    const auto toUnix = reinterpret_cast<UnixFileName>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32"), "wine_get_unix_file_name")));
    char* name = toUnix != nullptr ? toUnix(path.c_str()) : nullptr;
    if (name == nullptr)
        return {};
    std::string text(name);
    HeapFree(GetProcessHeap(), 0, name);
    return text;
}

SymbolicLink::SymbolicLink(const fs::path& target, const fs::path& link) : link_(link) {
    const std::string from = unixPathOf(target);
    const std::string at = unixPathOf(link);
    made_ = !from.empty() && !at.empty() && startUnixProgram("/bin/ln -s \"" + from + "\" \"" + at + "\"") &&
            waitForName(link_, true);
}

SymbolicLink::~SymbolicLink() {
    if (made_ && startUnixProgram("/bin/rm -f \"" + unixPathOf(link_) + "\""))
        waitForName(link_, false);
}
#else
std::string unixPathOf(const fs::path& /*path*/) {
    return {};
}

SymbolicLink::SymbolicLink(const fs::path& target, const fs::path& link) : link_(link) {
    std::error_code error;
    fs::create_symlink(target, link, error);
    made_ = !error;
}

SymbolicLink::~SymbolicLink() {
    std::error_code ignored;
    if (made_)
        fs::remove(link_, ignored);
}
#endif

} // namespace testing_support
