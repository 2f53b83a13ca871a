// Building Equation Editor 3.x objects from a new "Equation Native" stream.
#pragma once

#include <string>
#include <string_view>

// The one mode the system uses: the result is the new \objdata contents alone.
constexpr int kWrapObjectDataOnly = -3;

// Turns an "Equation Native" stream (hex) into the \objdata text of an Equation.3 object. Returns 0 when done, 1 when
// the in-memory storage could not be prepared, 2 for empty input or a failed server step; the output is empty on
// every failure, and the object then stays unconverted.
int wrapEquationObject(std::string& output, std::string_view equationNativeHex, int mode);
