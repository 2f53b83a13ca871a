// The copy pass's fast lane: the tokens that the pass copies without acting on them (text, ordinary control words
// and symbols, hex escapes, braces of groups opened on the way), read straight from the source bytes and written
// straight into the output, with the same bytes as the token-by-token path. It stops before anything the pass must
// see itself: the control words it acts on, a closing brace of a group it did not open, a token that might run past
// the bytes it was given, and anything unusual (long words, numbers that are not plain), which the ordinary path then
// reads. Portable and stateless: the pass hands it the bytes and takes back how far it got.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

// The most output the lane writes for `inputBytes` bytes of input: every token it copies may grow by one byte (a
// delimiter blank, a second hex digit), and a token may run a little past the bytes it is allowed to start in.
constexpr size_t kCopyLaneTokenSlack = 64;
// Bytes after the lane's input that it may read (never take).
constexpr size_t kCopyLaneReadAhead = 64;
inline size_t copyLaneOutputBound(size_t inputBytes) {
    return 2 * inputBytes + kCopyLaneTokenSlack;
}

struct CopyLaneResult {
    size_t consumed = 0;                  // source bytes taken
    size_t written = 0;                   // output bytes written
    int32_t openedGroups = 0;             // groups opened and still open where the lane stopped
    bool endsAfterCarriageReturn = false; // the last byte taken was a CR (the tokeniser's line-end state)
    bool sawFontWord = false;             // a \f word was copied (it resets the pass's current font number)
};

// The first byte of [p, end) that ends a text run (\ { } CR LF TAB), or end: the vectorised search the lane uses,
// for the lexer's runs too.
const char* findTextRunStop(const char* p, const char* end);

// A stop-mode text (an object's data up to its closing brace) copied as the lexer reads it: line ends dropped, tabs
// made blanks. Copies from [input, end) into [output, output + room) until the `stop` byte, the end of the input, or
// the output has fewer than kStopCopySlack bytes of room left; stores may reach into that slack.
constexpr size_t kStopCopySlack = 16;
struct StopCopyResult {
    size_t consumed = 0;    // input bytes copied, not counting the stop byte
    size_t written = 0;     // output bytes
    bool foundStop = false; // the stop byte stands at input + consumed
};
StopCopyResult copyUpToStop(const char* input, const char* end, char stop, char* output, size_t room);

// Copies tokens from `source` (the bytes after the pass's position, none of them past the next progress step) into
// `output`, which has room for copyLaneOutputBound(startLimit) bytes. Tokens start only in the first `startLimit`
// bytes; they may end anywhere in `source`. With `writing` false nothing is written (a dropped group): only the
// groups are followed, and \bin stops the lane. At least kCopyLaneReadAhead bytes after `source` must be readable
// (more of the document, or the source buffer's zero and padding): blocks are loaded whole and may reach into them.
CopyLaneResult copyLane(std::string_view source, size_t startLimit, char* output, bool writing);
