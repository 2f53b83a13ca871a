// The entry of VeltrimOptions.exe: reads the command line and starts the program (startup.h).
#include "startup.h"

#include <string>

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR commandLine, int) {
    try {
        if (commandLine == nullptr) {
            startOptionsProgram(instance, nullptr, StartMode::MainWindow);
            return 0;
        }
        const CommandLineOptions options = parseCommandLine(std::wstring(commandLine));
        startOptionsProgram(instance, ownerWindowFromValue(options.ownerValue), options.mode);
        return 0;
    } catch (...) {
        // Only the standard library throws (out of memory); nothing can be shown then, the exit code tells.
        return 1;
    }
}
