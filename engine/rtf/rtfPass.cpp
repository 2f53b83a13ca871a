// The RTF rewriting pass. Groups nest as deep as the document likes, so the pass keeps its open groups on an explicit
// stack instead of recursing: a hostile document cannot exhaust the thread's stack.
#include "rtf/rtfPass.h"

#include "mtef/converterContext.h"
#include "mtef/documentFonts.h"
#include "objects/equationObjectConversion.h"
#include "objects/equationObjectKind.h"
#include "rtf/conversionOptions.h"
#include "rtf/rtfCopyLane.h"
#include "rtf/rtfOutput.h"
#include "rtf/rtfSource.h"
#include "rtf/rtfTokenizer.h"

#include <array>
#include <charconv>
#include <cstring>
#include <vector>

namespace {
// How far the pass has read an object's "{\*\objclass NAME}" while it holds the output.
enum class ClassNameState : uint8_t {
    None,     // no name held
    Expected, // \objclass written: its text comes next
    Written,  // the name written (and held): the group's "}" comes next
    Closed,   // "{\*\objclass NAME}" complete: the name can be rewritten until the object data comes
};

struct RtfPassState {
    int32_t flags = 0;             // RtfPassFlags
    int32_t currentFontNumber = 0; // \f last seen inside the font table; 0 outside it
    bool contextReady = false;     // the converter context holds this job's options
    int32_t convertedEquations = 0;
    bool hasPushedBackToken = false; // a token read ahead that the pass has yet to process
    RtfToken pushedBackToken;
    // Equation Editor 3.x output: the class name of the object being read, held in the output (rtfOutput) from
    // \objclass on, so that an object converted to Equation.3 is not left named after its old class.
    ClassNameState className = ClassNameState::None;
    size_t classNameOffset = 0; // where the name stands in the held output
    size_t classNameLength = 0;
};

RtfPassState gPass; // conversion job's thread only

bool gCopyLaneEnabled = true; // set by tests between jobs; read by the conversion job's thread

// The class an object converted to Equation Editor 3.x objects is named after.
constexpr std::string_view kEquation3ClassName = "Equation.3";

// What the group and object frames on the pass's stack do when their part of the document ends.
enum class Frame : uint8_t {
    Group,                // a group opened inside the font table
    GroupEndingFontTable, // a group opened outside the font table: closing it ends the font table
    ObjectResult,         // the group that follows a converted object, copied
    ObjectResultDropped,  // the same, dropped (Office Math output): output resumes after it
};

// What handling a control word leaves to do.
enum class ControlOutcome {
    Done,            // nothing left
    ObjectConverted, // an object was written converted: its result group comes next
};

void write(std::string_view piece) {
    writeOutputRtf(piece);
}

void writeNumber(int32_t value) {
    char digits[16];
    auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    write({digits, size_t(end - digits)});
}

bool outputSkipped() {
    return (gPass.flags & SkipOutput) != 0;
}

bool writesEquationEditor3Objects() {
    return converterContext().format == EquationFormat::EquationEditor3;
}

RtfToken& nextPassToken(RtfToken& scratch) {
    if (gPass.hasPushedBackToken) {
        gPass.hasPushedBackToken = false;
        return gPass.pushedBackToken;
    }
    readRtfToken({}, scratch);
    return scratch;
}

std::string fontReference(int32_t number) {
    std::string reference = "\\f";
    char digits[16];
    auto end = std::to_chars(digits, digits + sizeof digits, number).ptr;
    reference.append(digits, size_t(end - digits));
    return reference;
}

void noteFonts(std::string_view text) {
    if (cambriaMathGreekFont().empty() && text.find("Cambria Math Greek;") != std::string_view::npos)
        setCambriaMathGreekFont(fontReference(gPass.currentFontNumber));
    if (text.find("Greek") != std::string_view::npos && text.find("Math") == std::string_view::npos)
        setGreekFont(fontReference(gPass.currentFontNumber));
}

// \bin: the parameter counts raw bytes that bypass the lexer. A count that runs past the end of the document copies
// what there is: inventing bytes would let one damaged number turn into gigabytes of zeros.
void copyBinaryData(bool hasParameter, int32_t parameter) {
    const bool skip = outputSkipped();
    int32_t remaining = hasParameter ? parameter : 0;
    if (!skip) {
        write("\\bin");
        writeNumber(remaining);
        write(" ");
    }
    while (remaining > 0) {
        std::string_view run = takeSourceBytes(size_t(remaining));
        if (run.empty()) {
            const char byte = char(nextSourceByte(1));
            if (sourceRtfEnded())
                return;
            run = std::string_view(&byte, 1);
            if (!skip)
                write(run);
            --remaining;
            continue;
        }
        if (!skip)
            write(run);
        remaining -= int32_t(run.size());
    }
}

// The control symbols written without a blank after them: "\*", "\'", "\{", "\}", "\\", "\~", "\_", "\-", "\:", "\|".
constexpr std::array<bool, 256> makeSymbolsWithoutBlank() {
    std::array<bool, 256> table{};
    for (char c : std::string_view("*'{}\\~_-:|"))
        table[uint8_t(c)] = true;
    return table;
}
constexpr std::array<bool, 256> kSymbolWithoutBlank = makeSymbolsWithoutBlank();

bool isControlSymbolWithoutBlank(std::string_view text) {
    return text.size() == 2 && kSymbolWithoutBlank[uint8_t(text[1])];
}

// The control words the pass acts on; every other word is copied.
enum class ControlWordId { Other, Bin, Objdata, Fonttbl, Font, Oleclsid, Objclass };

// Whether `text` is exactly `word`. Spelled out so that each test compiles to a length check and a fixed-size
// comparison: this runs once for every control word and brace of the document.
template <size_t N> bool isWord(std::string_view text, const char (&word)[N]) {
    return text.size() == N - 1 && std::memcmp(text.data(), word, N - 1) == 0;
}

ControlWordId identifyControlWord(std::string_view text) {
    switch (text.size()) { // the length first, so that most words are told apart without comparing bytes
    case 2:
        return isWord(text, "\\f") ? ControlWordId::Font : ControlWordId::Other;
    case 4:
        return isWord(text, "\\bin") ? ControlWordId::Bin : ControlWordId::Other;
    case 8:
        if (isWord(text, "\\objdata"))
            return ControlWordId::Objdata;
        return isWord(text, "\\fonttbl") ? ControlWordId::Fonttbl : ControlWordId::Other;
    case 9:
        if (isWord(text, "\\oleclsid"))
            return ControlWordId::Oleclsid;
        return isWord(text, "\\objclass") ? ControlWordId::Objclass : ControlWordId::Other;
    default:
        return ControlWordId::Other;
    }
}

// Writes a control word with its parameter and delimiter as one piece.
void writeControlWord(std::string_view text, bool hasParameter, int32_t parameter) {
    const bool blank = !isControlSymbolWithoutBlank(text);
    const bool hexEscape = isWord(text, "\\'");
    char piece[64];
    size_t length = 0;
    if (text.size() > sizeof piece - 16) { // a freak word of many letters: write it on its own
        write(text);
    } else if (!text.empty()) {
        std::memcpy(piece, text.data(), text.size());
        length = text.size();
    }
    if (hasParameter) {
        if (hexEscape) {
            static constexpr char kHex[] = "0123456789abcdef";
            piece[length++] = kHex[(parameter >> 4) & 15];
            piece[length++] = kHex[parameter & 15];
        } else {
            length = size_t(std::to_chars(piece + length, piece + sizeof piece, parameter).ptr - piece);
        }
    }
    if (blank)
        piece[length++] = ' ';
    write({piece, length});
}

// The object's data has come: the held class name is rewritten when the object was converted to Equation.3, and the
// output is released either way.
void endClassNameHold(bool convertedToEquation3) {
    if (convertedToEquation3 && gPass.className == ClassNameState::Closed)
        (void)replaceHeldOutputRtf(gPass.classNameOffset, gPass.classNameLength, kEquation3ClassName);
    releaseOutputRtf();
    gPass.className = ClassNameState::None;
}

// \objdata with output on: the object's hex text up to the brace that closes its group, recognised by class name and
// converted, or copied as read (line ends removed).
ControlOutcome replaceObjectData() {
    RtfToken data;
    readRtfToken("}", data);
    if (data.kind == TokenNone) {
        // The document ends inside the object data: copy what there is and add no brace the source does not have.
        endClassNameHold(false);
        write("\\objdata ");
        write(data.text);
        return ControlOutcome::Done;
    }
    const bool equationEditor3 = writesEquationEditor3Objects();
    RecognisedObject object = recogniseEquationObject(data.text, !equationEditor3);
    if (object.kind != ObjectNotEquation) {
        const std::string& result = convertEquationObject(converterContext(), object.data, object.kind);
        if (!result.empty()) {
            endClassNameHold(equationEditor3);
            if (equationEditor3)
                write("\\objdata ");
            write(result);
            ++gPass.convertedEquations;
            write("}");
            return ControlOutcome::ObjectConverted;
        }
    }
    endClassNameHold(false);
    write("\\objdata ");
    write(data.text);
    write("}");
    return ControlOutcome::Done;
}

// Acts on one control word or symbol: writes it (with its parameter when `hasParameter`), copies \bin data, notes the
// font table and replaces \objdata, and says whether that wrote an object converted.
ControlOutcome handleControlWord(std::string_view text, bool hasParameter, int32_t parameter) {
    if (!gPass.contextReady) {
        initConverterContext(converterContext(), conversionSwitches(conversionOptions()));
        gPass.contextReady = true;
    }
    const ControlWordId id = identifyControlWord(text);
    if (id == ControlWordId::Bin) {
        copyBinaryData(hasParameter, parameter);
        return ControlOutcome::Done;
    }
    if (outputSkipped())
        return ControlOutcome::Done;
    switch (id) {
    case ControlWordId::Objdata:
        return replaceObjectData();
    case ControlWordId::Fonttbl:
        write(text);
        gPass.flags |= InFontTable;
        break;
    case ControlWordId::Font:
        writeControlWord(text, hasParameter, parameter);
        gPass.currentFontNumber = (gPass.flags & InFontTable) && hasParameter ? parameter : 0;
        break;
    case ControlWordId::Oleclsid:
        write("\\oleclsid ");
        gPass.flags |= DropText;
        break;
    case ControlWordId::Objclass:
        writeControlWord(text, hasParameter, parameter);
        if (writesEquationEditor3Objects()) {
            releaseOutputRtf();
            holdOutputRtf();
            gPass.className = ClassNameState::Expected;
        }
        break;
    case ControlWordId::Bin:
    case ControlWordId::Other:
        writeControlWord(text, hasParameter, parameter);
        break;
    }
    return ControlOutcome::Done;
}

// After a converted object the group that follows is its result picture: copied for Equation Editor 3.x objects,
// dropped for Office Math. Only an opening brace there starts such a group; any other token (the object group's own
// closing brace, say) is left to the enclosing group, so the nesting of the rest of the document stays intact.
bool followWithResultGroup(RtfToken& token, std::vector<Frame>& frames) {
    RtfToken& next = nextPassToken(token);
    if (next.kind != TokenBrace || next.text != "{") {
        gPass.pushedBackToken = next;
        gPass.hasPushedBackToken = true;
        return false;
    }
    const bool drop = !writesEquationEditor3Objects();
    frames.push_back(drop ? Frame::ObjectResultDropped : Frame::ObjectResult);
    if (drop)
        gPass.flags |= SkipOutput;
    gPass.pushedBackToken = next;
    gPass.hasPushedBackToken = true;
    return true;
}

// The tokens after "\objclass" while its name is held: the name (a text that is written), then the closing brace.
// Anything else ends the hold: no name can then be rewritten safely.
void followClassName(const RtfToken& token) {
    const bool textWritten = token.kind == TokenText && !(gPass.flags & (SkipOutput | DropText));
    if (gPass.className == ClassNameState::Expected && textWritten && isOutputRtfHeld()) {
        gPass.classNameOffset = heldOutputRtfSize();
        gPass.classNameLength = token.text.size();
        gPass.className = ClassNameState::Written;
        return;
    }
    if (gPass.className == ClassNameState::Written && token.kind == TokenBrace && isWord(token.text, "}")) {
        gPass.className = ClassNameState::Closed;
        return;
    }
    endClassNameHold(false);
}

// Reads and acts on one token. Returns false when it opened a group (or an object's result group), whose tokens come
// next; otherwise true with the token's result in `result`.
bool startToken(std::vector<Frame>& frames, int& result) {
    RtfToken scratch;
    RtfToken& token = nextPassToken(scratch);
    if (gPass.className != ClassNameState::None && gPass.className != ClassNameState::Closed)
        followClassName(token);
    switch (token.kind) {
    case TokenBrace:
        if (!outputSkipped())
            write(token.text);
        if (isWord(token.text, "}")) {
            gPass.flags &= ~DropText;
            result = 2;
            return true;
        }
        frames.push_back((gPass.flags & InFontTable) ? Frame::Group : Frame::GroupEndingFontTable);
        return false;
    case TokenText:
        if (!(gPass.flags & (SkipOutput | DropText)))
            write(token.text);
        if ((gPass.flags & InFontTable) && gPass.currentFontNumber != 0)
            noteFonts(token.text);
        result = 1;
        return true;
    case TokenControl:
    case TokenControlParam:
        result = 1;
        if (handleControlWord(token.text, token.kind == TokenControlParam, token.parameter) ==
            ControlOutcome::ObjectConverted)
            return !followWithResultGroup(scratch, frames);
        return true;
    case TokenNone:
        result = 0;
        return true;
    }
    result = 0;
    return true;
}

// The input bytes the copy lane may start tokens in at once, so that its output fits the room taken for it.
constexpr size_t kLaneChunk = size_t(1) << 17;

// Inside a group with nothing pending and nothing the lane cannot do (the font table, text dropped after
// \oleclsid, a held class name), the tokens the pass only copies go through the copy lane; it stops before the first
// token the pass must read itself. The groups it leaves open become frames as if read one by one.
void runCopyLane(std::vector<Frame>& frames) {
    if (!gCopyLaneEnabled || frames.empty() || gPass.hasPushedBackToken || !gPass.contextReady ||
        gPass.className != ClassNameState::None || (gPass.flags & ~SkipOutput) != 0)
        return;
    const Frame back = frames.back();
    if (back != Frame::Group && back != Frame::GroupEndingFontTable)
        return;
    const bool writing = !outputSkipped();
    for (;;) {
        const std::string_view ahead = sourceRtfAhead();
        if (ahead.empty())
            return;
        const size_t chunk = std::min(ahead.size(), kLaneChunk);
        char* room = writing ? outputRtfRoom(copyLaneOutputBound(chunk)) : nullptr;
        if (writing && room == nullptr)
            return;
        const CopyLaneResult lane = copyLane(ahead, chunk, room, writing);
        if (lane.consumed == 0)
            return;
        skipSourceRtf(lane.consumed);
        if (writing)
            commitOutputRtf(lane.written);
        setRtfCarriageReturnPending(lane.endsAfterCarriageReturn);
        if (lane.sawFontWord)
            gPass.currentFontNumber = 0;
        frames.insert(frames.end(), size_t(lane.openedGroups), Frame::GroupEndingFontTable);
        if (lane.consumed < chunk)
            return; // stopped before a token of the ordinary path
    }
}

// Runs tokens until the stack of open frames is empty again after a token has completed; returns that token's result.
// Starting from an empty stack this processes one token and every group it opens.
int runPass(std::vector<Frame>& frames) {
    for (;;) {
        runCopyLane(frames);
        int result = 0;
        if (!startToken(frames, result))
            continue;
        for (;;) {
            if (frames.empty())
                return result;
            const Frame frame = frames.back();
            if ((frame == Frame::Group || frame == Frame::GroupEndingFontTable) && result == 1)
                break; // the group goes on
            frames.pop_back();
            if (frame == Frame::GroupEndingFontTable)
                gPass.flags &= ~InFontTable;
            if (frame == Frame::ObjectResultDropped)
                gPass.flags &= ~SkipOutput;
            result = 1; // the token that opened the frame is complete
        }
    }
}
} // namespace

RtfPassResult processToken() {
    std::vector<Frame> frames;
    const int result = runPass(frames);
    return {result == 0   ? RtfPassStep::InputEnded
            : result == 2 ? RtfPassStep::GroupClosed
                          : RtfPassStep::TokenDone,
            sourceRtfBytesRead()};
}

RtfPassResult processGroup() {
    for (;;) {
        const RtfPassResult result = processToken();
        if (result.step != RtfPassStep::TokenDone)
            return result;
    }
}

void resetRtfPass() {
    gPass.flags = 0;
    gPass.currentFontNumber = 0;
    resetDocumentFonts();
    gPass.contextReady = false;
    gPass.hasPushedBackToken = false;
    gPass.pushedBackToken = RtfToken{};
    gPass.className = ClassNameState::None;
}

void setRtfCopyLaneEnabled(bool enabled) {
    gCopyLaneEnabled = enabled;
}

int32_t rtfPassFlags() {
    return gPass.flags;
}

int32_t convertedEquationCount() {
    return gPass.convertedEquations;
}

void setConvertedEquationCount(int32_t count) {
    gPass.convertedEquations = count;
}
