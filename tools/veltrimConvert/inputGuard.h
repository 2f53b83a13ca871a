// The driver's guard over the engine's mapped input. Natively the engine maps the file it loads, and the driver hands
// it a second name of the user's own file; should that file be shortened by another program during the conversion,
// reading the lost pages raises SIGBUS. Under the guard that signal ends the driver with a message and the incomplete
// output removed, instead of a crash. On Windows the engine reads its input whole and the guard does nothing.
#pragma once

#include <filesystem>

// Arms the guard for one conversion into `output` (removed when the input is lost). `exitCode` is the driver's.
void armInputGuard(const std::filesystem::path& output, int exitCode);
// Disarms it again once the engine has finished with the input.
void disarmInputGuard();
