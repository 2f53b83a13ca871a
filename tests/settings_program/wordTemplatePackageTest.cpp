// The generated Word start-up template: a ZIP package whose entries are whole (CRC-checked), whose main part has the
// macro-enabled template content type, whose relationships point at parts that are there, and whose entries carry
// the fixed time stamp that makes every build write the same bytes.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <regex>
#include <string>

namespace {
std::filesystem::path templatePath() {
#ifdef _WIN32
    return std::filesystem::path("Z:" VELTRIM_WORD_TEMPLATE); // the build's Unix path, through Wine's drive Z:
#else
    return std::filesystem::path(VELTRIM_WORD_TEMPLATE);
#endif
}

uint32_t crc32Of(const std::string& bytes) {
    std::array<uint32_t, 256> table{};
    for (uint32_t n = 0; n < 256; ++n) {
        uint32_t c = n;
        for (int k = 0; k < 8; ++k)
            c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        table[n] = c;
    }
    uint32_t crc = 0xFFFFFFFFu;
    for (unsigned char byte : bytes)
        crc = table[(crc ^ byte) & 0xFF] ^ (crc >> 8);
    return crc ^ 0xFFFFFFFFu;
}

struct Entry {
    uint16_t method = 0;
    uint16_t time = 0;
    uint16_t date = 0;
    uint32_t crc = 0;
    std::string data;
};

// A bounds-checked little-endian reader over the package bytes.
struct Reader {
    const std::string& bytes;
    bool ok = true;
    uint32_t read(size_t pos, size_t width) {
        if (pos > bytes.size() || width > bytes.size() - pos) {
            ok = false;
            return 0;
        }
        uint32_t value = 0;
        for (size_t i = 0; i < width; ++i)
            value |= uint32_t(uint8_t(bytes[pos + i])) << (8 * i);
        return value;
    }
};

// Entries by name, in central directory order (names listed in `order`); empty when the package is malformed.
std::map<std::string, Entry> readPackage(const std::string& bytes, std::vector<std::string>& order) {
    std::map<std::string, Entry> entries;
    Reader reader{bytes};
    if (bytes.size() < 22)
        return entries;
    const size_t end = bytes.size() - 22; // no archive comment
    if (reader.read(end, 4) != 0x06054b50)
        return entries;
    const uint32_t count = reader.read(end + 10, 2);
    size_t pos = reader.read(end + 16, 4);
    for (uint32_t n = 0; n < count && reader.ok; ++n) {
        if (reader.read(pos, 4) != 0x02014b50)
            return {};
        Entry entry;
        entry.method = uint16_t(reader.read(pos + 10, 2));
        entry.time = uint16_t(reader.read(pos + 12, 2));
        entry.date = uint16_t(reader.read(pos + 14, 2));
        entry.crc = reader.read(pos + 16, 4);
        const uint32_t compressed = reader.read(pos + 20, 4);
        const uint32_t nameLength = reader.read(pos + 28, 2);
        const uint32_t extraLength = reader.read(pos + 30, 2);
        const uint32_t commentLength = reader.read(pos + 32, 2);
        const uint32_t local = reader.read(pos + 42, 4);
        if (!reader.ok || pos + 46 + nameLength > bytes.size())
            return {};
        const std::string name = bytes.substr(pos + 46, nameLength);
        const size_t dataStart = local + 30 + reader.read(local + 26, 2) + reader.read(local + 28, 2);
        if (reader.read(local, 4) != 0x04034b50 || !reader.ok || dataStart > bytes.size() ||
            compressed > bytes.size() - dataStart)
            return {};
        entry.data = bytes.substr(dataStart, compressed);
        entries[name] = entry;
        order.push_back(name);
        pos += 46 + nameLength + extraLength + commentLength;
    }
    return reader.ok ? entries : std::map<std::string, Entry>();
}

class WordTemplatePackage : public ::testing::Test {
protected:
    void SetUp() override {
        std::ifstream in(templatePath(), std::ios::binary);
        ASSERT_TRUE(in.good()) << templatePath();
        bytes_.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        entries_ = readPackage(bytes_, order_);
        ASSERT_FALSE(entries_.empty()) << "not a readable ZIP package";
    }

    std::string bytes_;
    std::vector<std::string> order_;
    std::map<std::string, Entry> entries_;
};

TEST_F(WordTemplatePackage, EntriesAreWholeAndStamped) {
    EXPECT_EQ(order_.front(), "[Content_Types].xml");
    for (const auto& [name, entry] : entries_) {
        EXPECT_EQ(entry.method, 0) << name << ": stored, so that no compressor version changes the bytes";
        EXPECT_EQ(entry.crc, crc32Of(entry.data)) << name;
        EXPECT_EQ(entry.date, (0 << 9) | (1 << 5) | 1) << name << ": 1980-01-01";
        EXPECT_EQ(entry.time, 0) << name;
        EXPECT_EQ(entry.data.compare(0, 5, "<?xml"), 0) << name;
    }
}

TEST_F(WordTemplatePackage, MainPartIsAMacroEnabledTemplate) {
    const struct {
        const char* part;
        const char* mustContain;
    } cases[] = {
        {"[Content_Types].xml", "<Override PartName=\"/word/document.xml\" "
                                "ContentType=\"application/vnd.ms-word.template.macroEnabledTemplate.main+xml\"/>"},
        {"[Content_Types].xml",
         "<Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"},
        {"_rels/.rels", "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument\" "
                        "Target=\"word/document.xml\""},
        {"word/document.xml", "<w:document xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\">"},
        {"word/document.xml", "<w:body>"},
    };
    for (size_t row = 0; row < std::size(cases); ++row) {
        ASSERT_TRUE(entries_.count(cases[row].part)) << "row " << row;
        EXPECT_NE(entries_[cases[row].part].data.find(cases[row].mustContain), std::string::npos) << "row " << row;
    }
}

TEST_F(WordTemplatePackage, EveryNamedPartIsThere) {
    // Overrides name parts with a leading slash, package relationships relative to the root.
    const std::regex override("PartName=\"/([^\"]+)\"");
    const std::string& types = entries_["[Content_Types].xml"].data;
    for (std::sregex_iterator it(types.begin(), types.end(), override), end; it != end; ++it)
        EXPECT_TRUE(entries_.count((*it)[1].str())) << (*it)[1].str();
    const std::regex target("Target=\"([^\"]+)\"");
    const std::string& rels = entries_["_rels/.rels"].data;
    int targets = 0;
    for (std::sregex_iterator it(rels.begin(), rels.end(), target), end; it != end; ++it, ++targets)
        EXPECT_TRUE(entries_.count((*it)[1].str())) << (*it)[1].str();
    EXPECT_GE(targets, 1);
}
} // namespace
