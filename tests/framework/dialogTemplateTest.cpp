// The skinned window's in-memory dialog template: the golden byte dump, the title's place and length limit, and the
// block never written past its 218 bytes whatever the title. Portable: runs natively and under Wine.
#include "dialogTemplate.h"

#include "testFiles.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {
constexpr uint8_t kGuard = 0xA5;
constexpr size_t kGuardBytes = 64;

// The bytes of a hex dump file: pairs of hex digits separated by white space; lines starting with # are comments.
std::vector<uint8_t> readHexDump(const std::string& name) {
    std::ifstream in(testing_support::testDataPath(name));
    std::vector<uint8_t> bytes;
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#')
            continue;
        std::istringstream words(line);
        std::string word;
        while (words >> word)
            bytes.push_back(static_cast<uint8_t>(std::stoul(word, nullptr, 16)));
    }
    return bytes;
}

// The block as runSkinnedDialog hands it over (zeroed), followed by guard bytes that must stay untouched.
struct Block {
    std::vector<uint8_t> bytes = std::vector<uint8_t>(kSkinnedTemplateSize, 0);
    size_t written = 0;

    explicit Block(DialogUnitSize size, const std::wstring& title) {
        bytes.resize(kSkinnedTemplateSize + kGuardBytes, kGuard);
        written = writeSkinnedDialogTemplate(bytes.data(), size, title);
    }
    bool guardIntact() const {
        for (size_t i = kSkinnedTemplateSize; i < bytes.size(); ++i)
            if (bytes[i] != kGuard)
                return false;
        return true;
    }
    uint16_t word(size_t offset) const { return static_cast<uint16_t>(bytes[offset] | (bytes[offset + 1] << 8)); }
};

TEST(DialogTemplateTest, MatchesTheGoldenDump) {
    const std::vector<uint8_t> golden = readHexDump("skinnedDialogTemplate.hex");
    ASSERT_EQ(golden.size(), 56u);
    const Block block(DialogUnitSize{256, 245}, L"Veltrim Sorvanta");
    ASSERT_EQ(block.written, golden.size());
    EXPECT_TRUE(std::equal(golden.begin(), golden.end(), block.bytes.begin()));
    for (size_t i = golden.size(); i < kSkinnedTemplateSize; ++i)
        EXPECT_EQ(block.bytes[i], 0) << "byte " << i << " past the template";
}

TEST(DialogTemplateTest, TitleLengths) {
    struct Case {
        size_t titleLength;
        size_t writtenUnits; // title units in the block, before the terminating zero
    };
    const Case cases[] = {
        {0, 0}, {1, 1}, {96, 96}, {97, 97}, {98, 97}, {200, 97}, {5000, 97},
    };
    for (size_t row = 0; row < std::size(cases); ++row) {
        const Case& c = cases[row];
        std::wstring title;
        for (size_t i = 0; i < c.titleLength; ++i)
            title += static_cast<wchar_t>(L'A' + i % 26);
        const Block block(DialogUnitSize{100, 200}, title);
        EXPECT_TRUE(block.guardIntact()) << "row " << row;
        EXPECT_EQ(block.written, 22 + 2 * (c.writtenUnits + 1)) << "row " << row;
        EXPECT_LE(block.written, kSkinnedTemplateSize) << "row " << row;
        for (size_t i = 0; i < c.writtenUnits; ++i)
            ASSERT_EQ(block.word(22 + 2 * i), static_cast<uint16_t>(title[i])) << "row " << row << " unit " << i;
        EXPECT_EQ(block.word(22 + 2 * c.writtenUnits), 0) << "row " << row << ": the title ends with a zero";
        EXPECT_EQ(block.word(14), 100) << "row " << row;
        EXPECT_EQ(block.word(16), 200) << "row " << row;
    }
}
} // namespace
