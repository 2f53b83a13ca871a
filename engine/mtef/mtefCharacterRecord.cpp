// CHAR records: one Office Math run (format 1) or one MTEF version 3 CHAR record (format 0) per character. This is
// where the typeface becomes the run's script and style, and the character a plain or escaped byte, a Unicode
// escape, a SYMBOL field in a MathType font, blanks for MathType spaces, or a Greek code-page byte in the document's
// Greek font.
#include "mtef/characterTables.h"
#include "mtef/codePage1252.h"
#include "mtef/documentFonts.h"
#include "mtef/fontCharacterMaps.h"
#include "mtef/mtefDispatcher.h"
#include "mtef/mtefRecords.h"

#include <charconv>
#include <cstring>

namespace {
// A character's run is short: it is composed here and handed to the output in one append, instead of one append a
// piece. A piece that would not fit goes to the output directly, after what was composed; the bytes are the same
// either way. The adders are forced inline: left to itself the compiler calls them, and a call costs more than the
// few bytes most pieces have (a literal's length is then also known where it is added).
class RunText {
public:
    explicit RunText(std::string& target) : target_(target) {}
    ~RunText() { flush(); }
    RunText(const RunText&) = delete;
    RunText& operator=(const RunText&) = delete;

    [[gnu::always_inline]] RunText& operator+=(std::string_view text) {
        if (text.size() <= kCapacity - size_) {
            std::memcpy(bytes_ + size_, text.data(), text.size());
            size_ += text.size();
        } else {
            spill(text);
        }
        return *this;
    }
    [[gnu::always_inline]] RunText& operator+=(char c) {
        if (size_ == kCapacity)
            flush();
        bytes_[size_++] = c;
        return *this;
    }
    // "%0.2x" of a byte value.
    [[gnu::always_inline]] void addHexByte(uint32_t value) {
        static constexpr char kHex[] = "0123456789abcdef";
        if (kCapacity - size_ < 2)
            flush();
        bytes_[size_] = kHex[(value >> 4) & 15];
        bytes_[size_ + 1] = kHex[value & 15];
        size_ += 2;
    }
    // Takes back the last `count` bytes written (the caller wrote at least that many).
    void dropLast(size_t count) {
        if (count <= size_) {
            size_ -= count;
            return;
        }
        flush();
        target_.resize(target_.size() - count);
    }
    // Hands what was composed to the output, which then holds the whole run so far.
    std::string& flush() {
        target_.append(bytes_, size_);
        size_ = 0;
        return target_;
    }

private:
    // A piece longer than the room left goes to the output after what was composed.
    void spill(std::string_view text) {
        flush();
        target_.append(text.data(), text.size());
    }

    static constexpr size_t kCapacity = 192; // above every run but those with a long font reference
    std::string& target_;
    char bytes_[kCapacity];
    size_t size_ = 0;
};

// How the character of a record is stored, from its options.
enum class EncodingKind { None, NoMtcode, Position16, Position8 };

struct CharOptions {
    EncodingKind kind = EncodingKind::None;
    bool nudge = false;
    bool embellished = false;
    uint8_t outputOptions = 0; // the high nibble of the version 3 tag byte: 8 nudge, 2 embellished, 1 function
};

// The typefaces 128 and above: 128 + the MTEF style number.
enum StyleTypeface : uint8_t {
    TypefaceUser1 = 137,
    TypefaceUser2 = 138,
    TypefaceMtExtra = 139,
    TypefaceExpanding = 150,
    TypefaceMarker = 151,
    TypefaceSpace = 152,
};

constexpr std::string_view kEuclidFrakturHex = "4575636c6964204672616b74757200"; // "Euclid Fraktur", exactly
constexpr std::string_view kEuclidHex = "4575636c6964";                          // "Euclid" anywhere in the name

constexpr CharOptions decodeCharOptions(uint8_t value, bool mtef5) {
    CharOptions options;
    constexpr uint32_t kFlags[] = {32, 16, 8, 4, 2, 1};
    bool set[6] = {};
    decodeOptionFlags(value, kFlags, set, 6);
    if (set[0])
        options.kind = EncodingKind::NoMtcode;
    if (set[1])
        options.kind = EncodingKind::Position16;
    if (set[2]) {
        options.nudge = true;
        options.outputOptions += 8;
    }
    if (set[3])
        options.kind = EncodingKind::Position8; // a later kind replaces an earlier one
    if (set[4] && !mtef5) {
        options.embellished = true;
        options.outputOptions += 2;
    }
    if (set[5]) {
        if (mtef5) {
            options.embellished = true;
            options.outputOptions += 2;
        } else {
            options.outputOptions += 1; // part of a recognised function name
        }
    }
    return options;
}

// Every character record decodes its options: the options of every value, in both layouts, are decoded once, at
// compile time.
struct CharOptionTable {
    CharOptions byValue[2][256]; // [version 5 layout][options value]
};
constexpr CharOptionTable makeCharOptionTable() {
    CharOptionTable table{};
    for (int mtef5 = 0; mtef5 < 2; ++mtef5) {
        for (int value = 0; value < 256; ++value)
            table.byValue[mtef5][value] = decodeCharOptions(uint8_t(value), mtef5 != 0);
    }
    return table;
}
constexpr CharOptionTable kCharOptionTable = makeCharOptionTable();

// The decimal digits of a value.
void appendNumber(RunText& run, uint32_t value) {
    char digits[12];
    run += std::string_view(digits, size_t(std::to_chars(digits, digits + sizeof digits, value).ptr - digits));
}

void appendEscape(RunText& run, uint32_t codePoint) {
    run += "{\\uc1\\u";
    appendNumber(run, codePoint);
    run += "\\'3f}";
}

void appendForm(RunText& run, const CharacterForm& form) {
    switch (form.kind) {
    case CharacterForm::Escape:
        appendEscape(run, form.value);
        return;
    case CharacterForm::Literal:
        run += form.text;
        return;
    case CharacterForm::Symbol: {
        run += "{\\field{\\*\\fldinst SYMBOL ";
        appendNumber(run, form.value);
        run += " \\\\f \"";
        run += form.text;
        run += "\"}{\\fldrslt }}";
        return;
    }
    case CharacterForm::Nothing:
        return;
    }
}

// "Written escaped": backslash and braces get a backslash in front; every other byte stands as it is.
void appendEscapedByte(RunText& run, uint8_t byte) {
    if (byte == '\\' || byte == '{' || byte == '}')
        run += '\\';
    run += char(byte);
}

// A byte of 33 or more without a mapping: the multiplication and division signs as escapes, backslash and braces
// escaped, bytes from 127 on through code page 1252 (U+003F when the code page has no character there).
void appendAsciiRule(RunText& run, uint8_t byte) {
    if (byte == 215 || byte == 247) {
        appendEscape(run, byte);
    } else if (byte >= 127) {
        uint16_t codePoint = 0;
        appendEscape(run, convertWindows1252Byte(byte, codePoint) ? codePoint : 0x3f);
    } else {
        appendEscapedByte(run, byte);
    }
}

// What step 3 learns about an explicit-font slot.
struct SlotFont {
    const FontEntry* font = nullptr; // null: no usable font
    bool zeroHighByte = true;
    bool scriptLetters = false;
    std::string_view styleText; // the run's script and style words
};

// Binds typeface slot t (0-127) and finds its font; appends the run's style words in format 1.
SlotFont bindSlot(ConverterContext& context, uint8_t t, RunText& run) {
    TypefaceSlot& slot = context.typefaces[t];
    if (context.pendingFont != -1) {
        slot = {context.pendingFont, context.pendingStyle};
        context.pendingFont = -1;
    } else if (slot.font == -1) {
        slot = {context.fontDefCount + 127 - t, 0};
    }
    SlotFont result;
    SlotStyle style;
    result.font = fontDefinition(context, slot.font);
    if (result.font == nullptr) {
        result.zeroHighByte = false;
        style = styleOfSlot(nullptr, slot.style);
    } else {
        const std::string_view name = result.font->name;
        result.zeroHighByte = name == kEuclidFrakturHex || result.font->encodingClass == -1 ||
                              (!context.allowMathTypeFonts && name.find(kEuclidHex) != std::string_view::npos);
        style = styleOfSlot(&name, slot.style);
        result.scriptLetters = style.scriptLetters;
    }
    result.styleText = style.styleText;
    if (context.format == EquationFormat::MicrosoftEquation)
        run += style.styleText;
    return result;
}

struct CharRecord {
    uint8_t typeface = 0;
    SlotFont slot;
    bool onFontPath = false; // explicit font whose encoding class is 0
};

void appendV3Character(RunText& run, uint8_t low, uint8_t high) {
    run.addHexByte(low);
    run.addHexByte(high);
}

// A Greek letter as the code-page 1253 byte that stands for it, in the document's Greek font. A document whose font
// table names no Greek font gets the letter's Unicode escape instead: a font reference there would name a font the
// document does not have, and the byte would be read in the run's own code page. The bytes written here (0xC1 to
// 0xFE, 0xD2 aside) are code page 1253's capital alpha to small omega with tonos, U+0391 onwards in the same order.
void appendGreekByte(RunText& run, const std::string& greekFont, uint8_t byte) {
    if (greekFont.empty()) {
        appendEscape(run, byte + 0x2D0u);
        return;
    }
    static constexpr char kHex[] = "0123456789abcdef";
    run += greekFont;
    run += "\\'";
    run += kHex[byte >> 4];
    run += kHex[byte & 15];
}

// Greek letters (high byte 3) under an 8-bit position, Office Math.
void appendGreek(RunText& run, uint8_t low, uint8_t position) {
    const std::string& greek = cambriaMathGreekFont();
    const bool inGreekFont = (low >= 145 && low <= 161) || low == 163 || low == 164 || (low >= 166 && low <= 169) ||
                             (low >= 177 && low <= 197) || (low >= 199 && low <= 201);
    if (inGreekFont) {
        appendGreekByte(run, greek, uint8_t(low + 0x30));
    } else if (low == 210) {
        appendGreekByte(run, greek, 0xd5);
    } else if (low == 198) {
        if (position == 106)
            appendGreekByte(run, greek, 0xf6);
        else
            run += "\\i{\\uc1\\u981\\'3f}";
    } else if (low == 213) {
        if (position == 102)
            run += "{\\uc1\\u981\\'3f}";
        else
            appendGreekByte(run, greek, 0xf6);
    } else if (low == 209) {
        appendEscape(run, 977);
    } else if (low == 214) {
        appendEscape(run, 982);
    } else {
        appendEscape(run, 0x300u + low);
    }
}

// The listed form of an MT Extra character, Office Math. A letter of a double-struck alphabet is a run of its own
// script and style ("{\mr\mscr3\msty0 C}"): its words take the place of the character's style words in the run
// already open, since Office Math has no run inside a run.
void appendMtExtraForm(RunText& run, const CharacterForm& form) {
    constexpr std::string_view kRunHead = "{\\mr";
    const std::string_view text = form.text;
    if (form.kind == CharacterForm::Literal && text.size() > kRunHead.size() + 1 &&
        text.compare(0, kRunHead.size(), kRunHead) == 0 && text.back() == '}') {
        run.dropLast(styleTextOfTypeface(TypefaceMtExtra).size());
        run += text.substr(kRunHead.size(), text.size() - kRunHead.size() - 1);
        return;
    }
    appendForm(run, form);
}

// An 8-bit font position follows the MTCode.
void translatePosition8(ConverterContext& context, const CharRecord& record, RunText& run) {
    const uint8_t low = readMtefValue(context);
    const uint8_t high = readMtefValue(context);
    const uint8_t position = readMtefValue(context);
    const uint16_t code = uint16_t(high * 256 + low);
    const bool officeMath = context.format == EquationFormat::MicrosoftEquation;
    if (record.onFontPath) {
        if (!officeMath) {
            run.addHexByte(position);
            run += record.slot.zeroHighByte ? "00" : "f7";
        } else if (record.slot.scriptLetters &&
                   ((position >= 65 && position <= 90) || (position >= 97 && position <= 122))) {
            run += char(position); // the run's script gives the letter its alphabet
        } else {
            CharacterForm form;
            appendForm(run, fontPathForm(code, position, context.allowMathTypeFonts, form)
                                ? form
                                : CharacterForm{CharacterForm::Escape, code, {}});
        }
        return;
    }
    if (record.typeface == TypefaceMtExtra) {
        if (!officeMath)
            run.dropLast(2); // the typeface byte: the table or the record below writes its own
        MtExtraForms forms;
        if (mtExtraForms(code, forms)) {
            if (officeMath)
                appendMtExtraForm(run, forms.officeMath);
            else
                run += context.allowMathTypeFonts ? forms.v3Allowed : forms.v3NotAllowed;
        } else if (!officeMath) {
            run.addHexByte(TypefaceMtExtra);
            appendV3Character(run, low, high);
        } else if (high != 0) {
            appendForm(run, mtExtraOtherForm(code, context.allowMathTypeFonts));
        } else if (low >= 33) {
            appendEscapedByte(run, low);
        }
        return;
    }
    if (officeMath) {
        if (high == 3)
            appendGreek(run, low, position);
        else if (high != 0)
            appendForm(run, wideCharacterForm(code));
        else if (low >= 33)
            appendAsciiRule(run, low);
        return;
    }
    if (high == 3 && low == 0xC6 && position == 0x6A)
        run += "d503";
    else if (high == 3 && low == 0xD5 && position == 0x66)
        run += "c603";
    else
        appendV3Character(run, low, high);
}

// A 16-bit font position follows the MTCode.
void translatePosition16(ConverterContext& context, const CharRecord& record, RunText& run) {
    const uint8_t low = readMtefValue(context);
    const uint8_t high = readMtefValue(context);
    const uint8_t positionLow = readMtefValue(context);
    const uint8_t positionHigh = readMtefValue(context);
    if (context.format == EquationFormat::MicrosoftEquation) {
        if (high != 0)
            appendEscape(run, uint32_t(high * 256 + low));
        else if (low > 32)
            appendEscapedByte(run, low);
        return;
    }
    // A position above 255 has no one-byte form: the character is written by its MTCode instead.
    if (record.onFontPath && positionHigh == 0) {
        run.addHexByte(positionLow);
        run += record.slot.zeroHighByte ? "00" : "f7";
    } else {
        appendV3Character(run, low, high);
    }
}

// No position: versions 2 and 4 store a font position, the others an MTCode.
void translateCharacterCode(ConverterContext& context, const CharRecord& record, RunText& run) {
    uint8_t low = readMtefValue(context);
    uint8_t high = 0;
    if (context.mtefVersion == 2 || context.mtefVersion == 4) {
        if (record.typeface >= 132 && record.typeface <= 134)
            mapSymbolFontChar(low, high);
        else if (record.typeface == TypefaceMtExtra)
            mapMtExtraChar(low, high);
        else if (record.typeface == TypefaceExpanding)
            mapExpandingChar(low, high);
    } else {
        high = readMtefValue(context);
    }
    if (context.format == EquationFormat::MicrosoftEquation) {
        if (high != 0)
            appendForm(run, mtcodeForm(uint16_t(high * 256 + low), context.forceUnicode != 0));
        else if (low < 33)
            appendForm(run, controlRangeForm(low));
        else if (low == '\'')
            run += context.forceUnicode ? "{\\uc1\\u39 '}" : "'";
        else
            appendAsciiRule(run, low);
        return;
    }
    run.addHexByte(low);
    if (record.typeface == TypefaceMarker && low == 9)
        run += "00";
    else if (record.typeface == TypefaceMarker || record.typeface == TypefaceSpace)
        run += "eb";
    else
        run.addHexByte(high);
}

// The fixed head of an Office Math run in each style typeface (128 and above): element start, "{\mr" and the style
// words, in a field of constant size so that it is copied in one move.
struct RunHead {
    char text[32];
    size_t size;
};
struct RunHeadTable {
    RunHead byTypeface[128]; // [typeface - 128]
};
constexpr RunHeadTable makeRunHeadTable() {
    RunHeadTable table{};
    constexpr char kRunHead[] = {kElementStart, '{', '\\', 'm', 'r'};
    for (size_t i = 0; i < 128; ++i) {
        RunHead& head = table.byTypeface[i];
        for (const char c : kRunHead)
            head.text[head.size++] = c;
        for (const char c : styleTextOfTypeface(uint8_t(128 + i)))
            head.text[head.size++] = c; // more than the field holds is not a constant expression
    }
    return table;
}
constexpr RunHeadTable kRunHeads = makeRunHeadTable();

// The character most equations are made of: a style typeface (128 and above) and an MTCode, without position, nudge
// or embellishment, in version 3 or 5; for Office Math an MTCode from 33 to 126 but the apostrophe (which has a form
// of its own), for MTEF version 3 any MTCode but in the marker and space typefaces. For it the general path below
// comes down to a run of fixed pieces, written here in one append. Returns false, having read nothing, for any other
// character.
bool translatePlainCharacter(ConverterContext& context, const CharOptions& options, std::string& target) {
    if (options.nudge || options.embellished ||
        (options.kind != EncodingKind::None && options.kind != EncodingKind::NoMtcode) ||
        (context.mtefVersion != 3 && context.mtefVersion != 5) || context.endOfData)
        return false;
    const int64_t first = context.readIndex + 1; // typeface, MTCode low byte, MTCode high byte
    if (first < 0 || int64_t(context.sourceSize) - first < 3)
        return false;
    const uint8_t* const bytes = context.source.data() + first;
    const uint8_t typeface = bytes[0];
    const uint8_t low = bytes[1];
    const uint8_t high = bytes[2];
    if (typeface < 128)
        return false;
    char run[sizeof RunHead::text + 4];
    size_t size = 0;
    if (context.format == EquationFormat::MicrosoftEquation) {
        if (high != 0 || low < 33 || low >= 127 || low == '\'')
            return false;
        const RunHead& head = kRunHeads.byTypeface[typeface - 128];
        std::memcpy(run, head.text, sizeof head.text);
        size = head.size;
        if (low == '\\' || low == '{' || low == '}') // written escaped, as appendEscapedByte does
            run[size++] = '\\';
        run[size++] = char(low);
        run[size++] = '}';
        run[size++] = kElementEnd;
    } else if (context.format == EquationFormat::EquationEditor3) {
        if (typeface == TypefaceMarker || typeface == TypefaceSpace)
            return false;
        static constexpr char kHex[] = "0123456789abcdef";
        const uint8_t record[4] = {uint8_t(options.outputOptions * 16 + TagChar),
                                   typeface == TypefaceUser1 || typeface == TypefaceUser2 ? uint8_t(0x87) : typeface,
                                   low, high};
        for (const uint8_t byte : record) {
            run[size++] = kHex[byte >> 4];
            run[size++] = kHex[byte & 15];
        }
    } else {
        return false;
    }
    target.append(run, size);
    context.readIndex = first + 2;
    context.currentByte = high;
    return true;
}

// The tag of the record after the character, left unread; -1 at the end of the data.
int32_t nextRecordTag(ConverterContext& context) {
    if (!readMtefByte(context))
        return -1;
    const uint8_t tagByte = currentByteValue(context);
    stepBackMtefByte(context);
    return isMtef5(context) ? tagByte : (tagByte & 15);
}
} // namespace

int translateChar(ConverterContext& context, std::string* output, bool /*pullNext*/, int32_t /*tag*/) {
    const CharOptions& options = kCharOptionTable.byValue[isMtef5(context)][readRecordOptions(context)];
    const bool officeMath = context.format == EquationFormat::MicrosoftEquation;
    // The run is written straight into the output. A discarded one is still built in full, embellishments and all,
    // so that the record is read exactly as when it is kept.
    std::string discarded;
    std::string& target = output != nullptr ? *output : discarded;
    if (translatePlainCharacter(context, options, target))
        return 0;
    const size_t runStart = target.size();
    RunText run(target);
    if (officeMath) {
        static constexpr char kRunHead[] = {kElementStart, '{', '\\', 'm', 'r'}; // as translatePlainCharacter's
        run += std::string_view(kRunHead, sizeof kRunHead);
    } else {
        run.addHexByte(uint32_t(options.outputOptions) * 16 + TagChar);
    }
    if (options.nudge)
        readNudge(context, &run.flush()); // format 0 keeps its bytes after the tag byte

    CharRecord record;
    record.typeface = readMtefValue(context);
    std::string_view styleText;
    if (record.typeface >= 128) {
        styleText = styleTextOfTypeface(record.typeface);
        if (officeMath)
            run += styleText;
        else
            run.addHexByte(record.typeface == TypefaceUser1 || record.typeface == TypefaceUser2 ? 0x87
                                                                                                : record.typeface);
    } else {
        if (!officeMath)
            run.addHexByte(record.typeface);
        record.slot = bindSlot(context, record.typeface, run);
        styleText = record.slot.styleText;
        record.onFontPath = record.slot.font != nullptr && record.slot.font->encodingClass == 0;
    }

    switch (options.kind) {
    case EncodingKind::Position8:
        translatePosition8(context, record, run);
        break;
    case EncodingKind::Position16:
        translatePosition16(context, record, run);
        break;
    case EncodingKind::None:
    case EncodingKind::NoMtcode: // the MTCode bytes are read as for the other kinds
        translateCharacterCode(context, record, run);
        break;
    }

    // The embellishment list follows only when the next record really is one. In version 3 it may also be empty, an
    // END alone: version 3 writes a list as every mark's record with its own END and then the list's END, and its
    // writers (this one too) keep the flag with an empty list where a character's marks all became templates around
    // it; format 0 copies that END. Otherwise the character is written as not embellished (format 0 clears the flag
    // in its tag byte) and the next record is left to the caller.
    const int32_t next = options.embellished ? nextRecordTag(context) : -1;
    if (next == TagEnd && context.mtefVersion == 3) {
        readMtefByte(context);
        if (!officeMath)
            run += "00";
    } else if (options.embellished) {
        if (next == TagEmbellishment) {
            // The list rewrites the character's text, which it finds in the output from runStart on.
            context.embellishingCharacter = true;
            context.embellishedRunStart = runStart;
            context.embellishedRunStyle = styleText;
            dispatchMtefRecord(context, &run.flush(), OneRecord);
            context.embellishingCharacter = false;
        } else if (!officeMath) {
            // Not embellished after all: the tag byte that starts the run loses its embellishment option.
            static constexpr char kHex[] = "0123456789abcdef";
            const uint32_t tagByte = uint32_t(options.outputOptions - 2) * 16 + TagChar;
            run.flush();
            target[runStart] = kHex[(tagByte >> 4) & 15];
            target[runStart + 1] = kHex[tagByte & 15];
        }
    }
    if (officeMath) {
        static constexpr char kRunTail[] = {'}', kElementEnd};
        run += std::string_view(kRunTail, sizeof kRunTail);
    }
    return 0;
}
