// Checks an Equation Editor 3.x "Equation Native" stream, given as hex text, as the engine writes it: the 28-byte
// header with its cbObject, the MTEF version 3 header 03 01 01 03 0a, and a record list in the nibble layout (tag
// in the low four bits, options in the high four) in which every record is complete, carries only the option bits
// it takes, and every object list is closed by END. MTEF 3's shape is kept: the slots of a template and the cells of
// a matrix are lines (a pile, matrix or template there is wrapped in one), and no line stands directly inside a
// line, which readers take for a line break. Equation Editor pairs a template's slots with its lines one by one and
// takes the records after them for the template's characters, so every template holds as many lines as its
// selector has slots and no more characters than it has; the sign of an integral-style or sum-style operator is a
// line of its own holding one character, as MathType writes it. Variations, typefaces and character codes are not
// checked.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace testing_support {

// Object lists nest deeper than this only in broken data (a template adds two levels: its list and its slot's).
constexpr int kMaxMtefDepth = 256; // deeper than the engine ever writes (kMaxRecordDepth)

enum class Mtef3Status {
    Ok = 0,
    NotChecked,         // the check has not run
    BadHexText,         // odd length, or a character that is not a hex digit
    ShortHeader,        // fewer than the 28 header bytes
    HeaderLength,       // the header length field is not 28
    HeaderVersion,      // the header version is not 0x00020000
    ObjectSize,         // cbObject is not the number of MTEF bytes after the header
    MtefHeader,         // the MTEF header is not 03 01 01 03 0a; the offset is the first byte that differs
    Truncated,          // the data ends inside a record or before the END of an open list
    UnknownTag,         // tag 15, which MTEF version 3 does not have
    UnexpectedOptions,  // option bits that the record does not take; the offset is the tag byte
    EmbellListRecord,   // a character's embellishment list holds a record other than EMBELL
    MatrixCells,        // a matrix closed with other than rows x columns cells
    TooDeep,            // object lists nested deeper than kMaxMtefDepth
    TrailingBytes,      // bytes after the END of the top-level list
    SlotNotLine,        // a pile, matrix or template as a template's slot, or anything but a line as a matrix cell
    LineInLine,         // a LINE record directly in a line's object list
    UnknownSelector,    // a template selector that MTEF version 3 does not have; the offset is the selector byte
    SlotLines,          // a template with other than its selector's number of slot lines; the offset is its tag byte
    TemplateCharacters, // a template with more characters than its selector has; the offset is the one too many
    OperatorSign,       // an operator's sign line holding a record other than one character and size or font records
};

struct Mtef3Check {
    Mtef3Status status = Mtef3Status::NotChecked;
    size_t offset = 0; // byte offset in the stream, the 28 header bytes included
};

Mtef3Check checkMtef3Stream(std::string_view equationNativeHex);
const char* mtef3StatusText(Mtef3Status status);

// "" when the stream is valid, else a message with the byte offset of the first problem.
std::string validateMtef3Stream(std::string_view equationNativeHex);

} // namespace testing_support
