// Reads one stream out of an OLE compound file (structured storage) held in memory, for the builds that have no COM,
// and for every build's checks of files before and after COM handles them. Equation objects keep their MTEF in the
// stream "Equation Native" of such a file. The reader only reads: it finds a stream that is a direct child of the root
// storage and copies its bytes out, or gives the root storage's class id. It does not enumerate, does not descend into
// sub-storages and does not repair damaged files; every damage it notices ends the read with a status. The file may
// also be given as the hex text the engine carries it in; the reader then decodes only the fields and stream bytes it
// reads, and accepts, rejects and gives exactly what it would for the decoded bytes.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

constexpr size_t kCompoundFileClassIdSize = 16;

enum class [[nodiscard]] CompoundFileStatus{
    Ok = 0,          // the stream was found and its bytes copied out (none for a stream of size 0)
    NotCompoundFile, // too short for a header, or the header does not start with the compound file signature
    Unsupported,     // a compound file, but of a major version other than 3 or 4, or not in little-endian order
    Corrupt,         // a header field, sector number, chain, directory entry or size is out of range or inconsistent
    StreamNotFound,  // no stream of that name is a direct child of the root storage (storages of that name don't count)
};

// The status as a short English phrase, for logs and test messages.
const char* compoundFileStatusText(CompoundFileStatus status);

// The lists one read builds (sector chains, the directory walk's marks and stack). A caller that reads many files keeps
// one, so that each read reuses the memory of the one before; it serves one read at a time. Its contents between reads
// mean nothing.
struct CompoundFileScratch {
    std::vector<uint32_t> fatSectors;     // the FAT's own sectors, in order
    std::vector<uint32_t> miniFatSectors; // the mini FAT's sectors, in order
    std::vector<uint32_t> directory;      // the directory's sectors, in order
    std::vector<uint32_t> miniStream;     // the mini stream's sectors, in order
    std::vector<uint32_t> chain;          // the stream's sectors or mini sectors, in order
    std::vector<uint32_t> pending;        // directory entries still to visit
    std::vector<uint8_t> marks;           // FAT and DIFAT sectors taken, then directory entries visited
};

// Finds the stream `streamName` among the root storage's children and copies its bytes into `out`. Names compare as
// the file format orders them: same length, and equal once ASCII and Latin-1 letters are upper-cased. `out` is
// empty unless the result is Ok. Reads nothing outside data[0, size); the size of the output is bounded by `size`.
CompoundFileStatus readCompoundFileStream(const uint8_t* data, size_t size, std::u16string_view streamName,
                                          std::vector<uint8_t>& out);
CompoundFileStatus readCompoundFileStream(const uint8_t* data, size_t size, std::u16string_view streamName,
                                          std::vector<uint8_t>& out, CompoundFileScratch& scratch);

// readCompoundFileStream for a file given as hex text: byte i is hexPairValue(hex[2 * i], hex[2 * i + 1]), as
// decodeHexText gives it (an odd last character is not part of the file). The stream's bytes are appended to `outHex`
// as lowercase hex, nothing unless the result is Ok. Same statuses and bytes as decoding the whole text and reading
// that, but only the header, the tables' and the directory's fields that are read, and the stream's own bytes are
// ever decoded.
CompoundFileStatus readCompoundFileStreamHex(std::string_view hex, std::u16string_view streamName, std::string& outHex,
                                             CompoundFileScratch& scratch);

// The class id of the root storage, in its stored byte order (all zero unless the result is Ok). Reads the header,
// the FAT and the directory as readCompoundFileStream does, so a file it accepts is one that reader can open.
CompoundFileStatus readCompoundFileRootClass(const uint8_t* data, size_t size,
                                             std::array<uint8_t, kCompoundFileClassIdSize>& classId);
