// Replays the saved fuzz findings (tests/data/fuzz/<target>/*) through the fuzz targets: each once crashed or broke a
// rule of the output, and must now pass cleanly.
#include "fuzzTargets.h"
#include "testFiles.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

using namespace testing_support;

namespace {
int replay(const std::string& folder, int (*target)(const uint8_t*, size_t)) {
    int inputs = 0;
    for (const auto& entry : std::filesystem::directory_iterator(testDataPath("fuzz/" + folder))) {
        const std::string input = readFileBytes(entry.path());
        SCOPED_TRACE(entry.path().filename().string());
        EXPECT_EQ(target(reinterpret_cast<const uint8_t*>(input.data()), input.size()), 0);
        ++inputs;
    }
    return inputs;
}

TEST(FuzzRegression, ConvertEquation) {
    EXPECT_GT(replay("convertEquation", fuzzConvertEquation), 0);
}

TEST(FuzzRegression, RtfPass) {
    EXPECT_GT(replay("rtfPass", fuzzRtfPass), 0);
}
} // namespace
