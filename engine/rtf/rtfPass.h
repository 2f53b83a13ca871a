// The RTF rewriting pass: copies the source document token by token to the output file and replaces every equation
// object on the way. Around that it keeps a little document state: the font table (its Greek fonts it notes in
// documentFonts.h), and whether text or output is suppressed. All state is process-wide and belongs to the conversion
// job's thread.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Suppression and font-table bits of the pass.
enum RtfPassFlags : int32_t {
    SkipOutput = 1,  // nothing is written and control words lose their side effects (the result group of a converted
                     // object in Office Math output)
    InFontTable = 2, // inside the \fonttbl group
    DropText = 4,    // text runs are not written: from \oleclsid to the next closing brace
};

// What one processToken call did.
enum class RtfPassStep : int32_t {
    InputEnded = 0,  // the source has no more tokens
    TokenDone = 1,   // a token (an opening brace: its whole group) was processed; more may follow
    GroupClosed = 2, // a "}" closed the current group
};

struct [[nodiscard]] RtfPassResult {
    RtfPassStep step = RtfPassStep::InputEnded;
    int64_t offset = 0; // bytes of the document read when the call returned
};

// Processes one token; an opening brace processes its whole group.
RtfPassResult processToken();

// Calls processToken until it returns something other than TokenDone, and returns that.
RtfPassResult processGroup();

// Starts the pass state afresh for a job (the source loader calls it).
void resetRtfPass();

// Whether the pass copies what it only copies through its fast lane (on by default). Off, every token goes the
// ordinary way: the tests compare the two, which must write the same bytes.
void setRtfCopyLaneEnabled(bool enabled);

// The pass's bits (RtfPassFlags).
int32_t rtfPassFlags();

// Equation objects written converted in the current job. The job resets it; the pass counts.
int32_t convertedEquationCount();
void setConvertedEquationCount(int32_t count);
