// Reading a stream out of an OLE compound file held in memory. The file is a run of equal sectors behind a header;
// the FAT links each sector to the next one of its chain, and the DIFAT (109 slots in the header, then DIFAT sectors)
// lists the FAT's own sectors. The directory is a chain of 128-byte entries; each storage's children form a
// red-black tree of siblings. Streams below the mini stream cutoff live in 64-byte mini sectors inside the mini
// stream (the root entry's stream), linked by the mini FAT.
//
// Nothing in the file is trusted: every sector number is checked against the sectors the buffer holds, every chain
// against the number of sectors it could visit (so a chain that loops is caught before it runs away), every size
// against the bytes that could hold it before anything is allocated. The tree's colours and order are ignored.
//
// Fields are read where they lie, only when needed: the allocation tables one entry at a time as chains are followed,
// the directory entries' names only when their length matches. So a file held as hex text is never decoded whole:
// the reader is written once over a source of bytes, which is either the bytes themselves or their hex text. Every
// check happens before any stream byte is copied, so a read that fails leaves no output behind.
#include "objects/compoundFileReader.h"

#include "mtef/hexText.h"

#include <algorithm>
#include <cstring>

namespace {
constexpr uint64_t kSignature = 0xe11ab1a1e011cfd0; // d0 cf 11 e0 a1 b1 1a e1, read as a little-endian number

// Header fields, by byte offset.
constexpr size_t kHeaderSize = 512;          // the fields; a version 4 header sector is padded to 4096 bytes
constexpr size_t kMajorVersionOffset = 26;   // 2 bytes each: major version, byte order mark, sector shift, mini shift
constexpr size_t kFatSectorCountOffset = 44; // 4 bytes each from here: see readHeader
constexpr size_t kHeaderDifatOffset = 76;    // the first FAT sector numbers
constexpr size_t kHeaderDifatSlots = 109;

// Directory entry fields, by byte offset within the 128-byte entry.
constexpr size_t kDirectoryEntrySize = 128;
constexpr uint32_t kDirectoryEntryShift = 7;  // log2 of kDirectoryEntrySize
constexpr size_t kEntryNameLengthOffset = 64; // 2 bytes: the name's length in bytes, its terminating zero included
constexpr size_t kEntryChildOffset = 76;      // 4 bytes: a storage's child in the tree below it
constexpr size_t kEntryClassIdOffset = 80;    // 16 bytes: a storage's class id
constexpr size_t kEntryStartOffset = 116;     // 4 bytes start sector, then 8 bytes stream size
constexpr size_t kMaxNameBytes = 64;          // 31 UTF-16 units and the terminating zero
constexpr size_t kMaxNameUnits = kMaxNameBytes / 2 - 1;

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

// Where the file's bytes come from. number(offset, count) gives the little-endian number of `count` (at most 8) bytes
// and bytes(offset, count, out) copies `count` bytes out, from an offset that the caller (a ByteReader) has checked
// against the file's size.
struct ByteSource { // the bytes themselves
    const uint8_t* data;
    uint64_t number(size_t offset, size_t count) const {
        uint64_t value = 0;
        for (size_t i = 0; i < count; ++i) // low byte first: the compiler makes one load of a fixed count
            value |= uint64_t(data[offset + i]) << (8 * i);
        return value;
    }
    void bytes(size_t offset, size_t count, uint8_t* out) const { std::memcpy(out, data + offset, count); }
};
struct HexSource { // the bytes as hex text, two characters a byte, as decodeHexText reads them
    const char* text;
    uint64_t number(size_t offset, size_t count) const { return hexLittleEndianValue(text + 2 * offset, count); }
    void bytes(size_t offset, size_t count, uint8_t* out) const {
        decodeHexText(std::string_view(text + 2 * offset, 2 * count), out);
    }
};

// A bounded reader of little-endian fields over file bytes [base, base + length). A read past the end clears `ok` and
// returns 0, so a run of fields is read first and `ok` checked once.
template <typename Source> struct ByteReader {
    Source source;
    size_t base;
    size_t length;
    size_t position;
    bool ok;
};

template <typename Source> uint64_t readLittleEndian(ByteReader<Source>& reader, size_t count) {
    if (!reader.ok || reader.length < count || reader.position > reader.length - count) {
        reader.ok = false;
        return 0;
    }
    const uint64_t value = reader.source.number(reader.base + reader.position, count);
    reader.position += count;
    return value;
}

// Reads `count` bytes into `out`, or clears `ok` and leaves `out` alone.
template <typename Source> void readBytes(ByteReader<Source>& reader, uint8_t* out, size_t count) {
    if (!reader.ok || reader.length < count || reader.position > reader.length - count) {
        reader.ok = false;
        return;
    }
    reader.source.bytes(reader.base + reader.position, count, out);
    reader.position += count;
}

template <typename Source> uint16_t readU16(ByteReader<Source>& reader) {
    return uint16_t(readLittleEndian(reader, 2));
}
template <typename Source> uint32_t readU32(ByteReader<Source>& reader) {
    return uint32_t(readLittleEndian(reader, 4));
}

struct Header {
    uint32_t fatSectorCount;
    uint32_t firstDirectorySector;
    uint32_t firstMiniFatSector;
    uint32_t firstDifatSector;
};

template <typename Source> struct CompoundFile {
    Source source;
    size_t size;
    CompoundFileScratch& lists; // fatSectors and directory hold the file's, once it is open
    bool version4;
    uint32_t sectorShift;
    size_t sectorSize;
    uint32_t sectorCount; // sectors that begin inside the buffer; the last one may be cut short
};

// A directory entry found whole inside the buffer: where it lies, and the fields the tree walk needs.
struct DirectoryEntry {
    size_t offset;
    uint16_t nameBytes;
    uint8_t type;
    uint32_t left;
    uint32_t right;
};

// Where a stream's bytes are, once every check has passed: `size` bytes in the units of CompoundFileScratch::chain,
// which are sectors, or mini sectors of the mini stream (whose sectors are CompoundFileScratch::miniStream).
struct StreamPlace {
    uint64_t size;
    bool inMiniStream;
};

// A reader over one sector; sector 0 follows the header sector. A sector cut short by the end of the buffer gives a
// reader over what is there, so reads past that fail.
template <typename Source> ByteReader<Source> sectorReader(const CompoundFile<Source>& file, uint32_t sector) {
    if (sector >= file.sectorCount)
        return {file.source, 0, 0, 0, false};
    const size_t offset = size_t((uint64_t(sector) + 1) << file.sectorShift); // below size: see readHeader
    return {file.source, offset, std::min(file.sectorSize, file.size - offset), 0, true};
}

template <typename Source> CompoundFileStatus readHeader(CompoundFile<Source>& file, Header& header) {
    if (file.size < kHeaderSize)
        return CompoundFileStatus::NotCompoundFile;
    // The fields before the DIFAT slots are read from a copy made in one go: decoded once when the file is hex text.
    uint8_t fields[kHeaderDifatOffset];
    ByteReader<Source> whole{file.source, 0, file.size, 0, true};
    readBytes(whole, fields, sizeof fields);
    ByteReader<ByteSource> reader{ByteSource{fields}, 0, sizeof fields, 0, whole.ok};
    if (readLittleEndian(reader, sizeof kSignature) != kSignature)
        return CompoundFileStatus::NotCompoundFile;
    reader.position = kMajorVersionOffset;
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
template <typename Source>
CompoundFileStatus readFatSectorList(const CompoundFile<Source>& file, const Header& header) {
    std::vector<uint32_t>& list = file.lists.fatSectors;
    list.clear();
    if (header.fatSectorCount > file.sectorCount)
        return CompoundFileStatus::Corrupt;
    std::vector<uint8_t>& taken = file.lists.marks;
    taken.assign(file.sectorCount, 0);
    ByteReader<Source> slots{file.source, 0, file.size, kHeaderDifatOffset, true};
    while (list.size() < header.fatSectorCount && list.size() < kHeaderDifatSlots)
        list.push_back(readU32(slots));
    const size_t numbersPerDifatSector = file.sectorSize / 4 - 1;
    uint32_t next = header.firstDifatSector;
    while (list.size() < header.fatSectorCount) {
        if (next >= file.sectorCount || taken[next])
            return CompoundFileStatus::Corrupt;
        taken[next] = 1;
        ByteReader<Source> difat = sectorReader(file, next);
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
        taken[sector] = 1;
    }
    return slots.ok ? CompoundFileStatus::Ok : CompoundFileStatus::Corrupt;
}

// An allocation table (the FAT or the mini FAT) is read from its sectors entry by entry as chains are followed, so
// its sectors are checked to be whole once, here, and its entries then read without a check each.
template <typename Source>
CompoundFileStatus checkTableSectors(const CompoundFile<Source>& file, const std::vector<uint32_t>& sectors) {
    for (uint32_t sector : sectors) {
        const ByteReader<Source> reader = sectorReader(file, sector);
        if (!reader.ok || reader.length < file.sectorSize)
            return CompoundFileStatus::Corrupt;
    }
    return CompoundFileStatus::Ok;
}

// Entry `index` of the table kept in `sectors`: index is below the table's size (its sectors' numbers together), and
// the sectors passed checkTableSectors.
template <typename Source>
uint32_t tableEntry(const CompoundFile<Source>& file, const std::vector<uint32_t>& sectors, uint32_t index) {
    const uint32_t numbersShift = file.sectorShift - 2; // 128 or 1024 numbers a sector
    const uint64_t sectorStart = (uint64_t(sectors[index >> numbersShift]) + 1) << file.sectorShift;
    const size_t offset = size_t(sectorStart) + 4 * size_t(index & ((1u << numbersShift) - 1));
    return uint32_t(file.source.number(offset, 4));
}

// Follows a chain of the table kept in `tableSectors` from `start` to its end marker. Each link must be below `limit`
// (the sectors that exist) and have a table entry. A chain without loops visits each sector at most once, so one that
// grows past `limit` loops.
template <typename Source>
CompoundFileStatus followChain(const CompoundFile<Source>& file, const std::vector<uint32_t>& tableSectors,
                               uint32_t start, uint64_t limit, std::vector<uint32_t>& chain) {
    chain.clear();
    const uint64_t tableSize = uint64_t(tableSectors.size()) << (file.sectorShift - 2);
    for (uint32_t sector = start; sector != kEndOfChain; sector = tableEntry(file, tableSectors, sector)) {
        if (sector >= limit || sector >= tableSize || chain.size() >= limit)
            return CompoundFileStatus::Corrupt;
        chain.push_back(sector);
    }
    return CompoundFileStatus::Ok;
}

// Checks that `size` bytes stored in the units (sectors or mini sectors) of `chain` lie inside a source of
// `sourceSize` bytes, where unit n begins at (n + firstUnit) << unitShift. The chain may run on past the data; it may
// not stop short of it.
CompoundFileStatus checkChainHolds(const std::vector<uint32_t>& chain, uint32_t unitShift, uint64_t firstUnit,
                                   uint64_t size, uint64_t sourceSize) {
    const uint64_t unitSize = uint64_t(1) << unitShift;
    if (chain.size() < (size >> unitShift) + ((size & (unitSize - 1)) != 0))
        return CompoundFileStatus::Corrupt;
    for (uint64_t done = 0, i = 0; done < size; done += unitSize, ++i) {
        const uint64_t count = std::min(unitSize, size - done);
        const uint64_t offset = (uint64_t(chain[size_t(i)]) + firstUnit) << unitShift;
        if (sourceSize < count || offset > sourceSize - count)
            return CompoundFileStatus::Corrupt;
    }
    return CompoundFileStatus::Ok;
}

// A stream kept in the file's own sectors (the streams at or above the cutoff, and the mini stream): its chain goes
// into `chain`.
template <typename Source>
CompoundFileStatus locateSectorStream(const CompoundFile<Source>& file, uint32_t start, uint64_t size,
                                      std::vector<uint32_t>& chain) {
    // No larger than all sectors together: checked before anything is allocated, and before the size is narrowed
    // to size_t on 32-bit builds.
    if (size > file.size - file.sectorSize)
        return CompoundFileStatus::Corrupt;
    const CompoundFileStatus status = followChain(file, file.lists.fatSectors, start, file.sectorCount, chain);
    if (status != CompoundFileStatus::Ok)
        return status;
    return checkChainHolds(chain, file.sectorShift, 1, size, file.size);
}

// The reader over directory entry `id`, when the directory has that entry and it lies whole inside the buffer.
template <typename Source> bool entryReader(const CompoundFile<Source>& file, uint32_t id, ByteReader<Source>& entry) {
    const uint32_t entriesShift = file.sectorShift - kDirectoryEntryShift; // 4 or 32 entries a sector
    if ((id >> entriesShift) >= file.lists.directory.size())
        return false;
    const ByteReader<Source> sector = sectorReader(file, file.lists.directory[id >> entriesShift]);
    const size_t base = size_t(id & ((1u << entriesShift) - 1)) << kDirectoryEntryShift;
    if (!sector.ok || sector.length < kDirectoryEntrySize || base > sector.length - kDirectoryEntrySize)
        return false;
    entry = {file.source, sector.base + base, kDirectoryEntrySize, 0, true};
    return true;
}

template <typename Source>
bool readDirectoryEntry(const CompoundFile<Source>& file, uint32_t id, DirectoryEntry& entry) {
    ByteReader<Source> reader{};
    if (!entryReader(file, id, reader))
        return false;
    entry.offset = reader.base;
    // The fields the walk needs lie together: they are read from a copy made in one go (decoded once from hex text).
    uint8_t fields[kEntryChildOffset - kEntryNameLengthOffset];
    reader.position = kEntryNameLengthOffset;
    readBytes(reader, fields, sizeof fields);
    ByteReader<ByteSource> copy{ByteSource{fields}, 0, sizeof fields, 0, reader.ok};
    entry.nameBytes = readU16(copy);
    entry.type = uint8_t(readLittleEndian(copy, 1));
    copy.position += 1; // colour: the tree is walked whole, so balance does not matter
    entry.left = readU32(copy);
    entry.right = readU32(copy);
    return copy.ok;
}

// The first of a storage entry's children.
template <typename Source> uint32_t readEntryChild(const CompoundFile<Source>& file, const DirectoryEntry& entry) {
    ByteReader<Source> reader{file.source, entry.offset, kDirectoryEntrySize, kEntryChildOffset, true};
    return readU32(reader);
}

// The start sector and size of an entry's stream.
template <typename Source>
void readEntryStream(const CompoundFile<Source>& file, const DirectoryEntry& entry, uint32_t& start, uint64_t& size) {
    ByteReader<Source> reader{file.source, entry.offset, kDirectoryEntrySize, kEntryStartOffset, true};
    uint8_t fields[kDirectoryEntrySize - kEntryStartOffset];
    readBytes(reader, fields, sizeof fields);
    ByteReader<ByteSource> copy{ByteSource{fields}, 0, sizeof fields, 0, reader.ok};
    start = readU32(copy);
    size = readLittleEndian(copy, 8);
    // Version 3 writers may leave garbage in the high half of the size.
    if (!file.version4)
        size &= 0xffffffff;
}

char16_t upperCase(char16_t unit) {
    for (const LowerCaseRun& run : kLowerCaseRuns)
        if (unit >= run.first && unit <= run.last)
            return char16_t(run.upperOfFirst + (unit - run.first));
    return unit;
}

// The entry's name (whose length field has been checked, so at most kMaxNameUnits long) against `name`: lengths first,
// then the units, which mostly match as they are, so that only the others are upper-cased.
template <typename Source>
bool nameMatches(const CompoundFile<Source>& file, const DirectoryEntry& entry, std::u16string_view name) {
    if (size_t(entry.nameBytes / 2 - 1) != name.size())
        return false;
    uint8_t bytes[kMaxNameUnits * 2];
    ByteReader<Source> reader{file.source, entry.offset, kDirectoryEntrySize, 0, true};
    readBytes(reader, bytes, 2 * name.size());
    for (size_t i = 0; reader.ok && i < name.size(); ++i) {
        const char16_t unit = char16_t(bytes[2 * i] | bytes[2 * i + 1] << 8);
        if (unit != name[i] && upperCase(unit) != upperCase(name[i]))
            return false;
    }
    return reader.ok;
}

// Looks for `name` among the root's children. Neither the tree's colours nor its order are trusted: every entry
// reachable from the root's child is visited once, from an explicit stack, and an entry reached twice (a loop, or an
// entry with two parents) makes the file corrupt. So does a name found twice: which one Windows opens depends on the
// tree's order. So the walk goes on after a match.
template <typename Source>
CompoundFileStatus findRootChild(const CompoundFile<Source>& file, uint32_t firstChild, std::u16string_view name,
                                 DirectoryEntry& found) {
    const size_t entryCount = file.lists.directory.size() << (file.sectorShift - kDirectoryEntryShift);
    std::vector<uint8_t>& visited = file.lists.marks;
    visited.assign(entryCount, 0);
    visited[0] = 1; // the root is nobody's sibling
    std::vector<uint32_t>& pending = file.lists.pending;
    pending.assign(1, firstChild);
    bool matched = false;
    while (!pending.empty()) {
        const uint32_t id = pending.back();
        pending.pop_back();
        if (id == kNoEntry)
            continue;
        DirectoryEntry entry;
        if (id >= entryCount || visited[id] || !readDirectoryEntry(file, id, entry))
            return CompoundFileStatus::Corrupt;
        visited[id] = 1;
        const bool nameValid = entry.nameBytes % 2 == 0 && entry.nameBytes >= 2 && entry.nameBytes <= kMaxNameBytes;
        if (!nameValid || (entry.type != EntryStorage && entry.type != EntryStream))
            return CompoundFileStatus::Corrupt;
        if (nameMatches(file, entry, name)) {
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

// A stream below the cutoff: its mini sectors are found through the mini FAT inside the mini stream, whose sectors
// are checked to hold all of it although only the stream's mini sectors are read later.
template <typename Source>
CompoundFileStatus locateMiniStream(const CompoundFile<Source>& file, const Header& header, const DirectoryEntry& root,
                                    uint32_t start, uint64_t size) {
    uint32_t miniStreamStart = 0;
    uint64_t miniStreamSize = 0;
    readEntryStream(file, root, miniStreamStart, miniStreamSize);
    if (size > miniStreamSize)
        return CompoundFileStatus::Corrupt;
    CompoundFileScratch& lists = file.lists;
    CompoundFileStatus status = locateSectorStream(file, miniStreamStart, miniStreamSize, lists.miniStream);
    if (status == CompoundFileStatus::Ok)
        status = followChain(file, lists.fatSectors, header.firstMiniFatSector, file.sectorCount, lists.miniFatSectors);
    if (status == CompoundFileStatus::Ok)
        status = checkTableSectors(file, lists.miniFatSectors);
    const uint64_t miniSectorCount = (miniStreamSize + (1u << kMiniSectorShift) - 1) >> kMiniSectorShift;
    if (status == CompoundFileStatus::Ok)
        status = followChain(file, lists.miniFatSectors, start, miniSectorCount, lists.chain);
    if (status == CompoundFileStatus::Ok)
        status = checkChainHolds(lists.chain, kMiniSectorShift, 0, size, miniStreamSize);
    return status;
}

// Reads the header, the FAT's sector list and the directory's chain, and the root entry.
template <typename Source>
CompoundFileStatus openCompoundFile(CompoundFile<Source>& file, Header& header, DirectoryEntry& root) {
    CompoundFileStatus status = readHeader(file, header);
    if (status == CompoundFileStatus::Ok)
        status = readFatSectorList(file, header);
    if (status == CompoundFileStatus::Ok)
        status = checkTableSectors(file, file.lists.fatSectors);
    if (status == CompoundFileStatus::Ok)
        status = followChain(file, file.lists.fatSectors, header.firstDirectorySector, file.sectorCount,
                             file.lists.directory);
    if (status == CompoundFileStatus::Ok && (!readDirectoryEntry(file, 0, root) || root.type != EntryRoot))
        status = CompoundFileStatus::Corrupt;
    return status;
}

// Opens the file and finds the stream `name` in it, checking everything about it that copying it out needs.
template <typename Source>
CompoundFileStatus locateStream(CompoundFile<Source>& file, std::u16string_view name, StreamPlace& place) {
    Header header{};
    DirectoryEntry root{};
    DirectoryEntry entry{};
    CompoundFileStatus status = openCompoundFile(file, header, root);
    if (status == CompoundFileStatus::Ok)
        status = findRootChild(file, readEntryChild(file, root), name, entry);
    if (status != CompoundFileStatus::Ok)
        return status;
    uint32_t start = 0;
    readEntryStream(file, entry, start, place.size);
    place.inMiniStream = place.size < kMiniStreamCutoff;
    if (place.size == 0)
        return CompoundFileStatus::Ok;
    return place.inMiniStream ? locateMiniStream(file, header, root, start, place.size)
                              : locateSectorStream(file, start, place.size, file.lists.chain);
}

// Where unit `index` of a located stream begins in the file. A mini sector lies inside one sector of the mini stream
// (64 divides the sector size), and locateMiniStream checked that sector to hold it.
template <typename Source>
uint64_t unitOffset(const CompoundFile<Source>& file, const StreamPlace& place, size_t index) {
    const uint32_t unit = file.lists.chain[index];
    if (!place.inMiniStream)
        return (uint64_t(unit) + 1) << file.sectorShift;
    const uint64_t inMiniStream = uint64_t(unit) << kMiniSectorShift;
    const uint32_t sector = file.lists.miniStream[size_t(inMiniStream >> file.sectorShift)];
    return ((uint64_t(sector) + 1) << file.sectorShift) + (inMiniStream & (file.sectorSize - 1));
}

// Hands the located stream's bytes to copy(fileOffset, count) in order, in runs: units that follow each other in the
// file (as a writer usually leaves them) make one run.
template <typename Source, typename Copy>
void copyStream(const CompoundFile<Source>& file, const StreamPlace& place, Copy copy) {
    const uint64_t unitSize = uint64_t(1) << (place.inMiniStream ? kMiniSectorShift : file.sectorShift);
    uint64_t runStart = 0;
    uint64_t runSize = 0;
    for (uint64_t done = 0, i = 0; done < place.size; done += unitSize, ++i) {
        const uint64_t count = std::min(unitSize, place.size - done);
        const uint64_t offset = unitOffset(file, place, size_t(i));
        if (offset != runStart + runSize) {
            if (runSize != 0)
                copy(size_t(runStart), size_t(runSize));
            runStart = offset;
            runSize = 0;
        }
        runSize += count;
    }
    if (runSize != 0)
        copy(size_t(runStart), size_t(runSize));
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

CompoundFileStatus readCompoundFileRootClass(const uint8_t* data, size_t size,
                                             std::array<uint8_t, kCompoundFileClassIdSize>& classId) {
    classId.fill(0);
    CompoundFileScratch lists;
    CompoundFile<ByteSource> file{ByteSource{data}, size, lists, false, 0, 0, 0};
    Header header{};
    DirectoryEntry root{};
    const CompoundFileStatus status = openCompoundFile(file, header, root);
    if (status == CompoundFileStatus::Ok)
        std::memcpy(classId.data(), data + root.offset + kEntryClassIdOffset, kCompoundFileClassIdSize);
    return status;
}

CompoundFileStatus readCompoundFileStream(const uint8_t* data, size_t size, std::u16string_view streamName,
                                          std::vector<uint8_t>& out) {
    CompoundFileScratch lists;
    return readCompoundFileStream(data, size, streamName, out, lists);
}

CompoundFileStatus readCompoundFileStream(const uint8_t* data, size_t size, std::u16string_view streamName,
                                          std::vector<uint8_t>& out, CompoundFileScratch& scratch) {
    out.clear();
    CompoundFile<ByteSource> file{ByteSource{data}, size, scratch, false, 0, 0, 0};
    StreamPlace place{};
    const CompoundFileStatus status = locateStream(file, streamName, place);
    if (status != CompoundFileStatus::Ok)
        return status;
    // The size is below the buffer's: locateSectorStream and locateMiniStream checked it.
    out.resize(size_t(place.size));
    uint8_t* write = out.data();
    copyStream(file, place, [&](size_t offset, size_t count) {
        std::memcpy(write, data + offset, count);
        write += count;
    });
    return CompoundFileStatus::Ok;
}

CompoundFileStatus readCompoundFileStreamHex(std::string_view hex, std::u16string_view streamName, std::string& outHex,
                                             CompoundFileScratch& scratch) {
    CompoundFile<HexSource> file{HexSource{hex.data()}, hex.size() / 2, scratch, false, 0, 0, 0};
    StreamPlace place{};
    const CompoundFileStatus status = locateStream(file, streamName, place);
    if (status != CompoundFileStatus::Ok)
        return status;
    outHex.reserve(outHex.size() + 2 * size_t(place.size));
    copyStream(file, place, [&](size_t offset, size_t count) {
        const size_t at = outHex.size();
        outHex.append(hex.data() + 2 * offset, 2 * count);
        writeLowercaseHex(&outHex[at], count, &outHex[at]);
    });
    return CompoundFileStatus::Ok;
}
