// The test writer of compound files. Layout: the streams at or above the cutoff first, then the mini stream, the
// mini FAT and the directory, each a run of consecutive sectors, and last the FAT and DIFAT sectors.
#include "compoundFileBuilder.h"

#include <algorithm>

namespace testing_support {
namespace {
constexpr size_t kEntryBytes = 128;
constexpr size_t kMiniSectorSize = 64;
constexpr size_t kMiniStreamCutoff = 4096;
constexpr size_t kHeaderSlots = 109;
constexpr uint32_t kFatSectorMarker = 0xfffffffd;
constexpr uint32_t kDifatSectorMarker = 0xfffffffc;
constexpr uint8_t kStorage = 1;
constexpr uint8_t kStream = 2;
constexpr uint8_t kRoot = 5;

struct FlatEntry {
    std::u16string name;
    uint8_t type;
    const CompoundFileNode* node; // null for the root
    std::vector<uint32_t> children;
    uint32_t left = kNoSibling;
    uint32_t right = kNoSibling;
    uint32_t child = kNoSibling;
    uint32_t start = kEndOfChainSector;
    uint64_t size = 0;
};

struct SectorWriter {
    size_t sectorSize;
    std::vector<uint8_t> sectors; // everything behind the header sector
    std::vector<uint32_t> fat;
};

// Appends `bytes` as a chain of fresh consecutive sectors and returns its first sector.
uint32_t appendChain(SectorWriter& writer, const std::vector<uint8_t>& bytes) {
    if (bytes.empty())
        return kEndOfChainSector;
    const uint32_t first = uint32_t(writer.fat.size());
    const size_t count = (bytes.size() + writer.sectorSize - 1) / writer.sectorSize;
    for (size_t i = 0; i < count; ++i)
        writer.fat.push_back(i + 1 < count ? uint32_t(first + i + 1) : kEndOfChainSector);
    writer.sectors.insert(writer.sectors.end(), bytes.begin(), bytes.end());
    writer.sectors.resize(writer.fat.size() * writer.sectorSize);
    return first;
}

void appendLe32(std::vector<uint8_t>& bytes, uint32_t value) {
    bytes.resize(bytes.size() + 4);
    writeLe32(bytes, bytes.size() - 4, value);
}

void flatten(const std::vector<CompoundFileNode>& nodes, uint32_t parent, std::vector<FlatEntry>& entries) {
    for (const CompoundFileNode& node : nodes) {
        const uint32_t id = uint32_t(entries.size());
        entries.push_back({node.name, node.isStorage ? kStorage : kStream, &node, {}});
        entries[parent].children.push_back(id);
        if (node.isStorage)
            flatten(node.children, id, entries);
    }
}

// The directory's order: shorter names first, then by upper-cased units (ASCII is enough for the tests' names).
bool nameLess(const std::u16string& a, const std::u16string& b) {
    if (a.size() != b.size())
        return a.size() < b.size();
    auto upper = [](char16_t c) { return c >= u'a' && c <= u'z' ? char16_t(c - 32) : c; };
    for (size_t i = 0; i < a.size(); ++i)
        if (upper(a[i]) != upper(b[i]))
            return upper(a[i]) < upper(b[i]);
    return false;
}

uint32_t balancedTree(std::vector<FlatEntry>& entries, const std::vector<uint32_t>& sorted, size_t begin, size_t end) {
    if (begin == end)
        return kNoSibling;
    const size_t middle = begin + (end - begin) / 2;
    const uint32_t id = sorted[middle];
    entries[id].left = balancedTree(entries, sorted, begin, middle);
    entries[id].right = balancedTree(entries, sorted, middle + 1, end);
    return id;
}

std::vector<uint8_t> directoryBytes(const std::vector<FlatEntry>& entries, size_t sectorSize) {
    const size_t perSector = sectorSize / kEntryBytes;
    const size_t slots = (entries.size() + perSector - 1) / perSector * perSector;
    std::vector<uint8_t> bytes(slots * kEntryBytes);
    for (size_t id = 0; id < slots; ++id) {
        const size_t base = id * kEntryBytes;
        writeLe32(bytes, base + kEntryLeft, kNoSibling);
        writeLe32(bytes, base + kEntryRight, kNoSibling);
        writeLe32(bytes, base + kEntryChild, kNoSibling);
        if (id >= entries.size())
            continue; // an unused slot
        const FlatEntry& entry = entries[id];
        for (size_t i = 0; i < entry.name.size(); ++i)
            writeLe16(bytes, base + 2 * i, entry.name[i]);
        writeLe16(bytes, base + kEntryNameLength, uint16_t((entry.name.size() + 1) * 2));
        bytes[base + kEntryType] = entry.type;
        bytes[base + kEntryType + 1] = 1; // black
        writeLe32(bytes, base + kEntryLeft, entry.left);
        writeLe32(bytes, base + kEntryRight, entry.right);
        writeLe32(bytes, base + kEntryChild, entry.child);
        writeLe32(bytes, base + kEntryStart, entry.type == kStorage ? 0 : entry.start);
        writeLe32(bytes, base + kEntrySize, uint32_t(entry.size));
        writeLe32(bytes, base + kEntrySize + 4, uint32_t(entry.size >> 32));
    }
    return bytes;
}

// Places the streams' data: small ones in the mini stream, the others in sectors; then the mini stream itself.
// Returns the first mini FAT sector.
uint32_t placeStreams(SectorWriter& writer, std::vector<FlatEntry>& entries) {
    std::vector<uint8_t> miniStream;
    std::vector<uint8_t> miniFat;
    for (FlatEntry& entry : entries) {
        if (entry.type != kStream)
            continue;
        const std::vector<uint8_t>& bytes = entry.node->bytes;
        entry.size = bytes.size();
        if (bytes.size() >= kMiniStreamCutoff) {
            entry.start = appendChain(writer, bytes);
        } else if (!bytes.empty()) {
            entry.start = uint32_t(miniStream.size() / kMiniSectorSize);
            const size_t count = (bytes.size() + kMiniSectorSize - 1) / kMiniSectorSize;
            for (size_t i = 0; i < count; ++i)
                appendLe32(miniFat, i + 1 < count ? uint32_t(entry.start + i + 1) : kEndOfChainSector);
            miniStream.insert(miniStream.end(), bytes.begin(), bytes.end());
            miniStream.resize(miniStream.size() +
                              (kMiniSectorSize - miniStream.size() % kMiniSectorSize) % kMiniSectorSize);
        }
    }
    entries[0].start = appendChain(writer, miniStream);
    entries[0].size = miniStream.size();
    while (miniFat.size() % writer.sectorSize != 0)
        appendLe32(miniFat, kFreeSector);
    return appendChain(writer, miniFat);
}

// Appends the FAT sectors and, past the header's slots, the DIFAT sectors that list them.
void appendAllocationTables(SectorWriter& writer, BuiltCompoundFile& built) {
    const size_t perSector = writer.sectorSize / 4;
    const size_t used = writer.fat.size();
    size_t fatCount = 1;
    size_t difatCount = 0;
    for (;; ++fatCount) {
        difatCount = fatCount > kHeaderSlots ? (fatCount - kHeaderSlots + perSector - 2) / (perSector - 1) : 0;
        if (fatCount * perSector >= used + fatCount + difatCount)
            break;
    }
    for (size_t i = 0; i < fatCount; ++i)
        built.fatSectors.push_back(uint32_t(used + i));
    for (size_t i = 0; i < difatCount; ++i)
        built.difatSectors.push_back(uint32_t(used + fatCount + i));
    writer.fat.insert(writer.fat.end(), fatCount, kFatSectorMarker);
    writer.fat.insert(writer.fat.end(), difatCount, kDifatSectorMarker);
    writer.fat.resize(fatCount * perSector, kFreeSector);
    for (uint32_t link : writer.fat)
        appendLe32(writer.sectors, link);
    for (size_t d = 0; d < difatCount; ++d) {
        for (size_t i = 0; i < perSector - 1; ++i) {
            const size_t index = kHeaderSlots + d * (perSector - 1) + i;
            appendLe32(writer.sectors, index < fatCount ? built.fatSectors[index] : kFreeSector);
        }
        appendLe32(writer.sectors, d + 1 < difatCount ? built.difatSectors[d + 1] : kEndOfChainSector);
    }
}

std::vector<uint8_t> headerBytes(const BuiltCompoundFile& built, int majorVersion, uint32_t firstMiniFat,
                                 size_t miniFatSectors) {
    static const uint8_t kSignature[8] = {0xd0, 0xcf, 0x11, 0xe0, 0xa1, 0xb1, 0x1a, 0xe1};
    std::vector<uint8_t> header(built.sectorSize);
    std::copy(std::begin(kSignature), std::end(kSignature), header.begin());
    writeLe16(header, 24, 0x3e);
    writeLe16(header, kHeaderMajorVersion, uint16_t(majorVersion));
    writeLe16(header, 28, 0xfffe);
    writeLe16(header, kHeaderSectorShift, majorVersion == 4 ? 12 : 9);
    writeLe16(header, 32, 6);
    writeLe32(header, 40, majorVersion == 4 ? uint32_t(built.directorySectors.size()) : 0);
    writeLe32(header, kHeaderFatSectorCount, uint32_t(built.fatSectors.size()));
    writeLe32(header, kHeaderFirstDirectorySector, built.directorySectors.front());
    writeLe32(header, kHeaderMiniStreamCutoff, uint32_t(kMiniStreamCutoff));
    writeLe32(header, kHeaderFirstMiniFatSector, firstMiniFat);
    writeLe32(header, kHeaderFirstMiniFatSector + 4, uint32_t(miniFatSectors));
    writeLe32(header, kHeaderFirstDifatSector,
              built.difatSectors.empty() ? kEndOfChainSector : built.difatSectors.front());
    writeLe32(header, kHeaderFirstDifatSector + 4, uint32_t(built.difatSectors.size()));
    for (size_t i = 0; i < kHeaderSlots; ++i)
        writeLe32(header, kHeaderDifat + 4 * i, i < built.fatSectors.size() ? built.fatSectors[i] : kFreeSector);
    return header;
}
} // namespace

CompoundFileNode streamNode(std::u16string name, std::vector<uint8_t> bytes) {
    return {std::move(name), false, std::move(bytes), {}};
}

CompoundFileNode storageNode(std::u16string name, std::vector<CompoundFileNode> children) {
    return {std::move(name), true, {}, std::move(children)};
}

std::vector<uint8_t> patternBytes(size_t size, uint32_t seed) {
    std::vector<uint8_t> bytes(size);
    for (size_t i = 0; i < size; ++i)
        bytes[i] = uint8_t((uint32_t(i) * 2654435761u + seed * 0x9e3779b9u) >> 24);
    return bytes;
}

BuiltCompoundFile buildCompoundFile(const std::vector<CompoundFileNode>& rootChildren, int majorVersion) {
    BuiltCompoundFile built;
    built.sectorSize = majorVersion == 4 ? 4096 : 512;
    std::vector<FlatEntry> entries{{u"Root Entry", kRoot, nullptr, {}}};
    flatten(rootChildren, 0, entries);
    for (FlatEntry& entry : entries) {
        std::vector<uint32_t> sorted = entry.children;
        std::sort(sorted.begin(), sorted.end(),
                  [&](uint32_t a, uint32_t b) { return nameLess(entries[a].name, entries[b].name); });
        entry.child = balancedTree(entries, sorted, 0, sorted.size());
    }
    SectorWriter writer{built.sectorSize, {}, {}};
    const uint32_t firstMiniFat = placeStreams(writer, entries);
    const size_t miniFatSectors = firstMiniFat == kEndOfChainSector ? 0 : writer.fat.size() - firstMiniFat;
    const uint32_t firstDirectory = appendChain(writer, directoryBytes(entries, built.sectorSize));
    for (uint32_t sector = firstDirectory; sector < writer.fat.size(); ++sector)
        built.directorySectors.push_back(sector);
    appendAllocationTables(writer, built);
    for (const FlatEntry& entry : entries)
        built.entryNames.push_back(entry.name);
    built.bytes = headerBytes(built, majorVersion, firstMiniFat, miniFatSectors);
    built.bytes.insert(built.bytes.end(), writer.sectors.begin(), writer.sectors.end());
    return built;
}

size_t sectorOffset(const BuiltCompoundFile& file, uint32_t sector) {
    return (size_t(sector) + 1) * file.sectorSize;
}

size_t entryOffset(const BuiltCompoundFile& file, std::u16string_view name) {
    return entryOffsetOfId(
        file, size_t(std::find(file.entryNames.begin(), file.entryNames.end(), name) - file.entryNames.begin()));
}

size_t entryOffsetOfId(const BuiltCompoundFile& file, size_t id) {
    const size_t perSector = file.sectorSize / kEntryBytes;
    return sectorOffset(file, file.directorySectors.at(id / perSector)) + id % perSector * kEntryBytes;
}

size_t fatEntryOffset(const BuiltCompoundFile& file, uint32_t sector) {
    const size_t perSector = file.sectorSize / 4;
    return sectorOffset(file, file.fatSectors.at(sector / perSector)) + sector % perSector * 4;
}

uint32_t readLe32(const std::vector<uint8_t>& bytes, size_t offset) {
    return uint32_t(bytes.at(offset)) | uint32_t(bytes.at(offset + 1)) << 8 | uint32_t(bytes.at(offset + 2)) << 16 |
           uint32_t(bytes.at(offset + 3)) << 24;
}

void writeLe32(std::vector<uint8_t>& bytes, size_t offset, uint32_t value) {
    for (size_t i = 0; i < 4; ++i)
        bytes.at(offset + i) = uint8_t(value >> (8 * i));
}

void writeLe16(std::vector<uint8_t>& bytes, size_t offset, uint16_t value) {
    bytes.at(offset) = uint8_t(value);
    bytes.at(offset + 1) = uint8_t(value >> 8);
}

} // namespace testing_support
