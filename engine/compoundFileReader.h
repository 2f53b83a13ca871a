// Reads one stream out of an OLE compound file (structured storage) held in memory, for the builds that have no COM,
// and for every build's checks of files before and after COM handles them. Equation objects keep their MTEF in the
// stream "Equation Native" of such a file. The reader only reads: it finds a stream that is a direct child of the root
// storage and copies its bytes out, or gives the root storage's class id. It does not enumerate, does not descend into
// sub-storages and does not repair damaged files; every damage it notices ends the read with a status.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
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

// Finds the stream `streamName` among the root storage's children and copies its bytes into `out`. Names compare as
// the file format orders them: same length, and equal once ASCII and Latin-1 letters are upper-cased. `out` is
// empty unless the result is Ok. Reads nothing outside data[0, size); the size of the output is bounded by `size`.
CompoundFileStatus readCompoundFileStream(const uint8_t* data, size_t size, std::u16string_view streamName,
                                          std::vector<uint8_t>& out);

// The class id of the root storage, in its stored byte order (all zero unless the result is Ok). Reads the header,
// the FAT and the directory as readCompoundFileStream does, so a file it accepts is one that reader can open.
CompoundFileStatus readCompoundFileRootClass(const uint8_t* data, size_t size,
                                             std::array<uint8_t, kCompoundFileClassIdSize>& classId);
