// The RTF lexer: cuts the source (rtfSource) into braces, text runs, control words and control symbols.
// Line ends are normalised on the way (CR, CR LF and LF each become one LF), and text runs lose their line feeds and
// turn tabs into blanks. It knows no keywords: the RTF pass gives tokens their meaning.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

enum RtfTokenKind : int32_t {
    TokenNone = 0,         // the input ended before any byte of a token (a zero byte in the input is text)
    TokenBrace = 1,        // "{" or "}"
    TokenText = 2,         // a text run after its replacements; in stop mode, the text read up to the stop text
    TokenControl = 3,      // a control word without parameter ("\objdata") or a control symbol ("\*", "\{", "\'")
    TokenControlParam = 4, // a control word with a decimal parameter ("\f" 12), or "\'" with its hexadecimal value
};

struct RtfToken {
    RtfTokenKind kind = TokenNone;
    int32_t parameter = 0; // 0 unless kind is TokenControlParam
    // The token's bytes. Borrowed: it points into the source buffer or the lexer's scratch text and stays valid
    // until the next readRtfToken or load.
    std::string_view text;
};

// Reads the next token. With an empty stop text one ordinary token; with a non-empty one, raw text up to and
// including the stop text (stop mode), of which the stop text itself is dropped. In stop mode a source that ends
// first gives TokenNone with the raw rest of the source.
void readRtfToken(std::string_view stopText, RtfToken& token);

// Forgets the carriage return state; called when a job starts.
void resetRtfTokenizer();

// Sets the carriage return state after bytes were taken past the lexer (the pass's copy lane): true when the last
// byte taken was a CR, so that an LF right after it is skipped as the lexer would.
void setRtfCarriageReturnPending(bool pending);

// True for A-Z and a-z only.
bool isAsciiLetter(uint8_t byte);

// The index in `text` at which a trailing occurrence of `stopText` begins, or -1. A blank or tab in the stop text
// matches any run of blanks and tabs at that place, including none.
int64_t findTrailingStop(std::string_view text, std::string_view stopText);

// Applies the text-run replacements in place: line feeds are removed, tabs become blanks.
void applyTextReplacements(std::string& text);
