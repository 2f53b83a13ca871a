// The native build has no OLE and no Equation Editor 3.x server: it writes the compound file the server would, the
// template's streams with the new "Equation Native" in a root storage of class Equation.3.
#include "objects/equationObjectServer.h"

#include "objects/compoundFileWriter.h"
#include "objects/equationObjectTemplate.h"

EquationServerStatus rebuildEquationObject(const std::vector<uint8_t>& equationNative,
                                           std::vector<uint8_t>& compoundFile) {
    std::array<CompoundFileStream, kEquationTemplateStreamCount> streams = kEquationTemplateStreams;
    streams[kEquationNativeStreamIndex].data = equationNative.data();
    streams[kEquationNativeStreamIndex].size = equationNative.size();
    if (!writeCompoundFile(streams.data(), streams.size(), kEquation3ClassId.data(), compoundFile))
        return EquationServerStatus::ServerFailed;
    return EquationServerStatus::Ok;
}
