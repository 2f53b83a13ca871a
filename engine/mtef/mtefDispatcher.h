// The MTEF record layer: reads the MTEF data of one equation byte by byte from the converter context, recognises
// each record by its tag and calls its handler. Versions 2, 3 and 4 share the nibble layout (tag in the low four
// bits of the tag byte, options in the high four); version 5 has tag and options in separate bytes.
#pragma once

#include "mtef/converterContext.h"

#include <cstdint>
#include <string>

// How dispatchMtefRecord reads. A value of 0 or more is a tag that the record must have.
enum ReadMode : int32_t {
    TopLevel = -3,  // one record of any tag; definition records do not pull the record after them
    ByteOnly = -2,  // only the next byte into currentByte; no tag is examined
    OneRecord = -1, // one record of any tag; a definition record (tags 8 to 19) also reads the record after it
};

// What reading one record gave. Callers treat anything but RecordDone as the end of the list they read.
enum RecordResult : int32_t {
    EndRecord = -1,    // END (tag 0)
    RecordDone = 0,    // a record was read and translated
    EndOfData = 1,     // no byte was left
    TagMismatch = 2,   // the mode asked for another tag; its tag byte has been read
    UnassignedTag = 3, // a tag without a handler; only its tag byte has been read
    HandlerFailed = 4, // the record's handler failed (or the object was abandoned)
};

// MTEF record tags.
enum MtefTag : int32_t {
    TagEnd = 0,
    TagLine = 1,
    TagChar = 2,
    TagTemplate = 3,
    TagPile = 4,
    TagMatrix = 5,
    TagEmbellishment = 6,
    TagRuler = 7,
    TagFontStyleDef = 8, // FONT in the nibble layout
    TagSize = 9,
    TagFull = 10,
    TagSub = 11,
    TagSub2 = 12,
    TagSym = 13,
    TagSubSym = 14,
    TagColor = 15,
    TagColorDef = 16,
    TagFontDef = 17,
    TagEquationPrefs = 18,
    TagEncodingDef = 19,
    TagFutureFirst = 100,
};

// The element markers around every translated element of Office Math output (markers nest; script templates take
// their base by them). They are removed from the finished text and never reach MTEF version 3 output.
constexpr char kElementStart = '\x01';
constexpr char kElementEnd = '\x02';

// Reads and translates one record (or, in ByteOnly mode, one byte) into `output`, which may be null.
RecordResult dispatchMtefRecord(ConverterContext& context, std::string* output, int32_t mode);

// Byte reading. The readers are inline: every record reads its bytes one at a time through them, and the Windows
// builds do not inline across files.

// Reads the next byte into currentByte; false (and 0) at the end of the data, which is sticky.
inline bool readMtefByte(ConverterContext& context) {
    ++context.readIndex;
    // A negative index (a step back before the first byte) counts as past the end, like any index outside the data.
    if (context.endOfData || uint64_t(context.readIndex) >= context.sourceSize) {
        context.currentByte = 0;
        context.endOfData = true;
        return false;
    }
    context.currentByte = context.source[size_t(context.readIndex)];
    return true;
}
// The value of the byte last read.
inline uint8_t currentByteValue(const ConverterContext& context) {
    return context.currentByte;
}
// Makes the byte last read the next one to read again.
inline void stepBackMtefByte(ConverterContext& context) {
    --context.readIndex;
}
// Reads the next byte and returns its value (0 at the end of the data).
inline uint8_t readMtefValue(ConverterContext& context) {
    readMtefByte(context);
    return context.currentByte;
}
// Reads the next byte and appends it to the output in format 0 ("copied"); returns its value.
uint8_t copyMtefByte(ConverterContext& context, std::string* output);
// True while at least `count` more bytes follow the byte last read.
inline bool mtefBytesFollow(const ConverterContext& context, int64_t count) {
    return int64_t(context.sourceSize) - (context.readIndex + 1) >= count;
}

// The options of a LINE, CHAR, TMPL, PILE, MATRIX or EMBELL record whose tag byte was just read: the next byte in
// version 5, the tag byte's high nibble in the nibble layout.
uint8_t readRecordOptions(ConverterContext& context);
// True when the version 5 layout applies.
inline bool isMtef5(const ConverterContext& context) {
    return context.mtefVersion == 5;
}

// Decodes option flags: each flag value, from the highest down, counts as set when the remaining value is at least
// the flag value, which is then subtracted. `flags` lists the values in descending order; `set` receives one bool a
// flag. Returns what remains.
constexpr uint32_t decodeOptionFlags(uint32_t value, const uint32_t* flags, bool* set, int count) {
    for (int i = 0; i < count; ++i) {
        set[i] = value >= flags[i];
        if (set[i])
            value -= flags[i];
    }
    return value;
}
