// Building Equation Editor 3.x objects from a new "Equation Native" stream: the Equation Editor 3.x server writes the
// object's compound file (equationObjectServer.h), and this layer checks it and frames it as OLE1 \objdata text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Bytes of the compound file, and of the metafile, to a line of hex text.
constexpr size_t kObjectDataLineBytes = 126;

// How building an object went. The output is empty on every failure, and the object then stays unconverted.
enum class [[nodiscard]] WrapStatus{
    Ok = 0,            // the \objdata text is in the output
    StorageFailed = 1, // the in-memory storage could not be prepared
    Failed = 2,        // empty input, or the server step failed (which includes a server that wrote no "Equation
                       // Native" equal to the input, or a root storage of another class)
};

// Turns an "Equation Native" stream (hex) into the \objdata text of an Equation.3 object.
WrapStatus wrapEquationObject(std::string& output, std::string_view equationNativeHex);

// The \objdata text around a compound file (replacing `output`): the OLE1 object header and the file's size, the file
// in lines of kObjectDataLineBytes, then the placeholder presentation. Lines end in CR LF.
void composeEquationObjectData(std::string& output, const uint8_t* compoundFile, uint32_t size);

// Whether a compound file is the Equation.3 object of `equationNative`: a root storage of class Equation.3 whose
// "Equation Native" stream holds exactly those bytes. What the server step wrote must pass before it is used.
bool holdsEquationObject(const std::vector<uint8_t>& compoundFile, const std::vector<uint8_t>& equationNative);
