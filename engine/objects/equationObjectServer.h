// The OS step of building an Equation Editor 3.x object: putting a new "Equation Native" stream into the template
// compound file and letting the Equation Editor 3.x server write the object's compound file from it. fileIo-style
// seam: equationObjectServerWin.cpp (COM structured storage and the OLE server round trip) and
// equationObjectServerPosix.cpp (no OLE: the engine writes the compound file itself). Neither checks what comes
// back; the caller reads the result with the engine's own reader.
#pragma once

#include <cstdint>
#include <vector>

enum class [[nodiscard]] EquationServerStatus{
    Ok = 0,        // `compoundFile` holds the bytes of the compound file the server wrote (none or more)
    StorageFailed, // the in-memory storages could not be prepared
    ServerFailed,  // loading the object, its data object or creating the new object from it failed
};

// Runs the round trip for the stream `equationNative` (not empty). On every status but Ok `compoundFile` is empty.
// Windows: the calling thread must be in a single-threaded COM apartment.
EquationServerStatus rebuildEquationObject(const std::vector<uint8_t>& equationNative,
                                           std::vector<uint8_t>& compoundFile);
