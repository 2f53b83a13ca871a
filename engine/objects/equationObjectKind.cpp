// Equation object recognition. The OLE1 object header is: OLE version (4 bytes), format id (4), class name length (4),
// the class name with its zero byte (from hex offset 24), topic and item name lengths (4 each, names expected empty),
// native data size (4), then the native data. Offsets below count hex characters, two a byte.
#include "objects/equationObjectKind.h"

#include <cstddef>

namespace {
constexpr size_t kClassNameOffset = 24;

struct ClassNameRow {
    std::string_view classHex; // class name as lowercase hex, with its zero byte where the name is exact
    size_t minLength;          // the shortest \objdata text that can hold the header and some data
    EquationObjectKind kind;
    size_t dataOffset;   // where the text handed to the converter starts
    bool officeMathOnly; // recognised only when the job writes Office Math
};

// First match wins.
// clang-format off
constexpr ClassNameRow kClassNames[] = {
    // class hex                                  min  kind             data  office math only
    {"4571756174696f6e00",                        67, ObjectBareMtef,   10,   false}, // "Equation": bare MTEF at 66 lands at 56, where the MTEF stands behind the 28-byte header of the other kinds
    {"4571756174696f6e2e44534d543400",            79, ObjectStorage,    78,   false}, // "Equation.DSMT4"
    {"4d73786d6c322e534158584d4c526561646572",    89, ObjectStorage,     0,   false}, // "Msxml2.SAXXMLReader..." (name of any length; data found below)
    {"4571756174696f6e2e3200",                    71, ObjectEquation3,  70,   true},  // "Equation.2"
    {"4571756174696f6e2e3300",                    71, ObjectEquation3,  70,   true},  // "Equation.3"
};
// clang-format on

constexpr std::string_view kMsxmlClassHex = kClassNames[2].classHex;
constexpr size_t kMsxmlNameStart = 62; // the first hex position after the 19 fixed characters of the name
constexpr size_t kZeroAndLengths = 26; // the name's zero byte and the three 4-byte lengths, in hex characters

// The class name may go on ("Msxml2.SAXXMLReader.6.0"): step over it to its zero byte, then over the zero byte and the
// three lengths. Nothing is converted when that runs to the end of the text.
RecognisedObject recogniseMsxml(std::string_view hex) {
    size_t position = kMsxmlNameStart;
    while (hex.size() - position >= 2 && hex.substr(position, 2) != "00")
        position += 2;
    position += kZeroAndLengths;
    if (position >= hex.size())
        return {};
    return {ObjectStorage, hex.substr(position)};
}
} // namespace

RecognisedObject recogniseEquationObject(std::string_view hex, bool officeMath) {
    for (const ClassNameRow& row : kClassNames) {
        if (row.officeMathOnly && !officeMath)
            continue;
        if (hex.size() < row.minLength || hex.compare(kClassNameOffset, row.classHex.size(), row.classHex) != 0)
            continue;
        if (row.classHex == kMsxmlClassHex)
            return recogniseMsxml(hex);
        return {row.kind, hex.substr(row.dataOffset)};
    }
    return {};
}
