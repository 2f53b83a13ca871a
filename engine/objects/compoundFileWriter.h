// Writes small OLE compound files (structured storage) of major version 3 with 512-byte sectors: a root storage of
// a given class holding a handful of streams, without sub-storages, which is all an equation object holds. The same
// template code runs at compile time (the fixed Equation.3 template image) and at run time (the objects the native
// build makes), so both come out in one layout, each part a run of consecutive sectors:
//
//   header | FAT | directory | mini FAT | mini stream | each stream of 4096 bytes or more
//
// Streams below the 4096-byte cutoff live in 64-byte mini sectors inside the mini stream. The directory's sibling
// tree is balanced and coloured as a valid red-black tree: Windows does not check the colours, but the format asks
// for them. No DIFAT sectors are written, so a file that would need more than the header's 109 FAT sectors (about
// 7 MB) is refused; so are more than kMaxCompoundFileStreams streams, empty or over-long names and a name twice.
// Names are ordered with ASCII letters upper-cased only: the callers' names are ASCII.
#pragma once

#include "objects/compoundFileReader.h" // kCompoundFileClassIdSize

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

// One stream of the root storage. The bytes are borrowed for the call.
struct CompoundFileStream {
    std::u16string_view name; // 1 to 31 UTF-16 units
    const uint8_t* data;
    size_t size;
};

constexpr size_t kMaxCompoundFileStreams = 8;

// Where everything goes; `ok` is false until planCompoundFile has checked the streams.
struct CompoundFileLayout {
    bool ok = false;
    uint32_t fatSectors = 0;
    uint32_t directorySectors = 0;
    uint32_t miniFatSectors = 0;
    uint32_t miniStreamSectors = 0;
    uint32_t largeStreamSectors = 0; // all streams at or above the cutoff together
    uint32_t miniSectors = 0;        // 64-byte mini sectors in use
    size_t totalSize = 0;            // bytes of the whole file
};

namespace compound_file_format {
constexpr uint32_t kSectorSize = 512;
constexpr uint32_t kMiniSectorSize = 64;
constexpr uint32_t kMiniStreamCutoff = 4096;
constexpr uint32_t kEntrySize = 128;
constexpr uint32_t kEntriesPerSector = kSectorSize / kEntrySize;
constexpr uint32_t kLinksPerSector = kSectorSize / 4;
constexpr uint32_t kHeaderFatSlots = 109;
constexpr uint32_t kMaxNameUnits = 31;

// Sector and entry markers.
constexpr uint32_t kFreeSector = 0xffffffff;
constexpr uint32_t kEndOfChain = 0xfffffffe;
constexpr uint32_t kFatSector = 0xfffffffd;
constexpr uint32_t kNoEntry = 0xffffffff;

// Directory entry fields, by byte offset within the entry.
constexpr uint32_t kEntryNameLength = 64; // 2 bytes: the name's bytes with the terminating zero
constexpr uint32_t kEntryType = 66;       // 1 byte, then 1 byte colour
constexpr uint32_t kEntryLeft = 68;       // 4 bytes each: left sibling, right sibling, child
constexpr uint32_t kEntryClassId = 80;
constexpr uint32_t kEntryStart = 116; // 4 bytes start sector, then 8 bytes size
constexpr uint8_t kTypeStream = 2;
constexpr uint8_t kTypeRoot = 5;
constexpr uint8_t kRed = 0;
constexpr uint8_t kBlack = 1;

constexpr uint64_t unitsFor(uint64_t bytes, uint64_t unit) {
    return (bytes + unit - 1) / unit;
}

constexpr char16_t upperAscii(char16_t unit) {
    return unit >= u'a' && unit <= u'z' ? char16_t(unit - (u'a' - u'A')) : unit;
}

// The directory's order of names: shorter first, then unit by unit once upper-cased.
constexpr int compareNames(std::u16string_view a, std::u16string_view b) {
    if (a.size() != b.size())
        return a.size() < b.size() ? -1 : 1;
    for (size_t i = 0; i < a.size(); ++i) {
        if (upperAscii(a[i]) != upperAscii(b[i]))
            return upperAscii(a[i]) < upperAscii(b[i]) ? -1 : 1;
    }
    return 0;
}

template <typename Bytes> constexpr void putLe(Bytes& out, size_t offset, uint64_t value, size_t count) {
    for (size_t i = 0; i < count; ++i)
        out[offset + i] = uint8_t(value >> (8 * i));
}

template <typename Bytes> constexpr void putBytes(Bytes& out, size_t offset, const uint8_t* data, size_t count) {
    for (size_t i = 0; i < count; ++i)
        out[offset + i] = data[i];
}

constexpr size_t sectorOffset(uint32_t sector) {
    return (size_t(sector) + 1) * kSectorSize;
}

// The sibling tree over sorted[begin, end): the middle entry at the top, so every level but the last is full. The
// entries of the last level are red unless it is full too, which gives every path the same number of black entries.
struct SiblingTree {
    std::array<uint32_t, kMaxCompoundFileStreams + 1> left{};
    std::array<uint32_t, kMaxCompoundFileStreams + 1> right{};
    std::array<uint8_t, kMaxCompoundFileStreams + 1> depth{};
};

constexpr uint32_t buildSiblings(SiblingTree& tree, const std::array<uint32_t, kMaxCompoundFileStreams>& sorted,
                                 size_t begin, size_t end, uint8_t depth) {
    if (begin == end)
        return kNoEntry;
    const size_t middle = begin + (end - begin) / 2;
    const uint32_t id = sorted[middle];
    tree.depth[id] = depth;
    tree.left[id] = buildSiblings(tree, sorted, begin, middle, uint8_t(depth + 1));
    tree.right[id] = buildSiblings(tree, sorted, middle + 1, end, uint8_t(depth + 1));
    return id;
}
} // namespace compound_file_format

// Checks the streams and works out the sectors each part takes.
constexpr CompoundFileLayout planCompoundFile(const CompoundFileStream* streams, size_t count) {
    using namespace compound_file_format;
    CompoundFileLayout layout;
    if (count > kMaxCompoundFileStreams)
        return layout;
    uint64_t miniSectors = 0;
    uint64_t largeSectors = 0;
    for (size_t i = 0; i < count; ++i) {
        const CompoundFileStream& stream = streams[i];
        if (stream.name.empty() || stream.name.size() > kMaxNameUnits || stream.size > 0x7fffffff)
            return layout;
        for (size_t j = 0; j < i; ++j) {
            if (compareNames(stream.name, streams[j].name) == 0)
                return layout;
        }
        if (stream.size < kMiniStreamCutoff)
            miniSectors += unitsFor(stream.size, kMiniSectorSize);
        else
            largeSectors += unitsFor(stream.size, kSectorSize);
    }
    const uint64_t directorySectors = unitsFor(count + 1, kEntriesPerSector);
    const uint64_t miniFatSectors = unitsFor(miniSectors, kLinksPerSector);
    const uint64_t miniStreamSectors = unitsFor(miniSectors * kMiniSectorSize, kSectorSize);
    const uint64_t otherSectors = directorySectors + miniFatSectors + miniStreamSectors + largeSectors;
    // The FAT links its own sectors too.
    uint64_t fatSectors = 1;
    while (fatSectors * kLinksPerSector < otherSectors + fatSectors)
        ++fatSectors;
    if (fatSectors > kHeaderFatSlots)
        return layout;
    layout.fatSectors = uint32_t(fatSectors);
    layout.directorySectors = uint32_t(directorySectors);
    layout.miniFatSectors = uint32_t(miniFatSectors);
    layout.miniStreamSectors = uint32_t(miniStreamSectors);
    layout.largeStreamSectors = uint32_t(largeSectors);
    layout.miniSectors = uint32_t(miniSectors);
    layout.totalSize = size_t(sectorOffset(uint32_t(fatSectors + otherSectors)));
    layout.ok = true;
    return layout;
}

namespace compound_file_format {
template <typename Bytes>
constexpr void putHeader(Bytes& out, const CompoundFileLayout& layout, uint32_t firstDirectory, uint32_t firstMiniFat) {
    constexpr uint8_t kSignature[8] = {0xd0, 0xcf, 0x11, 0xe0, 0xa1, 0xb1, 0x1a, 0xe1};
    putBytes(out, 0, kSignature, sizeof kSignature);
    putLe(out, 24, 0x3e, 2);   // minor version
    putLe(out, 26, 3, 2);      // major version 3: 512-byte sectors
    putLe(out, 28, 0xfffe, 2); // byte order: little-endian
    putLe(out, 30, 9, 2);      // sector shift
    putLe(out, 32, 6, 2);      // mini sector shift
    putLe(out, 44, layout.fatSectors, 4);
    putLe(out, 48, firstDirectory, 4);
    putLe(out, 56, kMiniStreamCutoff, 4);
    putLe(out, 60, layout.miniFatSectors != 0 ? firstMiniFat : kEndOfChain, 4);
    putLe(out, 64, layout.miniFatSectors, 4);
    putLe(out, 68, kEndOfChain, 4); // no DIFAT sectors
    for (uint32_t slot = 0; slot < kHeaderFatSlots; ++slot)
        putLe(out, 76 + 4 * slot, slot < layout.fatSectors ? slot : kFreeSector, 4);
}

// Links `count` consecutive sectors from `first` in the table whose sectors start at `tableSector`.
template <typename Bytes> constexpr void putChain(Bytes& out, uint32_t tableSector, uint32_t first, uint32_t count) {
    for (uint32_t i = 0; i < count; ++i) {
        const uint32_t link = i + 1 < count ? first + i + 1 : kEndOfChain;
        putLe(out, sectorOffset(tableSector) + size_t(first + i) * 4, link, 4);
    }
}

template <typename Bytes>
constexpr void putEntry(Bytes& out, uint32_t firstDirectory, uint32_t id, std::u16string_view name, uint8_t type,
                        uint8_t colour, uint32_t start, uint64_t size) {
    const size_t base = sectorOffset(firstDirectory) + size_t(id) * kEntrySize; // the directory's sectors follow on
    for (size_t i = 0; i < name.size(); ++i)
        putLe(out, base + 2 * i, name[i], 2);
    putLe(out, base + kEntryNameLength, (name.size() + 1) * 2, 2);
    out[base + kEntryType] = type;
    out[base + kEntryType + 1] = colour;
    putLe(out, base + kEntryStart, start, 4);
    putLe(out, base + kEntryStart + 4, size, 8);
}
} // namespace compound_file_format

// Writes the file planned by `layout` into `out`, which holds layout.totalSize zero bytes. `rootClass` is the root
// storage's class id in its stored byte order (kCompoundFileClassIdSize bytes).
template <typename Bytes>
constexpr void fillCompoundFile(Bytes& out, const CompoundFileLayout& layout, const CompoundFileStream* streams,
                                size_t count, const uint8_t* rootClass) {
    using namespace compound_file_format;
    const uint32_t firstDirectory = layout.fatSectors;
    const uint32_t firstMiniFat = firstDirectory + layout.directorySectors;
    const uint32_t firstMiniStream = firstMiniFat + layout.miniFatSectors;
    uint32_t nextLarge = firstMiniStream + layout.miniStreamSectors;
    putHeader(out, layout, firstDirectory, firstMiniFat);

    for (uint32_t i = 0; i < layout.fatSectors * kLinksPerSector; ++i)
        putLe(out, sectorOffset(0) + 4 * size_t(i), i < layout.fatSectors ? kFatSector : kFreeSector, 4);
    for (uint32_t i = 0; i < layout.miniFatSectors * kLinksPerSector; ++i)
        putLe(out, sectorOffset(firstMiniFat) + 4 * size_t(i), kFreeSector, 4);
    putChain(out, 0, firstDirectory, layout.directorySectors);
    putChain(out, 0, firstMiniFat, layout.miniFatSectors);
    putChain(out, 0, firstMiniStream, layout.miniStreamSectors);

    // Every slot of the directory's sectors starts without siblings or child; unused ones stay so.
    for (uint32_t id = 0; id < layout.directorySectors * kEntriesPerSector; ++id) {
        for (uint32_t field = 0; field < 3; ++field)
            putLe(out, sectorOffset(firstDirectory) + size_t(id) * kEntrySize + kEntryLeft + 4 * field, kNoEntry, 4);
    }

    // Stream i is directory entry i + 1.
    std::array<uint32_t, kMaxCompoundFileStreams> sorted{};
    for (size_t i = 0; i < count; ++i) {
        size_t at = i;
        for (; at > 0 && compareNames(streams[i].name, streams[sorted[at - 1] - 1].name) < 0; --at)
            sorted[at] = sorted[at - 1];
        sorted[at] = uint32_t(i + 1);
    }
    SiblingTree tree;
    const uint32_t top = buildSiblings(tree, sorted, 0, count, 0);
    uint8_t lastDepth = 0;
    for (size_t i = 1; i <= count; ++i)
        lastDepth = tree.depth[i] > lastDepth ? tree.depth[i] : lastDepth;
    const bool lastLevelFull = ((count + 1) & count) == 0; // count is 2^k - 1

    uint32_t nextMini = 0;
    for (size_t i = 0; i < count; ++i) {
        const CompoundFileStream& stream = streams[i];
        uint32_t start = kEndOfChain;
        if (stream.size != 0 && stream.size < kMiniStreamCutoff) {
            const uint32_t units = uint32_t(unitsFor(stream.size, kMiniSectorSize));
            start = nextMini;
            putBytes(out, sectorOffset(firstMiniStream) + size_t(start) * kMiniSectorSize, stream.data, stream.size);
            putChain(out, firstMiniFat, start, units);
            nextMini += units;
        } else if (stream.size != 0) {
            const uint32_t sectors = uint32_t(unitsFor(stream.size, kSectorSize));
            start = nextLarge;
            putBytes(out, sectorOffset(start), stream.data, stream.size);
            putChain(out, 0, start, sectors);
            nextLarge += sectors;
        }
        const uint32_t id = uint32_t(i + 1);
        const uint8_t colour = !lastLevelFull && tree.depth[id] == lastDepth ? kRed : kBlack;
        putEntry(out, firstDirectory, id, stream.name, kTypeStream, colour, start, stream.size);
        const size_t base = sectorOffset(firstDirectory) + size_t(id) * kEntrySize;
        putLe(out, base + kEntryLeft, tree.left[id], 4);
        putLe(out, base + kEntryLeft + 4, tree.right[id], 4);
    }

    const uint32_t rootStart = layout.miniStreamSectors != 0 ? firstMiniStream : kEndOfChain;
    putEntry(out, firstDirectory, 0, u"Root Entry", kTypeRoot, kBlack, rootStart,
             uint64_t(layout.miniSectors) * kMiniSectorSize);
    putLe(out, sectorOffset(firstDirectory) + kEntryLeft + 8, top, 4);
    putBytes(out, sectorOffset(firstDirectory) + kEntryClassId, rootClass, kCompoundFileClassIdSize);
}

// The whole file as a fixed-size image, for constant tables: Size must be planCompoundFile(...).totalSize, which the
// caller checks with a static_assert.
template <size_t Size>
constexpr std::array<uint8_t, Size> compoundFileImage(const CompoundFileStream* streams, size_t count,
                                                      const uint8_t* rootClass) {
    std::array<uint8_t, Size> image{};
    const CompoundFileLayout layout = planCompoundFile(streams, count);
    if (layout.ok && layout.totalSize == Size)
        fillCompoundFile(image, layout, streams, count, rootClass);
    return image;
}

// The same at run time. False (and `out` empty) when planCompoundFile refuses the streams.
bool writeCompoundFile(const CompoundFileStream* streams, size_t count, const uint8_t* rootClass,
                       std::vector<uint8_t>& out);
