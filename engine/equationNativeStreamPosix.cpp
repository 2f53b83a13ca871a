// The native build has no COM: it reads compound files with the engine's own reader.
#include "equationObjectUnwrap.h"

#include "compoundFileReader.h"
#include "hexText.h"

#include <vector>

namespace {
// Decoded compound files and their streams, kept from object to object so that a document of many equations does
// not allocate and zero fresh buffers for each. Conversion job's thread only.
std::vector<uint8_t> gFileBytes;
std::vector<uint8_t> gStreamBytes;
} // namespace

StreamReadStatus readEquationNativeStream(std::string_view compoundFileHex, std::string& outputHex) {
    std::vector<uint8_t>& file = gFileBytes;
    file.resize(compoundFileHex.size() / 2);
    decodeHexText(compoundFileHex, file.data());
    std::vector<uint8_t>& stream = gStreamBytes;
    switch (readCompoundFileStream(file.data(), file.size(), u"Equation Native", stream)) {
    case CompoundFileStatus::Ok:
        appendHexText(outputHex, stream.data(), stream.size());
        return StreamReadStatus::Ok;
    case CompoundFileStatus::NotCompoundFile:
    case CompoundFileStatus::Unsupported:
        return StreamReadStatus::NotStorage; // COM refuses to open such data as a storage
    case CompoundFileStatus::Corrupt:
    case CompoundFileStatus::StreamNotFound:
        return StreamReadStatus::Failed;
    }
    return StreamReadStatus::Failed;
}
