// Reading a stream out of an OLE compound file held in memory. The file is a run of equal sectors behind a header;
// the FAT links each sector to the next one of its chain, and the DIFAT (109 slots in the header, then DIFAT sectors)
// lists the FAT's own sectors. The directory is a chain of 128-byte entries; each storage's children form a
// red-black tree of siblings. Streams below the mini stream cutoff live in 64-byte mini sectors inside the mini
// stream (the root entry's stream), linked by the mini FAT.
//
// Nothing in the file is trusted: every sector number is checked against the sectors the buffer holds, every chain
// against the number of sectors it could visit (so a chain that loops is caught before it runs away), every size
// against the bytes that could hold it before anything is allocated. The tree's colours and order are ignored.
#include "compoundFileReader.h"

#include <algorithm>
#include <cstring>

namespace {
constexpr uint8_t kSignature[8] = {0xd0, 0xcf, 0x11, 0xe0, 0xa1, 0xb1, 0x1a, 0xe1};

// Header fields, by byte offset.
constexpr size_t kHeaderSize = 512;          // the fields; a version 4 header sector is padded to 4096 bytes
constexpr size_t kMajorVersionOffset = 26;   // 2 bytes each: major version, byte order mark, sector shift, mini shift
constexpr size_t kFatSectorCountOffset = 44; // 4 bytes each from here: see readHeader
constexpr size_t kHeaderDifatOffset = 76;    // the first FAT sector numbers
constexpr size_t kHeaderDifatSlots = 109;

// Directory entry fields, by byte offset within the 128-byte entry.
constexpr size_t kDirectoryEntrySize = 128;
constexpr size_t kEntryNameLengthOffset = 64; // 2 bytes: the name's length in bytes, its terminating zero included
constexpr size_t kEntryClassIdOffset = 80;    // 16 bytes: a storage's class id
constexpr size_t kEntryStartOffset = 116;     // 4 bytes start sector, then 8 bytes stream size
constexpr size_t kMaxNameBytes = 64;          // 31 UTF-16 units and the terminating zero

// Sector numbers above kMaxRegularSector are markers (DIFAT, FAT, end of chain, free).
constexpr uint32_t kMaxRegularSector = 0xfffffffa;
constexpr uint32_t kEndOfChain = 0xfffffffe;
constexpr uint32_t kNoEntry = 0xffffffff; // no sibling or child

constexpr uint32_t kMiniSectorShift = 6;
constexpr uint32_t kMiniStreamCutoff = 4096; // the only cutoff the format allows

enum EntryType : uint8_t { EntryUnused = 0, EntryStorage = 1, EntryStream = 2, EntryRoot = 5 };

// Lower-case letters whose upper case sits at a fixed distance: the letters the format's case folding and Windows
// agree on for ASCII and Latin-1. Other characters compare as they are.
struct LowerCaseRun {
    char16_t first;
    char16_t last;
    char16_t upperOfFirst;
};
// clang-format off
constexpr LowerCaseRun kLowerCaseRuns[] = {
    // first     last       upper case of first
    {u'a',       u'z',      u'A'},
    {u'\u00e0',  u'\u00f6', u'\u00c0'}, // a grave .. o diaeresis (not the division sign)
    {u'\u00f8',  u'\u00fe', u'\u00d8'}, // o stroke .. thorn
    {u'\u00ff',  u'\u00ff', u'\u0178'}, // y diaeresis: its upper case is in Latin Extended-A
};
// clang-format on

// A bounded reader of little-endian fields. A read past the end clears `ok` and returns 0, so a run of fields is
// read first and `ok` checked once.
struct ByteReader {
    const uint8_t* data;
    size_t length;
    size_t position;
    bool ok;
};

uint64_t readLittleEndian(ByteReader& reader, size_t count) {
    if (!reader.ok || reader.length < count || reader.position > reader.length - count) {
        reader.ok = false;
        return 0;
    }
    uint64_t value = 0;
    for (size_t i = count; i-- > 0;)
        value = value << 8 | reader.data[reader.position + i];
    reader.position += count;
    return value;
}

uint16_t readU16(ByteReader& reader) {
    return uint16_t(readLittleEndian(reader, 2));
}
uint32_t readU32(ByteReader& reader) {
    return uint32_t(readLittleEndian(reader, 4));
}

struct Header {
    uint32_t fatSectorCount;
    uint32_t firstDirectorySector;
    uint32_t firstMiniFatSector;
    uint32_t firstDifatSector;
};

struct CompoundFile {
    const uint8_t* data;
    size_t size;
    bool version4;
    uint32_t sectorShift;
    size_t sectorSize;
    uint32_t sectorCount;            // sectors that begin inside the buffer; the last one may be cut short
    std::vector<uint32_t> fat;       // the next sector of each sector's chain
    std::vector<uint32_t> directory; // the directory's sectors, in order
};

struct DirectoryEntry {
    char16_t name[kMaxNameBytes / 2];
    uint16_t nameBytes;
    uint8_t type;
    uint32_t left;
    uint32_t right;
    uint32_t child;
    uint32_t start;
    uint64_t size;
    uint8_t classId[kCompoundFileClassIdSize];
};

// A reader over one sector; sector 0 follows the header sector. A sector cut short by the end of the buffer gives a
// reader over what is there, so reads past that fail.
ByteReader sectorReader(const CompoundFile& file, uint32_t sector) {
    if (sector >= file.sectorCount)
        return {nullptr, 0, 0, false};
    const size_t offset = size_t((uint64_t(sector) + 1) << file.sectorShift); // below size: see readHeader
    return {file.data + offset, std::min(file.sectorSize, file.size - offset), 0, true};
}

CompoundFileStatus readHeader(CompoundFile& file, Header& header) {
    if (file.size < kHeaderSize || std::memcmp(file.data, kSignature, sizeof kSignature) != 0)
        return CompoundFileStatus::NotCompoundFile;
    ByteReader reader{file.data, file.size, kMajorVersionOffset, true};
    const uint16_t majorVersion = readU16(reader);
    const uint16_t byteOrder = readU16(reader);
    const uint16_t sectorShift = readU16(reader);
    const uint16_t miniSectorShift = readU16(reader);
    if ((majorVersion != 3 && majorVersion != 4) || byteOrder != 0xfffe)
        return CompoundFileStatus::Unsupported;
    file.version4 = majorVersion == 4;
    if (sectorShift != (file.version4 ? 12 : 9) || miniSectorShift != kMiniSectorShift)
        return CompoundFileStatus::Corrupt;
    reader.position = kFatSectorCountOffset;
    header.fatSectorCount = readU32(reader);
    header.firstDirectorySector = readU32(reader);
    readU32(reader); // transaction signature
    const uint32_t miniStreamCutoff = readU32(reader);
    header.firstMiniFatSector = readU32(reader);
    readU32(reader); // mini FAT sector count: the chain itself says
    header.firstDifatSector = readU32(reader);
    file.sectorShift = sectorShift;
    file.sectorSize = size_t(1) << sectorShift;
    if (!reader.ok || miniStreamCutoff != kMiniStreamCutoff || file.size < file.sectorSize)
        return CompoundFileStatus::Corrupt;
    // Sectors that begin before the end; every one of them begins below `size`, which sectorReader relies on.
    const uint64_t count = (uint64_t(file.size - file.sectorSize) + file.sectorSize - 1) >> sectorShift;
    file.sectorCount = uint32_t(std::min<uint64_t>(count, uint64_t(kMaxRegularSector) + 1));
    return CompoundFileStatus::Ok;
}

// Lists the FAT's sectors: the header's slots first, then the DIFAT sectors, each a run of FAT sector numbers ending
// with the number of the next DIFAT sector. FAT and DIFAT sectors must all be distinct, which also stops a DIFAT
// chain that loops.
CompoundFileStatus readFatSectorList(const CompoundFile& file, const Header& header, std::vector<uint32_t>& list) {
    if (header.fatSectorCount > file.sectorCount)
        return CompoundFileStatus::Corrupt;
    std::vector<bool> taken(file.sectorCount);
    ByteReader slots{file.data, file.size, kHeaderDifatOffset, true};
    while (list.size() < header.fatSectorCount && list.size() < kHeaderDifatSlots)
        list.push_back(readU32(slots));
    const size_t numbersPerDifatSector = file.sectorSize / 4 - 1;
    uint32_t next = header.firstDifatSector;
    while (list.size() < header.fatSectorCount) {
        if (next >= file.sectorCount || taken[next])
            return CompoundFileStatus::Corrupt;
        taken[next] = true;
        ByteReader difat = sectorReader(file, next);
        for (size_t i = 0; i < numbersPerDifatSector && list.size() < header.fatSectorCount; ++i)
            list.push_back(readU32(difat));
        difat.position = numbersPerDifatSector * 4;
        next = readU32(difat);
        if (!difat.ok)
            return CompoundFileStatus::Corrupt;
    }
    for (uint32_t sector : list) {
        if (sector >= file.sectorCount || taken[sector])
            return CompoundFileStatus::Corrupt;
        taken[sector] = true;
    }
    return slots.ok ? CompoundFileStatus::Ok : CompoundFileStatus::Corrupt;
}

// Reads an allocation table (the FAT or the mini FAT) from its sectors, which must be whole.
CompoundFileStatus readTable(const CompoundFile& file, const std::vector<uint32_t>& sectors,
                             std::vector<uint32_t>& table) {
    const size_t numbersPerSector = file.sectorSize / 4;
    table.resize(sectors.size() * numbersPerSector);
    uint32_t* write = table.data();
    for (uint32_t sector : sectors) {
        // The whole sector is checked once, then decoded without a check per number: tables are the bulk of what
        // is read per object.
        const ByteReader reader = sectorReader(file, sector);
        if (!reader.ok || reader.length < numbersPerSector * 4)
            return CompoundFileStatus::Corrupt;
        for (size_t i = 0; i < numbersPerSector; ++i, ++write) {
            const uint8_t* number = reader.data + 4 * i;
            *write = uint32_t(number[0]) | uint32_t(number[1]) << 8 | uint32_t(number[2]) << 16 |
                     uint32_t(number[3]) << 24;
        }
    }
    return CompoundFileStatus::Ok;
}

// Follows a chain of `table` from `start` to its end marker. Each link must be below `limit` (the sectors that
// exist) and have a table entry. A chain without loops visits each sector at most once, so one that grows past
// `limit` loops.
CompoundFileStatus followChain(const std::vector<uint32_t>& table, uint32_t start, uint64_t limit,
                               std::vector<uint32_t>& chain) {
    chain.clear();
    for (uint32_t sector = start; sector != kEndOfChain; sector = table[sector]) {
        if (sector >= limit || sector >= table.size() || chain.size() >= limit)
            return CompoundFileStatus::Corrupt;
        chain.push_back(sector);
    }
    return CompoundFileStatus::Ok;
}

// Copies `size` bytes stored in the units (sectors or mini sectors) of `chain` out of `source`, where unit n begins
// at (n + firstUnit) << unitShift. The chain may run on past the data; it may not stop short of it.
CompoundFileStatus copyChain(const uint8_t* source, size_t sourceSize, uint32_t unitShift, uint64_t firstUnit,
                             const std::vector<uint32_t>& chain, size_t size, std::vector<uint8_t>& out) {
    const size_t unitSize = size_t(1) << unitShift;
    if (chain.size() < (size >> unitShift) + ((size & (unitSize - 1)) != 0))
        return CompoundFileStatus::Corrupt;
    out.resize(size);
    for (size_t done = 0, i = 0; done < size; done += unitSize, ++i) {
        const size_t count = std::min(unitSize, size - done);
        const uint64_t offset = (uint64_t(chain[i]) + firstUnit) << unitShift;
        if (sourceSize < count || offset > sourceSize - count)
            return CompoundFileStatus::Corrupt;
        std::memcpy(out.data() + done, source + offset, count);
    }
    return CompoundFileStatus::Ok;
}

// A stream kept in the file's own sectors: the streams at or above the cutoff, and the mini stream.
CompoundFileStatus readSectorStream(const CompoundFile& file, uint32_t start, uint64_t size,
                                    std::vector<uint8_t>& out) {
    // No larger than all sectors together: checked before anything is allocated, and before the size is narrowed
    // to size_t on 32-bit builds.
    if (size > file.size - file.sectorSize)
        return CompoundFileStatus::Corrupt;
    std::vector<uint32_t> chain;
    CompoundFileStatus status = followChain(file.fat, start, file.sectorCount, chain);
    if (status != CompoundFileStatus::Ok)
        return status;
    return copyChain(file.data, file.size, file.sectorShift, 1, chain, size_t(size), out);
}

// A stream below the cutoff: its mini sectors are found through the mini FAT inside the root entry's stream.
CompoundFileStatus readMiniStream(const CompoundFile& file, const Header& header, const DirectoryEntry& root,
                                  const DirectoryEntry& entry, std::vector<uint8_t>& out) {
    if (entry.size > root.size)
        return CompoundFileStatus::Corrupt;
    std::vector<uint8_t> miniStream;
    std::vector<uint32_t> miniFatSectors;
    std::vector<uint32_t> miniFat;
    std::vector<uint32_t> chain;
    CompoundFileStatus status = readSectorStream(file, root.start, root.size, miniStream);
    if (status == CompoundFileStatus::Ok)
        status = followChain(file.fat, header.firstMiniFatSector, file.sectorCount, miniFatSectors);
    if (status == CompoundFileStatus::Ok)
        status = readTable(file, miniFatSectors, miniFat);
    const uint64_t miniSectorCount = (uint64_t(miniStream.size()) + (1u << kMiniSectorShift) - 1) >> kMiniSectorShift;
    if (status == CompoundFileStatus::Ok)
        status = followChain(miniFat, entry.start, miniSectorCount, chain);
    if (status != CompoundFileStatus::Ok)
        return status;
    return copyChain(miniStream.data(), miniStream.size(), kMiniSectorShift, 0, chain, size_t(entry.size), out);
}

bool readDirectoryEntry(const CompoundFile& file, uint32_t id, DirectoryEntry& entry) {
    const size_t entriesPerSector = file.sectorSize / kDirectoryEntrySize;
    if (id / entriesPerSector >= file.directory.size())
        return false;
    ByteReader reader = sectorReader(file, file.directory[id / entriesPerSector]);
    const size_t base = id % entriesPerSector * kDirectoryEntrySize;
    reader.position = base;
    for (char16_t& unit : entry.name)
        unit = char16_t(readU16(reader));
    reader.position = base + kEntryNameLengthOffset;
    entry.nameBytes = readU16(reader);
    entry.type = uint8_t(readLittleEndian(reader, 1));
    readLittleEndian(reader, 1); // colour: the tree is walked whole, so balance does not matter
    entry.left = readU32(reader);
    entry.right = readU32(reader);
    entry.child = readU32(reader);
    reader.position = base + kEntryClassIdOffset;
    for (uint8_t& byte : entry.classId)
        byte = uint8_t(readLittleEndian(reader, 1));
    reader.position = base + kEntryStartOffset;
    entry.start = readU32(reader);
    entry.size = readLittleEndian(reader, 8);
    // Version 3 writers may leave garbage in the high half of the size.
    if (!file.version4)
        entry.size &= 0xffffffff;
    return reader.ok;
}

char16_t upperCase(char16_t unit) {
    for (const LowerCaseRun& run : kLowerCaseRuns)
        if (unit >= run.first && unit <= run.last)
            return char16_t(run.upperOfFirst + (unit - run.first));
    return unit;
}

bool nameMatches(const DirectoryEntry& entry, std::u16string_view name) {
    if (size_t(entry.nameBytes / 2 - 1) != name.size())
        return false;
    for (size_t i = 0; i < name.size(); ++i)
        if (upperCase(entry.name[i]) != upperCase(name[i]))
            return false;
    return true;
}

// Looks for `name` among the root's children. Neither the tree's colours nor its order are trusted: every entry
// reachable from the root's child is visited once, from an explicit stack, and an entry reached twice (a loop, or an
// entry with two parents) makes the file corrupt. So does a name found twice: which one Windows opens depends on the
// tree's order.
CompoundFileStatus findRootChild(const CompoundFile& file, uint32_t firstChild, std::u16string_view name,
                                 DirectoryEntry& found) {
    const size_t entryCount = file.directory.size() * (file.sectorSize / kDirectoryEntrySize);
    std::vector<bool> visited(entryCount);
    visited[0] = true; // the root is nobody's sibling
    std::vector<uint32_t> pending{firstChild};
    bool matched = false;
    while (!pending.empty()) {
        const uint32_t id = pending.back();
        pending.pop_back();
        if (id == kNoEntry)
            continue;
        DirectoryEntry entry;
        if (id >= entryCount || visited[id] || !readDirectoryEntry(file, id, entry))
            return CompoundFileStatus::Corrupt;
        visited[id] = true;
        const bool nameValid = entry.nameBytes % 2 == 0 && entry.nameBytes >= 2 && entry.nameBytes <= kMaxNameBytes;
        if (!nameValid || (entry.type != EntryStorage && entry.type != EntryStream))
            return CompoundFileStatus::Corrupt;
        if (nameMatches(entry, name)) {
            if (matched)
                return CompoundFileStatus::Corrupt;
            matched = true;
            found = entry;
        }
        pending.push_back(entry.left);
        pending.push_back(entry.right);
    }
    return matched && found.type == EntryStream ? CompoundFileStatus::Ok : CompoundFileStatus::StreamNotFound;
}
} // namespace

const char* compoundFileStatusText(CompoundFileStatus status) {
    switch (status) {
    case CompoundFileStatus::Ok:
        return "ok";
    case CompoundFileStatus::NotCompoundFile:
        return "not a compound file";
    case CompoundFileStatus::Unsupported:
        return "unsupported compound file version";
    case CompoundFileStatus::Corrupt:
        return "corrupt compound file";
    case CompoundFileStatus::StreamNotFound:
        return "stream not found";
    }
    return "unknown status";
}

namespace {
// Reads the header, the FAT and the directory's chain, and the root entry.
CompoundFileStatus openCompoundFile(CompoundFile& file, Header& header, DirectoryEntry& root) {
    std::vector<uint32_t> fatSectors;
    CompoundFileStatus status = readHeader(file, header);
    if (status == CompoundFileStatus::Ok)
        status = readFatSectorList(file, header, fatSectors);
    if (status == CompoundFileStatus::Ok)
        status = readTable(file, fatSectors, file.fat);
    if (status == CompoundFileStatus::Ok)
        status = followChain(file.fat, header.firstDirectorySector, file.sectorCount, file.directory);
    if (status == CompoundFileStatus::Ok && (!readDirectoryEntry(file, 0, root) || root.type != EntryRoot))
        status = CompoundFileStatus::Corrupt;
    return status;
}
} // namespace

CompoundFileStatus readCompoundFileRootClass(const uint8_t* data, size_t size,
                                             std::array<uint8_t, kCompoundFileClassIdSize>& classId) {
    classId.fill(0);
    CompoundFile file{data, size, false, 0, 0, 0, {}, {}};
    Header header{};
    DirectoryEntry root{};
    const CompoundFileStatus status = openCompoundFile(file, header, root);
    if (status == CompoundFileStatus::Ok)
        std::copy(std::begin(root.classId), std::end(root.classId), classId.begin());
    return status;
}

CompoundFileStatus readCompoundFileStream(const uint8_t* data, size_t size, std::u16string_view streamName,
                                          std::vector<uint8_t>& out) {
    out.clear();
    CompoundFile file{data, size, false, 0, 0, 0, {}, {}};
    Header header{};
    DirectoryEntry root{};
    DirectoryEntry entry{};
    CompoundFileStatus status = openCompoundFile(file, header, root);
    if (status == CompoundFileStatus::Ok)
        status = findRootChild(file, root.child, streamName, entry);
    if (status == CompoundFileStatus::Ok && entry.size != 0) {
        status = entry.size < kMiniStreamCutoff ? readMiniStream(file, header, root, entry, out)
                                                : readSectorStream(file, entry.start, entry.size, out);
    }
    if (status != CompoundFileStatus::Ok)
        out.clear();
    return status;
}
