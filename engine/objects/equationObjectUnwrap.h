// Unwrapping equation objects down to their "Equation Native" stream: the 28-byte header and the MTEF data.
#pragma once

#include <string>
#include <string_view>

// How unwrapping an object went.
enum class [[nodiscard]] UnwrapStatus{
    Ok = 0,     // the stream is in the output (which may be empty)
    Failed = 1, // the native data holds no readable stream; the output is empty
};

// Puts the hex text of the object's "Equation Native" stream into `output` (emptied first). `input` is the object's
// native data as hex (for bare MTEF, from 56 hex characters before the MTEF). With `restoreBroken`, native data that
// should have been a compound file but is bare MTEF gets a zeroed header.
UnwrapStatus unwrapEquationObject(std::string& output, std::string_view input, int kind, int restoreBroken);

// How reading the stream out of a compound file went.
enum class [[nodiscard]] StreamReadStatus{
    Ok = 0,     // the stream's bytes are in the output (possibly none)
    NotStorage, // the data could not be opened as a compound file
    Failed,     // the compound file opened, but the stream is missing or could not be read
};

// Reads the "Equation Native" stream of the compound file given as hex text and appends it as lowercase hex.
// fileIo-style seam: equationNativeStreamPosix.cpp (our own reader) and equationNativeStreamWin.cpp (COM).
StreamReadStatus readEquationNativeStream(std::string_view compoundFileHex, std::string& outputHex);
