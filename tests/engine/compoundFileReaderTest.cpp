// The compound file reader: lookups in files of the test writer (both versions), "Equation Native" out of the real
// equation objects, and damaged files (truncated, bit-flipped, and with chains, sizes, sibling links and header fields
// broken on purpose), which must end with a clean status and never read outside the buffer. Every read is made twice,
// from the bytes and from their hex text, and both must agree; hex text with upper case and stray characters must
// read as its decoded bytes do.
#include "objects/compoundFileReader.h"
#include "compoundFileBuilder.h"
#include "mtef/hexText.h"
#include "realObjects.h"
#include "testFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <random>
#include <string>

void PrintTo(CompoundFileStatus status, std::ostream* out) {
    *out << compoundFileStatusText(status);
}

using namespace testing_support;

namespace {
struct ReadResult {
    CompoundFileStatus status;
    std::vector<uint8_t> bytes;
};

// An exactly sized copy of the first `size` bytes, so that the sanitizer sees any read past the end.
std::vector<uint8_t> prefix(const std::vector<uint8_t>& file, size_t size) {
    return std::vector<uint8_t>(file.begin(), file.begin() + std::ptrdiff_t(size));
}

// The hex text reader over `hex`, from an exactly sized copy so that the sanitizer sees any read past the end, with
// one scratch record for all reads of the test program (as a conversion job keeps one), so that nothing a read leaves
// in it can change the next one. The stream's hex is appended to what `outHex` holds.
CompoundFileStatus readHexExact(std::string_view hex, std::u16string_view name, std::string& outHex) {
    static CompoundFileScratch scratch;
    const std::vector<char> exact(hex.begin(), hex.end());
    return readCompoundFileStreamHex(std::string_view(exact.data(), exact.size()), name, outHex, scratch);
}

// Reads `exact` as it is: the callers pass vectors without spare capacity (see prefix). The same file as hex text
// (`hex`, which the caller has at hand) must read the same through the hex reader, which decodes only the parts it
// reads.
ReadResult readExact(const std::vector<uint8_t>& exact, std::string_view hex, std::u16string_view name) {
    ReadResult result{CompoundFileStatus::Ok, {}};
    result.status = readCompoundFileStream(exact.data(), exact.size(), name, result.bytes);
    std::string hexOut = "kept ";
    EXPECT_EQ(readHexExact(hex, name, hexOut), result.status) << "hex text of the same file";
    EXPECT_EQ(hexOut, "kept " + hexOfBytes(result.bytes)) << "hex text of the same file";
    return result;
}

ReadResult readStream(const std::vector<uint8_t>& file, std::u16string_view name) {
    return readExact(prefix(file, file.size()), hexOfBytes(file), name);
}

// Byte `at` of a file's hex text set to `value`, as a damaged copy of the bytes has it.
void setHexByte(std::string& hex, size_t at, uint8_t value) {
    hex.replace(2 * at, 2, hexOfBytes({value}));
}

// The streams of the sample file; the seeds make every stream's bytes different.
const std::vector<uint8_t> kCompObj = patternBytes(76, 1);
const std::vector<uint8_t> kEquationNative = patternBytes(200, 2);
const std::vector<uint8_t> kLarge = patternBytes(10000, 3);
const std::vector<uint8_t> kAtCutoff = patternBytes(4096, 4);
const std::vector<uint8_t> kBelowCutoff = patternBytes(4095, 5);
const std::vector<uint8_t> kOne = patternBytes(1, 6);
const std::vector<uint8_t> kMiniSector = patternBytes(64, 7);
const std::vector<uint8_t> kLatin = patternBytes(10, 8);
const std::vector<uint8_t> kBrackets = patternBytes(5, 9);
const std::vector<uint8_t> kDivision = patternBytes(3, 10);

std::vector<CompoundFileNode> sampleStreams() {
    return {
        streamNode(u"\u0001CompObj", kCompObj),
        streamNode(u"Equation Native", kEquationNative),
        streamNode(u"Large", kLarge),
        streamNode(u"At cutoff", kAtCutoff),
        streamNode(u"Below cutoff", kBelowCutoff),
        streamNode(u"Empty", {}),
        streamNode(u"One", kOne),
        streamNode(u"Mini sector", kMiniSector),
        streamNode(u"\u00ff\u00e0\u00e9", kLatin), // y diaeresis, a grave, e acute
        streamNode(u"[x]", kBrackets),
        streamNode(u"\u00f7", kDivision), // the division sign sits among the lower-case letters
        storageNode(u"Sub", {streamNode(u"Inner", patternBytes(300, 11)), streamNode(u"Deep", patternBytes(5000, 12))}),
    };
}

struct LookupCase {
    const char* name;
    std::u16string lookup;
    CompoundFileStatus status;
    std::vector<uint8_t> bytes;
};

TEST(CompoundFileReader, FindsRootStreamsInBothVersions) {
    const LookupCase cases[] = {
        {"small stream in the mini stream", u"Equation Native", CompoundFileStatus::Ok, kEquationNative},
        {"name with a control character", u"\u0001CompObj", CompoundFileStatus::Ok, kCompObj},
        {"large stream over many sectors", u"Large", CompoundFileStatus::Ok, kLarge},
        {"stream at the cutoff lives in sectors", u"At cutoff", CompoundFileStatus::Ok, kAtCutoff},
        {"stream below the cutoff lives in mini sectors", u"Below cutoff", CompoundFileStatus::Ok, kBelowCutoff},
        {"empty stream", u"Empty", CompoundFileStatus::Ok, {}},
        {"one byte", u"One", CompoundFileStatus::Ok, kOne},
        {"one whole mini sector", u"Mini sector", CompoundFileStatus::Ok, kMiniSector},
        {"upper case", u"EQUATION NATIVE", CompoundFileStatus::Ok, kEquationNative},
        {"lower case", u"equation native", CompoundFileStatus::Ok, kEquationNative},
        {"Latin-1 letters in the other case", u"\u0178\u00c0\u00c9", CompoundFileStatus::Ok, kLatin},
        {"brackets are not letters", u"{x}", CompoundFileStatus::StreamNotFound, {}},
        {"division sign is not a letter", u"\u00d7", CompoundFileStatus::StreamNotFound, {}},
        {"stream of a sub-storage", u"Inner", CompoundFileStatus::StreamNotFound, {}},
        {"large stream of a sub-storage", u"Deep", CompoundFileStatus::StreamNotFound, {}},
        {"a storage is not a stream", u"Sub", CompoundFileStatus::StreamNotFound, {}},
        {"shorter name", u"Equation Nativ", CompoundFileStatus::StreamNotFound, {}},
        {"longer name", u"Equation Native ", CompoundFileStatus::StreamNotFound, {}},
        {"name with its terminating zero",
         std::u16string(u"Equation Native\0", 16),
         CompoundFileStatus::StreamNotFound,
         {}},
        {"empty name", u"", CompoundFileStatus::StreamNotFound, {}},
        {"name longer than any entry holds", std::u16string(40, u'x'), CompoundFileStatus::StreamNotFound, {}},
    };
    for (int version : {3, 4}) {
        const BuiltCompoundFile file = buildCompoundFile(sampleStreams(), version);
        for (size_t row = 0; row < std::size(cases); ++row) {
            const LookupCase& c = cases[row];
            SCOPED_TRACE("version " + std::to_string(version) + " row " + std::to_string(row));
            const ReadResult result = readStream(file.bytes, c.lookup);
            EXPECT_EQ(result.status, c.status) << "version " << version << " row " << row << ": " << c.name;
            EXPECT_EQ(result.bytes, c.bytes) << "version " << version << " row " << row << ": " << c.name;
        }
    }
}

// Many siblings make a tree several levels deep: every one is found with its own bytes, whichever side of the tree it
// is on.
TEST(CompoundFileReader, FindsEveryStreamOfAWideStorage) {
    std::vector<CompoundFileNode> streams;
    for (uint32_t i = 0; i < 300; ++i)
        streams.push_back(streamNode(u"s" + std::u16string(1, char16_t(u'A' + i % 26)) + char16_t(u'0' + i / 26),
                                     patternBytes(i * 37 % 5000, i)));
    const BuiltCompoundFile file = buildCompoundFile(streams);
    const std::string hex = hexOfBytes(file.bytes);
    for (uint32_t i = 0; i < 300; ++i) {
        SCOPED_TRACE("stream " + std::to_string(i));
        const ReadResult result = readExact(prefix(file.bytes, file.bytes.size()), hex, streams[i].name);
        EXPECT_EQ(result.status, CompoundFileStatus::Ok) << "stream " << i;
        EXPECT_EQ(result.bytes, streams[i].bytes) << "stream " << i;
    }
    EXPECT_EQ(readStream(file.bytes, u"s0").status, CompoundFileStatus::StreamNotFound);
}

// Every real equation object holds "Equation Native": the 28-byte header (its length, 28, first), then MTEF of
// version 2 to 5, as long as the header says.
TEST(CompoundFileReader, ReadsEquationNativeOfTheRealObjects) {
    for (const char* folder : {"mathtype3", "mathtype5"}) {
        const std::vector<RealObject> objects = realObjectsIn(folder);
        EXPECT_FALSE(objects.empty()) << folder;
        for (const RealObject& object : objects) {
            const std::string& bytes = object.bytes;
            const std::vector<uint8_t> file(bytes.begin(), bytes.end());
            const ReadResult result = readStream(file, u"Equation Native");
            const std::string where = object.path.filename().string();
            SCOPED_TRACE(where);
            ASSERT_EQ(result.status, CompoundFileStatus::Ok) << where;
            ASSERT_GT(result.bytes.size(), 28u) << where;
            EXPECT_EQ(result.bytes[0], 0x1c) << where;
            EXPECT_EQ(result.bytes[1], 0x00) << where;
            EXPECT_GE(result.bytes[28], 2) << where;
            EXPECT_LE(result.bytes[28], 5) << where;
            const uint32_t mtefLength = readLe32(result.bytes, 8);
            EXPECT_LE(mtefLength, result.bytes.size() - 28) << where;
            EXPECT_EQ(readStream(file, u"equation native").bytes, result.bytes) << where;
        }
    }
}

// A real object cut anywhere reads whole or not at all.
TEST(CompoundFileReader, TruncatedRealObjectsReadWholeOrFail) {
    for (const char* folder : {"mathtype3", "mathtype5"}) {
        for (const RealObject& object : realObjectsIn(folder)) {
            const std::filesystem::path& path = object.path;
            const std::vector<uint8_t> file(object.bytes.begin(), object.bytes.end());
            const std::vector<uint8_t> whole = readStream(file, u"Equation Native").bytes;
            ASSERT_FALSE(whole.empty()) << path.filename();
            const std::string hex = hexOfBytes(file);
            for (size_t cut = 0; cut < file.size(); ++cut) {
                SCOPED_TRACE(path.filename().string() + " cut at " + std::to_string(cut));
                const ReadResult result =
                    readExact(prefix(file, cut), std::string_view(hex).substr(0, 2 * cut), u"Equation Native");
                if (result.status == CompoundFileStatus::Ok) {
                    EXPECT_EQ(result.bytes, whole) << path.filename() << " cut at " << cut;
                }
            }
        }
    }
}

TEST(CompoundFileReader, TruncatedFilesReadWholeOrFail) {
    for (int version : {3, 4}) {
        const BuiltCompoundFile file = buildCompoundFile(sampleStreams(), version);
        // Every length of the smaller version 3 file; version 4 steps over its zero padding a little faster.
        const size_t step = version == 3 ? 1 : 7;
        const std::string hex = hexOfBytes(file.bytes);
        for (size_t cut = 0; cut < file.bytes.size(); cut += step) {
            const std::vector<uint8_t> cutFile = prefix(file.bytes, cut);
            const std::string_view cutHex = std::string_view(hex).substr(0, 2 * cut);
            SCOPED_TRACE("version " + std::to_string(version) + " cut at " + std::to_string(cut));
            for (const auto& [name, bytes] :
                 {std::pair(u"Equation Native", kEquationNative), std::pair(u"Large", kLarge)}) {
                const ReadResult result = readExact(cutFile, cutHex, name);
                if (result.status == CompoundFileStatus::Ok) {
                    EXPECT_EQ(result.bytes, bytes) << "version " << version << " cut at " << cut;
                } else {
                    EXPECT_TRUE(result.bytes.empty()) << "version " << version << " cut at " << cut;
                }
            }
            // Below a whole header nothing is a compound file.
            if (cut < 512) {
                EXPECT_EQ(readExact(cutFile, cutHex, u"Large").status, CompoundFileStatus::NotCompoundFile);
            }
        }
    }
}

// Helpers for the damage tables: fields by entry name or id, links of the FAT and the mini FAT.
uint32_t entryField(const BuiltCompoundFile& f, std::u16string_view name, size_t field) {
    return readLe32(f.bytes, entryOffset(f, name) + field);
}
void setEntryField(BuiltCompoundFile& f, std::u16string_view name, size_t field, uint32_t value) {
    writeLe32(f.bytes, entryOffset(f, name) + field, value);
}
uint32_t idField(const BuiltCompoundFile& f, uint32_t id, size_t field) {
    return readLe32(f.bytes, entryOffsetOfId(f, id) + field);
}
void setIdField(BuiltCompoundFile& f, uint32_t id, size_t field, uint32_t value) {
    writeLe32(f.bytes, entryOffsetOfId(f, id) + field, value);
}
void setHeader(BuiltCompoundFile& f, size_t field, uint32_t value) {
    writeLe32(f.bytes, field, value);
}
void setFatLink(BuiltCompoundFile& f, uint32_t sector, uint32_t next) {
    writeLe32(f.bytes, fatEntryOffset(f, sector), next);
}
void setMiniFatLink(BuiltCompoundFile& f, uint32_t miniSector, uint32_t next) {
    writeLe32(f.bytes, sectorOffset(f, readLe32(f.bytes, kHeaderFirstMiniFatSector)) + 4 * size_t(miniSector), next);
}
void renameEntry(BuiltCompoundFile& f, size_t offset, std::u16string_view name) {
    for (size_t i = 0; i < 32; ++i)
        writeLe16(f.bytes, offset + 2 * i, i < name.size() ? name[i] : 0);
    writeLe16(f.bytes, offset + kEntryNameLength, uint16_t((name.size() + 1) * 2));
}
uint32_t sectorCount(const BuiltCompoundFile& f) {
    return uint32_t(f.bytes.size() / f.sectorSize - 1);
}
uint32_t largeStart(const BuiltCompoundFile& f) {
    return entryField(f, u"Large", kEntryStart);
}
uint32_t largeSectors(const BuiltCompoundFile& f) {
    return uint32_t((kLarge.size() + f.sectorSize - 1) / f.sectorSize);
}
uint32_t rootChild(const BuiltCompoundFile& f) {
    return entryField(f, u"Root Entry", kEntryChild);
}
uint32_t equationNativeStart(const BuiltCompoundFile& f) {
    return entryField(f, u"Equation Native", kEntryStart);
}

// Moves `sector` to the end of the file, cut to its first `keep` bytes: a copy becomes the new last sector, whatever
// led to the old one (a FAT link, the header's first directory or mini FAT sector or a FAT sector slot, the root
// entry's start) leads to the copy, and the copy's FAT link is the old one's. The builder's lists follow, so that the
// offsets it reports find the copy.
void moveSectorToEnd(BuiltCompoundFile& f, uint32_t sector, size_t keep) {
    const uint32_t moved = sectorCount(f);
    const auto from = f.bytes.begin() + std::ptrdiff_t(sectorOffset(f, sector));
    const std::vector<uint8_t> copy(from, from + std::ptrdiff_t(f.sectorSize));
    f.bytes.insert(f.bytes.end(), copy.begin(), copy.end());
    std::replace(f.fatSectors.begin(), f.fatSectors.end(), sector, moved);
    std::replace(f.directorySectors.begin(), f.directorySectors.end(), sector, moved);
    for (uint32_t s = 0; s < moved; ++s)
        if (readLe32(f.bytes, fatEntryOffset(f, s)) == sector)
            setFatLink(f, s, moved);
    setFatLink(f, moved, readLe32(f.bytes, fatEntryOffset(f, sector)));
    std::vector<size_t> fields{kHeaderFirstDirectorySector, kHeaderFirstMiniFatSector};
    for (size_t slot = 0; slot < f.fatSectors.size() && slot < 109; ++slot)
        fields.push_back(kHeaderDifat + 4 * slot);
    for (size_t field : fields)
        if (readLe32(f.bytes, field) == sector)
            setHeader(f, field, moved);
    if (entryField(f, u"Root Entry", kEntryStart) == sector)
        setEntryField(f, u"Root Entry", kEntryStart, moved);
    f.bytes.resize(sectorOffset(f, moved) + keep);
}

// The mini stream's sectors, in order.
std::vector<uint32_t> miniStreamSectors(const BuiltCompoundFile& f) {
    std::vector<uint32_t> chain;
    for (uint32_t s = entryField(f, u"Root Entry", kEntryStart); s != kEndOfChainSector;
         s = readLe32(f.bytes, fatEntryOffset(f, s)))
        chain.push_back(s);
    return chain;
}

// Moves the mini stream's last sector to the end of the file, cut to `extra` bytes past the mini stream's end.
void cutMiniStream(BuiltCompoundFile& f, long extra) {
    const std::vector<uint32_t> chain = miniStreamSectors(f);
    const size_t inLast = entryField(f, u"Root Entry", kEntrySize) - (chain.size() - 1) * f.sectorSize;
    moveSectorToEnd(f, chain.back(), size_t(long(inLast) + extra));
}

// Moves the directory sector that holds the entry `name` to the end of the file, cut `keep` bytes into that entry.
void cutDirectoryEntry(BuiltCompoundFile& f, std::u16string_view name, size_t keep) {
    const size_t offset = entryOffset(f, name);
    const uint32_t sector = uint32_t(offset / f.sectorSize - 1);
    moveSectorToEnd(f, sector, offset % f.sectorSize + keep);
}

using Damage = void (*)(BuiltCompoundFile&);

struct DamageCase {
    const char* name;
    int version; // 3 or 4; 0 for both
    Damage damage;
    std::u16string_view lookup;
    CompoundFileStatus status;
    const std::vector<uint8_t>* bytes; // what an Ok read gives
};

constexpr CompoundFileStatus kCorrupt = CompoundFileStatus::Corrupt;
constexpr CompoundFileStatus kOk = CompoundFileStatus::Ok;

// clang-format off
const DamageCase kDamageCases[] = {
    // Sector chains of streams at or above the cutoff.
    {"large chain loops back to its start", 0, [](BuiltCompoundFile& f) { setFatLink(f, largeStart(f) + 1, largeStart(f)); }, u"Large", kCorrupt, nullptr},
    {"large chain links a sector to itself", 0, [](BuiltCompoundFile& f) { setFatLink(f, largeStart(f), largeStart(f)); }, u"Large", kCorrupt, nullptr},
    {"large chain ends before the size", 0, [](BuiltCompoundFile& f) { setFatLink(f, largeStart(f) + 1, kEndOfChainSector); }, u"Large", kCorrupt, nullptr},
    {"large chain links past the last sector", 0, [](BuiltCompoundFile& f) { setFatLink(f, largeStart(f) + 1, sectorCount(f)); }, u"Large", kCorrupt, nullptr},
    {"large chain links to a free sector marker", 0, [](BuiltCompoundFile& f) { setFatLink(f, largeStart(f) + 1, kFreeSector); }, u"Large", kCorrupt, nullptr},
    {"large chain runs on into another chain", 0, [](BuiltCompoundFile& f) { setFatLink(f, largeStart(f) + largeSectors(f) - 1, entryField(f, u"At cutoff", kEntryStart)); }, u"Large", kOk, &kLarge},
    {"start sector beyond the file", 0, [](BuiltCompoundFile& f) { setEntryField(f, u"Large", kEntryStart, 0x00ffffff); }, u"Large", kCorrupt, nullptr},
    {"start sector is the end marker", 0, [](BuiltCompoundFile& f) { setEntryField(f, u"Large", kEntryStart, kEndOfChainSector); }, u"Large", kCorrupt, nullptr},
    {"start sector is the first marker", 0, [](BuiltCompoundFile& f) { setEntryField(f, u"Large", kEntryStart, 0xfffffffb); }, u"Large", kCorrupt, nullptr},
    {"size one byte beyond the chain", 0, [](BuiltCompoundFile& f) { setEntryField(f, u"Large", kEntrySize, uint32_t(largeSectors(f) * f.sectorSize + 1)); }, u"Large", kCorrupt, nullptr},
    {"huge size in the low half", 0, [](BuiltCompoundFile& f) { setEntryField(f, u"Large", kEntrySize, 0xfffffff0); }, u"Large", kCorrupt, nullptr},
    {"version 3 ignores the high half of a size", 3, [](BuiltCompoundFile& f) { setEntryField(f, u"Large", kEntrySize + 4, 0xdeadbeef); }, u"Large", kOk, &kLarge},
    {"version 4 reads the high half of a size", 4, [](BuiltCompoundFile& f) { setEntryField(f, u"Large", kEntrySize + 4, 1); }, u"Large", kCorrupt, nullptr},
    {"version 4 size of 2^63", 4, [](BuiltCompoundFile& f) { setEntryField(f, u"Large", kEntrySize + 4, 0x80000000); }, u"Large", kCorrupt, nullptr},
    {"a stream's sector moved whole to the end", 0, [](BuiltCompoundFile& f) { moveSectorToEnd(f, largeStart(f) + 1, f.sectorSize); }, u"Large", kOk, &kLarge},
    {"another stream's broken chain does not matter", 0, [](BuiltCompoundFile& f) { setFatLink(f, largeStart(f), largeStart(f)); }, u"Equation Native", kOk, &kEquationNative},

    // The header, the FAT and the directory's chain.
    {"signature", 0, [](BuiltCompoundFile& f) { f.bytes[7] ^= 1; }, u"Large", CompoundFileStatus::NotCompoundFile, nullptr},
    {"major version 2", 0, [](BuiltCompoundFile& f) { writeLe16(f.bytes, kHeaderMajorVersion, 2); }, u"Large", CompoundFileStatus::Unsupported, nullptr},
    {"big-endian byte order mark", 0, [](BuiltCompoundFile& f) { writeLe16(f.bytes, kHeaderMajorVersion + 2, 0xfeff); }, u"Large", CompoundFileStatus::Unsupported, nullptr},
    {"version 3 with 4096-byte sectors", 3, [](BuiltCompoundFile& f) { writeLe16(f.bytes, kHeaderSectorShift, 12); }, u"Large", kCorrupt, nullptr},
    {"version 4 with 512-byte sectors", 4, [](BuiltCompoundFile& f) { writeLe16(f.bytes, kHeaderSectorShift, 9); }, u"Large", kCorrupt, nullptr},
    {"mini sectors of 128 bytes", 0, [](BuiltCompoundFile& f) { writeLe16(f.bytes, kHeaderSectorShift + 2, 7); }, u"Large", kCorrupt, nullptr},
    {"mini stream cutoff 8192", 0, [](BuiltCompoundFile& f) { setHeader(f, kHeaderMiniStreamCutoff, 8192); }, u"Large", kCorrupt, nullptr},
    {"FAT sector number beyond the file", 0, [](BuiltCompoundFile& f) { setHeader(f, kHeaderDifat, 0x00ffffff); }, u"Large", kCorrupt, nullptr},
    {"FAT sector count beyond the file", 0, [](BuiltCompoundFile& f) { setHeader(f, kHeaderFatSectorCount, 100000); }, u"Large", kCorrupt, nullptr},
    {"FAT sector listed twice", 0, [](BuiltCompoundFile& f) { setHeader(f, kHeaderFatSectorCount, 2); setHeader(f, kHeaderDifat + 4, f.fatSectors[0]); }, u"Large", kCorrupt, nullptr},
    {"no FAT", 0, [](BuiltCompoundFile& f) { setHeader(f, kHeaderFatSectorCount, 0); }, u"Large", kCorrupt, nullptr},
    // The allocation tables are read entry by entry as chains are followed; each of their sectors must still be whole.
    {"a FAT sector moved whole to the end", 0, [](BuiltCompoundFile& f) { moveSectorToEnd(f, f.fatSectors[0], f.sectorSize); }, u"Equation Native", kOk, &kEquationNative},
    {"a FAT sector cut short by the end of the file", 0, [](BuiltCompoundFile& f) { moveSectorToEnd(f, f.fatSectors[0], f.sectorSize - 4); }, u"Equation Native", kCorrupt, nullptr},
    {"directory chain loops", 0, [](BuiltCompoundFile& f) { setFatLink(f, f.directorySectors.back(), f.directorySectors.front()); }, u"Large", kCorrupt, nullptr},
    {"directory chain ends after its first sector", 3, [](BuiltCompoundFile& f) { setFatLink(f, f.directorySectors.front(), kEndOfChainSector); }, u"Large", kCorrupt, nullptr},
    {"first directory sector beyond the file", 0, [](BuiltCompoundFile& f) { setHeader(f, kHeaderFirstDirectorySector, 0x00ffffff); }, u"Large", kCorrupt, nullptr},
    {"no directory", 0, [](BuiltCompoundFile& f) { setHeader(f, kHeaderFirstDirectorySector, kEndOfChainSector); }, u"Large", kCorrupt, nullptr},

    // The mini stream and the mini FAT.
    {"mini stream shorter than a stream in it", 0, [](BuiltCompoundFile& f) { setEntryField(f, u"Root Entry", kEntrySize, 64); }, u"Equation Native", kCorrupt, nullptr},
    {"mini stream ends before a stream's mini sector", 0, [](BuiltCompoundFile& f) { setEntryField(f, u"Root Entry", kEntrySize, 128); }, u"One", kCorrupt, nullptr},
    {"mini stream's chain ends early", 0, [](BuiltCompoundFile& f) { setFatLink(f, entryField(f, u"Root Entry", kEntryStart), kEndOfChainSector); }, u"Equation Native", kCorrupt, nullptr},
    {"mini stream's start beyond the file", 0, [](BuiltCompoundFile& f) { setEntryField(f, u"Root Entry", kEntryStart, 0x00ffffff); }, u"Equation Native", kCorrupt, nullptr},
    {"mini stream larger than the file", 0, [](BuiltCompoundFile& f) { setEntryField(f, u"Root Entry", kEntrySize, 0xfffffff0); }, u"Equation Native", kCorrupt, nullptr},
    {"broken mini stream does not matter to a large stream", 0, [](BuiltCompoundFile& f) { setEntryField(f, u"Root Entry", kEntrySize, 64); }, u"Large", kOk, &kLarge},
    {"the mini FAT's sector moved whole to the end", 0, [](BuiltCompoundFile& f) { moveSectorToEnd(f, readLe32(f.bytes, kHeaderFirstMiniFatSector), f.sectorSize); }, u"Equation Native", kOk, &kEquationNative},
    {"the mini FAT's sector cut short by the end of the file", 0, [](BuiltCompoundFile& f) { moveSectorToEnd(f, readLe32(f.bytes, kHeaderFirstMiniFatSector), f.sectorSize - 4); }, u"Equation Native", kCorrupt, nullptr},
    // Only the stream's own mini sectors are read, but the whole mini stream must be there.
    {"the mini stream's last sector cut just after the mini stream", 0, [](BuiltCompoundFile& f) { cutMiniStream(f, 0); }, u"Equation Native", kOk, &kEquationNative},
    {"the mini stream's last sector cut one byte short of it", 0, [](BuiltCompoundFile& f) { cutMiniStream(f, -1); }, u"Equation Native", kCorrupt, nullptr},
    {"mini FAT chain loops", 0, [](BuiltCompoundFile& f) { const uint32_t s = readLe32(f.bytes, kHeaderFirstMiniFatSector); setFatLink(f, s, s); }, u"Equation Native", kCorrupt, nullptr},
    {"mini FAT start beyond the file", 0, [](BuiltCompoundFile& f) { setHeader(f, kHeaderFirstMiniFatSector, 0x00ffffff); }, u"Equation Native", kCorrupt, nullptr},
    {"no mini FAT", 0, [](BuiltCompoundFile& f) { setHeader(f, kHeaderFirstMiniFatSector, kEndOfChainSector); }, u"Equation Native", kCorrupt, nullptr},
    {"mini chain loops", 0, [](BuiltCompoundFile& f) { setMiniFatLink(f, equationNativeStart(f) + 2, equationNativeStart(f)); }, u"Equation Native", kCorrupt, nullptr},
    {"mini chain links past the mini stream", 0, [](BuiltCompoundFile& f) { setMiniFatLink(f, equationNativeStart(f) + 1, 5000); }, u"Equation Native", kCorrupt, nullptr},
    {"mini chain ends early", 0, [](BuiltCompoundFile& f) { setMiniFatLink(f, equationNativeStart(f) + 1, kEndOfChainSector); }, u"Equation Native", kCorrupt, nullptr},

    // The directory's tree and entries.
    {"sibling links to itself", 0, [](BuiltCompoundFile& f) { setIdField(f, rootChild(f), kEntryLeft, rootChild(f)); }, u"Equation Native", kCorrupt, nullptr},
    {"sibling links back to an ancestor", 0, [](BuiltCompoundFile& f) { setIdField(f, idField(f, rootChild(f), kEntryLeft), kEntryRight, rootChild(f)); }, u"Equation Native", kCorrupt, nullptr},
    {"sibling links to the root entry", 0, [](BuiltCompoundFile& f) { setIdField(f, rootChild(f), kEntryRight, 0); }, u"Equation Native", kCorrupt, nullptr},
    {"sibling beyond the directory", 0, [](BuiltCompoundFile& f) { setIdField(f, rootChild(f), kEntryLeft, 5000); }, u"Equation Native", kCorrupt, nullptr},
    {"two siblings share a subtree", 0, [](BuiltCompoundFile& f) { setIdField(f, rootChild(f), kEntryLeft, idField(f, rootChild(f), kEntryRight)); }, u"Equation Native", kCorrupt, nullptr},
    {"root's child beyond the directory", 0, [](BuiltCompoundFile& f) { setEntryField(f, u"Root Entry", kEntryChild, 5000); }, u"Equation Native", kCorrupt, nullptr},
    {"root without children", 0, [](BuiltCompoundFile& f) { setEntryField(f, u"Root Entry", kEntryChild, kNoSibling); }, u"Equation Native", CompoundFileStatus::StreamNotFound, nullptr},
    {"a loop inside a sub-storage does not matter", 0, [](BuiltCompoundFile& f) { const uint32_t c = entryField(f, u"Sub", kEntryChild); setIdField(f, c, kEntryLeft, c); }, u"Equation Native", kOk, &kEquationNative},
    {"an entry outside the tree is not found", 0, [](BuiltCompoundFile& f) {
         const size_t spare = entryOffsetOfId(f, f.entryNames.size());
         std::copy_n(f.bytes.begin() + std::ptrdiff_t(entryOffset(f, u"Equation Native")), 128, f.bytes.begin() + std::ptrdiff_t(spare));
         renameEntry(f, spare, u"Orphan"); }, u"Orphan", CompoundFileStatus::StreamNotFound, nullptr},
    {"same name twice, case aside", 0, [](BuiltCompoundFile& f) { renameEntry(f, entryOffset(f, u"Mini sector"), u"EQUATION NATIVE"); }, u"Equation Native", kCorrupt, nullptr},
    {"odd name length", 0, [](BuiltCompoundFile& f) { writeLe16(f.bytes, entryOffset(f, u"One") + kEntryNameLength, 7); }, u"Equation Native", kCorrupt, nullptr},
    {"name length beyond the name field", 0, [](BuiltCompoundFile& f) { writeLe16(f.bytes, entryOffset(f, u"One") + kEntryNameLength, 66); }, u"Equation Native", kCorrupt, nullptr},
    {"name length zero", 0, [](BuiltCompoundFile& f) { writeLe16(f.bytes, entryOffset(f, u"One") + kEntryNameLength, 0); }, u"Equation Native", kCorrupt, nullptr},
    // The walk reads only a few fields of each entry, but every entry it visits must lie whole in the file.
    {"a directory sector moved whole to the end", 0, [](BuiltCompoundFile& f) { moveSectorToEnd(f, uint32_t(entryOffset(f, u"One") / f.sectorSize - 1), f.sectorSize); }, u"Equation Native", kOk, &kEquationNative},
    {"an entry cut inside its size field by the end of the file", 0, [](BuiltCompoundFile& f) { cutDirectoryEntry(f, u"One", 120); }, u"Equation Native", kCorrupt, nullptr},
    {"unused entry inside the tree", 0, [](BuiltCompoundFile& f) { f.bytes[entryOffset(f, u"One") + kEntryType] = 0; }, u"Equation Native", kCorrupt, nullptr},
    {"root entry of another type", 0, [](BuiltCompoundFile& f) { f.bytes[entryOffset(f, u"Root Entry") + kEntryType] = 1; }, u"Equation Native", kCorrupt, nullptr},
};
// clang-format on

TEST(CompoundFileReader, DamagedFilesGiveTheirStatus) {
    for (int version : {3, 4}) {
        const BuiltCompoundFile file = buildCompoundFile(sampleStreams(), version);
        // The spare directory slot "an entry outside the tree" writes to.
        ASSERT_LT(file.entryNames.size(), file.directorySectors.size() * file.sectorSize / 128);
        for (size_t row = 0; row < std::size(kDamageCases); ++row) {
            const DamageCase& c = kDamageCases[row];
            if (c.version != 0 && c.version != version)
                continue;
            BuiltCompoundFile damaged = file;
            c.damage(damaged);
            SCOPED_TRACE("version " + std::to_string(version) + " row " + std::to_string(row));
            const ReadResult result = readStream(damaged.bytes, c.lookup);
            EXPECT_EQ(result.status, c.status) << "version " << version << " row " << row << ": " << c.name;
            EXPECT_EQ(result.bytes, c.bytes ? *c.bytes : std::vector<uint8_t>{})
                << "version " << version << " row " << row << ": " << c.name;
        }
    }
}

// Past 109 FAT sectors the FAT's sectors are listed in DIFAT sectors too.
TEST(CompoundFileReader, ReadsThroughTheDifat) {
    const std::vector<uint8_t> huge = patternBytes(110 * 128 * 512, 21);
    const BuiltCompoundFile file =
        buildCompoundFile({streamNode(u"Huge", huge), streamNode(u"Equation Native", kEquationNative)});
    ASSERT_EQ(file.difatSectors.size(), 1u);
    ASSERT_GT(file.fatSectors.size(), 109u);
    EXPECT_EQ(readStream(file.bytes, u"Huge").bytes, huge);
    EXPECT_EQ(readStream(file.bytes, u"Equation Native").bytes, kEquationNative);

    const size_t difat = sectorOffset(file, file.difatSectors[0]);
    const size_t nextDifat = difat + file.sectorSize - 4;
    const uint32_t fatCount = uint32_t(file.fatSectors.size());
    struct DifatCase {
        const char* name;
        size_t offset;
        uint32_t value;
        size_t offset2; // a second field to change, or 0
        uint32_t value2;
    };
    const DifatCase cases[] = {
        {"DIFAT sector beyond the file", kHeaderFirstDifatSector, 0x00ffffff, 0, 0},
        {"no DIFAT sector", kHeaderFirstDifatSector, kEndOfChainSector, 0, 0},
        {"FAT sector number in the DIFAT beyond the file", difat, 0x00ffffff, 0, 0},
        {"FAT sector listed in the header and the DIFAT", difat, file.fatSectors[0], 0, 0},
        {"DIFAT sector listed as a FAT sector", difat, file.difatSectors[0], 0, 0},
        {"more FAT sectors than the DIFAT lists", kHeaderFatSectorCount, fatCount + 127, 0, 0},
        {"DIFAT chain loops", kHeaderFatSectorCount, fatCount + 127, nextDifat, file.difatSectors[0]},
    };
    for (size_t row = 0; row < std::size(cases); ++row) {
        std::vector<uint8_t> damaged = file.bytes;
        writeLe32(damaged, cases[row].offset, cases[row].value);
        if (cases[row].offset2 != 0)
            writeLe32(damaged, cases[row].offset2, cases[row].value2);
        SCOPED_TRACE("row " + std::to_string(row));
        const ReadResult result = readStream(damaged, u"Equation Native");
        EXPECT_EQ(result.status, kCorrupt) << "row " << row << ": " << cases[row].name;
    }
    const std::string hex = hexOfBytes(file.bytes);
    for (size_t cut = 0; cut < file.bytes.size(); cut += file.bytes.size() / 37) {
        SCOPED_TRACE("cut at " + std::to_string(cut));
        const ReadResult result = readExact(prefix(file.bytes, cut), std::string_view(hex).substr(0, 2 * cut), u"Huge");
        EXPECT_NE(result.status, kOk) << "cut at " << cut;
    }
}

// Hex text as documents may hold it: letters in either case, now and then a character that is no hex digit (a pair
// with one decodes by the pair rules of hexPairValue), an odd last character. The hex reader decodes only what it reads
// but must give what reading the whole decoded text gives, as lowercase hex.
TEST(CompoundFileReader, HexTextReadsAsItsDecodedBytes) {
    std::vector<std::vector<uint8_t>> files;
    for (int version : {3, 4})
        files.push_back(buildCompoundFile(sampleStreams(), version).bytes);
    for (const char* folder : {"mathtype3", "mathtype5"}) {
        for (const RealObject& object : realObjectsIn(folder))
            files.emplace_back(object.bytes.begin(), object.bytes.end());
    }
    const char kStray[] = "gG/:@` \x80\xff\x10";
    std::mt19937 random(17);
    for (size_t f = 0; f < files.size(); ++f) {
        const std::string clean = hexOfBytes(files[f]);
        for (int round = 0; round < 40; ++round) {
            std::string hex = clean;
            for (char& c : hex)
                if (c >= 'a' && c <= 'f' && random() % 4 == 0)
                    c = char(c - 'a' + 'A');
            // A stray character or two, often in the first kilobyte, where the header and most tables are.
            for (int strays = round % 3; strays > 0; --strays)
                hex[random() % (round % 2 ? hex.size() : std::min<size_t>(hex.size(), 2048))] =
                    kStray[random() % (sizeof kStray - 1)];
            if (round % 5 == 4)
                hex += 'B';
            std::vector<uint8_t> decoded(hex.size() / 2);
            decodeHexText(hex, decoded.data());
            for (std::u16string_view name : {u"Equation Native", u"Large", u"\u0001CompObj"}) {
                std::vector<uint8_t> expected;
                const CompoundFileStatus status =
                    readCompoundFileStream(decoded.data(), decoded.size(), name, expected);
                std::string hexOut = "kept ";
                EXPECT_EQ(readHexExact(hex, name, hexOut), status) << "file " << f << " round " << round;
                EXPECT_EQ(hexOut, "kept " + hexOfBytes(expected)) << "file " << f << " round " << round;
            }
        }
    }
}

// Flipped bits anywhere, and often in the header, directory and allocation tables: always a clean result.
TEST(CompoundFileReader, BitFlippedFilesEndCleanly) {
    std::mt19937 random(11);
    for (int version : {3, 4}) {
        const BuiltCompoundFile file = buildCompoundFile(sampleStreams(), version);
        std::vector<size_t> structure; // offsets of the sectors that are not stream data
        for (size_t i = 0; i < 512; ++i)
            structure.push_back(i);
        for (const std::vector<uint32_t>* sectors : {&file.directorySectors, &file.fatSectors})
            for (uint32_t sector : *sectors)
                for (size_t i = 0; i < file.sectorSize; ++i)
                    structure.push_back(sectorOffset(file, sector) + i);
        const std::string hex = hexOfBytes(file.bytes);
        for (int round = 0; round < 3000; ++round) {
            std::vector<uint8_t> damaged = file.bytes;
            std::string damagedHex = hex;
            for (uint32_t flips = 1 + random() % 3; flips > 0; --flips) {
                const size_t at = round % 2 ? structure[random() % structure.size()] : random() % damaged.size();
                damaged[at] ^= uint8_t(1u << (random() % 8));
                setHexByte(damagedHex, at, damaged[at]);
            }
            damaged.shrink_to_fit();
            SCOPED_TRACE("version " + std::to_string(version) + " round " + std::to_string(round));
            for (std::u16string_view name : {u"Equation Native", u"Large", u"Below cutoff"}) {
                const ReadResult result = readExact(damaged, damagedHex, name);
                if (result.status != CompoundFileStatus::Ok) {
                    EXPECT_TRUE(result.bytes.empty()) << "version " << version << " round " << round;
                }
                EXPECT_LE(result.bytes.size(), damaged.size()) << "version " << version << " round " << round;
            }
        }
    }
}
} // namespace
