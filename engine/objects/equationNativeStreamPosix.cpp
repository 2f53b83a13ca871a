// The native build has no COM: it reads compound files with the engine's own reader, straight from the hex text, so
// that only the fields it reads and the stream's own bytes are ever decoded.
#include "objects/equationObjectUnwrap.h"

#include "objects/compoundFileReader.h"

namespace {
// The reader's lists, kept from object to object so that a document of many equations does not allocate fresh ones
// for each. Conversion job's thread only.
CompoundFileScratch gScratch;
} // namespace

StreamReadStatus readEquationNativeStream(std::string_view compoundFileHex, std::string& outputHex) {
    switch (readCompoundFileStreamHex(compoundFileHex, u"Equation Native", outputHex, gScratch)) {
    case CompoundFileStatus::Ok:
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
