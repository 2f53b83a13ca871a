// The command-line driver's guard over its mapped input: a document that another program shortens while the engine
// reads it ends the driver with a message and without output, instead of a crash. Native only (Windows reads the
// input whole).
#include "inputGuard.h"
#include "rtf/rtfSource.h"
#include "testFiles.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace fs = std::filesystem;
using namespace testing_support;

namespace {
// As the driver runs it: the engine loads (and deletes) a second name of the user's file, which is then emptied
// through its own name before the engine has read it all.
[[noreturn]] void convertWhileTheInputIsEmptied(const fs::path& original, const fs::path& handOver,
                                                const fs::path& output) {
    armInputGuard(output, 1);
    if (loadSourceRtf(handOver) != SourceLoadStatus::Ok)
        std::_Exit(3);
    fs::resize_file(original, 0);
    while (nextSourceByte(0) != 0 || !sourceRtfEnded()) {
    }
    std::_Exit(0);
}

TEST(InputGuardDeathTest, AnInputEmptiedDuringTheConversionEndsTheRunWithAMessage) {
    TempFolder folder;
    const fs::path original = folder.file("document.rtf");
    const fs::path handOver = folder.file("handover.rtf");
    const fs::path output = folder.file("converted.rtf");
    writeFileBytes(original, std::string(size_t(1) << 20, 'a'));
    fs::create_hard_link(original, handOver);
    writeFileBytes(output, "{\\rtf1 half");
    EXPECT_EXIT(convertWhileTheInputIsEmptied(original, handOver, output), ::testing::ExitedWithCode(1),
                "changed by another program");
    EXPECT_FALSE(fs::exists(output));
}
} // namespace
