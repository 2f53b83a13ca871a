// The input guard natively: a SIGBUS handler that does only what a handler may (write, unlink, _exit). What it needs
// is stored before it is armed; the driver is single-threaded.
#include "inputGuard.h"

#include <csignal>
#include <cstring>
#include <unistd.h>

namespace {
constexpr size_t kMaxOutputPath = 4096;
char gOutputPath[kMaxOutputPath] = {}; // written before the handler is armed, read only by it
int gExitCode = 1;
struct sigaction gPreviousAction {};

void onInputLost(int /*signal*/) {
    static const char kMessage[] =
        "veltrimConvert: the input file was changed by another program while it was converted; no output written\n";
    (void)!::write(STDERR_FILENO, kMessage, sizeof kMessage - 1);
    if (gOutputPath[0] != '\0')
        ::unlink(gOutputPath);
    ::_exit(gExitCode);
}
} // namespace

void armInputGuard(const std::filesystem::path& output, int exitCode) {
    const std::string& path = output.native();
    // A path too long for the store is left in place: a message without the removal is still better than a crash.
    if (path.size() < kMaxOutputPath)
        std::memcpy(gOutputPath, path.c_str(), path.size() + 1);
    else
        gOutputPath[0] = '\0';
    gExitCode = exitCode;
    struct sigaction action {};
    action.sa_handler = onInputLost;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGBUS, &action, &gPreviousAction);
}

void disarmInputGuard() {
    ::sigaction(SIGBUS, &gPreviousAction, nullptr);
    gOutputPath[0] = '\0';
}
