// The run-time entry of the compound file writer; the layout itself is in the header, shared with constant images.
#include "objects/compoundFileWriter.h"

bool writeCompoundFile(const CompoundFileStream* streams, size_t count, const uint8_t* rootClass,
                       std::vector<uint8_t>& out) {
    out.clear();
    const CompoundFileLayout layout = planCompoundFile(streams, count);
    if (!layout.ok)
        return false;
    out.assign(layout.totalSize, 0);
    fillCompoundFile(out, layout, streams, count, rootClass);
    return true;
}
