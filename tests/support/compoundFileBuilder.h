// A small writer of OLE compound files for the reader's tests: version 3 (512-byte sectors) or version 4 (4096-byte
// sectors), streams below the cutoff in the mini stream and the others in sectors of their own, storages nested as
// deep as wanted, a DIFAT when the FAT outgrows the header's slots. It writes well-formed files only; the tests
// damage them afterwards through the offsets it reports. Sibling trees are built balanced and all black.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace testing_support {

// A stream or a storage of the file to build.
struct CompoundFileNode {
    std::u16string name;
    bool isStorage = false;
    std::vector<uint8_t> bytes;             // a stream's content
    std::vector<CompoundFileNode> children; // a storage's entries
};

CompoundFileNode streamNode(std::u16string name, std::vector<uint8_t> bytes);
CompoundFileNode storageNode(std::u16string name, std::vector<CompoundFileNode> children);

// `size` bytes of a recognisable pattern that differs from stream to stream with `seed`.
std::vector<uint8_t> patternBytes(size_t size, uint32_t seed);

struct BuiltCompoundFile {
    std::vector<uint8_t> bytes;
    size_t sectorSize = 512;
    std::vector<std::u16string> entryNames; // by directory entry id; 0 is the root entry
    std::vector<uint32_t> fatSectors;       // the FAT's sectors, in order
    std::vector<uint32_t> difatSectors;     // the DIFAT's sectors, in order (none below 110 FAT sectors)
    std::vector<uint32_t> directorySectors; // the directory's sectors, in order
};

// Builds a file whose root storage holds `rootChildren`. `majorVersion` is 3 or 4.
BuiltCompoundFile buildCompoundFile(const std::vector<CompoundFileNode>& rootChildren, int majorVersion = 3);

// Byte offsets of the parts the robustness tests damage.
size_t sectorOffset(const BuiltCompoundFile& file, uint32_t sector);
size_t entryOffset(const BuiltCompoundFile& file, std::u16string_view name); // the first entry of that name
size_t entryOffsetOfId(const BuiltCompoundFile& file, size_t id);            // also the unused slots past the last
size_t fatEntryOffset(const BuiltCompoundFile& file, uint32_t sector);       // the FAT's link out of `sector`

// Header fields and directory entry fields, by byte offset.
constexpr size_t kHeaderMajorVersion = 26;
constexpr size_t kHeaderSectorShift = 30;
constexpr size_t kHeaderFatSectorCount = 44;
constexpr size_t kHeaderFirstDirectorySector = 48;
constexpr size_t kHeaderMiniStreamCutoff = 56;
constexpr size_t kHeaderFirstMiniFatSector = 60;
constexpr size_t kHeaderFirstDifatSector = 68;
constexpr size_t kHeaderDifat = 76;
constexpr size_t kEntryNameLength = 64;
constexpr size_t kEntryType = 66;
constexpr size_t kEntryLeft = 68;
constexpr size_t kEntryRight = 72;
constexpr size_t kEntryChild = 76;
constexpr size_t kEntryStart = 116;
constexpr size_t kEntrySize = 120;

constexpr uint32_t kEndOfChainSector = 0xfffffffe;
constexpr uint32_t kFreeSector = 0xffffffff;
constexpr uint32_t kNoSibling = 0xffffffff;

uint32_t readLe32(const std::vector<uint8_t>& bytes, size_t offset);
void writeLe32(std::vector<uint8_t>& bytes, size_t offset, uint32_t value);
void writeLe16(std::vector<uint8_t>& bytes, size_t offset, uint16_t value);

} // namespace testing_support
