// The RTF lexer: token sequences for ordinary and stop-mode reads, and its small text helpers.
#include "rtf/rtfTokenizer.h"
#include "rtf/rtfSource.h"
#include "testFiles.h"

#include <gtest/gtest.h>

#include <string>

using namespace testing_support;

namespace {

// One token in a compact form: kind letter, text in brackets, parameter after it. B brace, T text, C control,
// P control with parameter, N none.
std::string describe(const RtfToken& token) {
    static const char kKinds[] = "NBTCP";
    std::string text(1, kKinds[token.kind]);
    text += "[" + std::string(token.text) + "]";
    if (token.kind == TokenControlParam)
        text += std::to_string(token.parameter);
    return text;
}

// All tokens of a source until the first TokenNone after which the source has ended.
std::string tokenise(const std::string& source, std::string_view stopText = {}) {
    loadSourceText(source);
    std::string out;
    for (int guard = 0; guard < 1000; ++guard) {
        RtfToken token;
        readRtfToken(stopText, token);
        if (!out.empty())
            out += ' ';
        out += describe(token);
        if (token.kind == TokenNone && nextSourceByte(0) == 0)
            break;
        if (token.kind == TokenNone)
            ungetSourceByte();
    }
    return out;
}

struct TokenCase {
    const char* name;
    std::string source;
    std::string expected;
};

const TokenCase kTokenCases[] = {
    {"empty source", "", "N[]"},
    {"braces", "{}", "B[{] B[}] N[]"},
    {"word delimited by CR LF", "\\par\r\nword", "C[\\par] T[word] N[]"},
    {"word delimited by blank", "\\par x", "C[\\par] T[x] N[]"},
    {"word delimited by other byte", "\\par;", "C[\\par] T[;] N[]"},
    {"word then word", "\\b\\i", "C[\\b] C[\\i] N[]"},
    {"tab and line ends in text", "a\tb\r\nc", "T[a bc] N[]"},
    {"lone CR and LF in text", "a\rb\nc", "T[abc] N[]"},
    {"line ends only", "\r\n\r\n{", "T[] B[{] N[]"},
    {"parameter", "\\f12abc", "P[\\f]12 T[abc] N[]"},
    {"negative parameter", "\\u-8203?", "P[\\u]-8203 T[?] N[]"},
    {"lone minus", "\\u-?", "P[\\u]0 T[?] N[]"},
    {"second minus ends the word", "\\u--1", "P[\\u]0 T[-1] N[]"},
    {"letter after digits", "\\fs24b", "P[\\fs]24 T[b] N[]"},
    {"minus after digits", "\\fs24-3", "P[\\fs]24 T[-3] N[]"},
    {"parameter saturates high", "\\bin99999999999 ", "P[\\bin]2147483647 N[]"},
    {"parameter saturates low", "\\li-99999999999 ", "P[\\li]-2147483648 N[]"},
    {"smallest parameter", "\\li-2147483648 ", "P[\\li]-2147483648 N[]"},
    {"hex escape", "\\'e9x", "P[\\']233 T[x] N[]"},
    {"hex escape upper case", "\\'E9", "P[\\']233 N[]"},
    {"hex escape third digit", "\\'abc", "P[\\']171 T[c] N[]"},
    {"hex escape one digit", "\\'e", "P[\\']14 N[]"},
    {"hex escape without digits", "\\'zx", "C[\\'] T[zx] N[]"},
    {"control symbol then word", "\\*\\objdata", "C[\\*] C[\\objdata] N[]"},
    {"escaped braces", "\\{\\}\\\\", "C[\\{] C[\\}] C[\\\\] N[]"},
    {"backslash CR LF", "\\\r\nx", "C[\\\n] T[x] N[]"},
    {"backslash LF", "\\\nx", "C[\\\n] T[x] N[]"},
    {"backslash at the end", "\\", "C[] N[]"},
    // A zero byte in the document is a byte like any other: only the end of the source ends the tokens.
    {"zero byte inside text", zeroed("ab@cd"), zeroed("T[ab@cd] N[]")},
    {"zero byte between braces", zeroed("{@}"), zeroed("B[{] T[@] B[}] N[]")},
    {"zero byte after a parameter", zeroed("\\f1@x"), zeroed("P[\\f]1 T[@x] N[]")},
    {"zero byte after a backslash", zeroed("\\@x"), zeroed("C[\\@] T[x] N[]")},
    {"zero byte in a hex escape", zeroed("\\'e@"), zeroed("P[\\']14 T[@] N[]")},
    {"zero byte at the very end", zeroed("ab@"), zeroed("T[ab@] N[]")},
    {"word with CR delimiter then LF", "\\par\r\n\\par", "C[\\par] C[\\par] N[]"},
};

TEST(RtfTokenizer, NormalModeTokens) {
    for (size_t row = 0; row < std::size(kTokenCases); ++row) {
        const TokenCase& c = kTokenCases[row];
        EXPECT_EQ(tokenise(c.source), c.expected) << "row " << row << ": " << c.name;
    }
}

const TokenCase kStopCases[] = {
    {"hex with blank and line end", "01 02\r\n03}{", "T[01 0203] B[{] N[]"},
    {"tab becomes blank", "a\tb}", "T[a b] N[]"},
    {"braces and backslashes are data", "{\\x}}", "T[{\\x] B[}] N[]"},
    {"ends before the stop text", "0102", "N[0102]"},
    {"raw rest keeps line ends", "01\r\n02\t", "N[01\n02\t]"},
    {"empty text before the stop", "}", "T[] N[]"},
    {"zero byte in object data", zeroed("01@ 02}"), zeroed("T[01@ 02] N[]")},
    {"zero byte as the last byte before the end", zeroed("01@"), zeroed("N[01@]")},
    {"every kind of line end dropped", "a\rb\nc\r\r\nd\r}e", "T[abcd] T[e] N[]"},
    {"line ends and tabs only", "\r\n\t\r\n}", "T[ ] N[]"},
};

TEST(RtfTokenizer, StopModeReadsUpToTheStopText) {
    for (size_t row = 0; row < std::size(kStopCases); ++row) {
        const TokenCase& c = kStopCases[row];
        loadSourceText(c.source);
        RtfToken token;
        readRtfToken("}", token);
        std::string got = describe(token);
        for (RtfToken next; readRtfToken({}, next), next.kind != TokenNone;)
            got += " " + describe(next);
        if (token.kind != TokenNone)
            got += " N[]";
        EXPECT_EQ(got, c.expected) << "row " << row << ": " << c.name;
    }
}

// Object data far larger than the lexer's first room for it, in lines as Word writes them, with a tab and a zero byte.
TEST(RtfTokenizer, LongObjectDataReadsWhole) {
    std::string source;
    std::string expected;
    for (int line = 0; line < 3000; ++line) {
        std::string hex;
        for (int i = 0; i < 128; ++i)
            hex += "0123456789abcdef"[(line * 7 + i) % 16];
        if (line == 1234)
            hex[5] = '\t';
        if (line == 2345)
            hex[9] = '\0';
        source += hex + "\r\n";
        if (line == 1234)
            hex[5] = ' ';
        expected += hex;
    }
    loadSourceText(source + "}x");
    RtfToken token;
    readRtfToken("}", token);
    EXPECT_EQ(token.kind, TokenText);
    EXPECT_EQ(token.text.size(), expected.size());
    EXPECT_TRUE(token.text == expected);
    readRtfToken({}, token);
    EXPECT_EQ(token.text, "x");
}

TEST(RtfTokenizer, StopTextWithBlanksMatchesAnyBlankRun) {
    loadSourceText("abc \t end}rest");
    RtfToken token;
    readRtfToken(" end}", token);
    EXPECT_EQ(describe(token), "T[abc]");
    readRtfToken({}, token);
    EXPECT_EQ(describe(token), "T[rest]");
}

struct TrailingStopCase {
    std::string text;
    std::string stop;
    int64_t expected;
};

TEST(RtfTokenizer, FindTrailingStop) {
    const TrailingStopCase cases[] = {
        {"abc}", "}", 3}, {"abc", "}", -1},    {"", "}", -1},        {"ab  }", " }", 2},
        {"ab}", " }", 2}, {"a } b", "} b", 2}, {"a }\tb", "} b", 2}, {"x}", "}}", -1},
        {"}", "}}", -1},  {"a}}", "}}", 1},    {"ab", "", 2},
    };
    for (size_t row = 0; row < std::size(cases); ++row)
        EXPECT_EQ(findTrailingStop(cases[row].text, cases[row].stop), cases[row].expected) << "row " << row;
}

TEST(RtfTokenizer, TextReplacements) {
    const std::pair<std::string, std::string> cases[] = {
        {"a\nb\tc", "ab c"}, {"\n\n", ""}, {"\t\t", "  "}, {"plain", "plain"}, {"", ""},
    };
    for (size_t row = 0; row < std::size(cases); ++row) {
        std::string text = cases[row].first;
        applyTextReplacements(text);
        EXPECT_EQ(text, cases[row].second) << "row " << row;
    }
}

TEST(RtfTokenizer, AsciiLettersOnly) {
    int letters = 0;
    for (int b = 0; b < 256; ++b)
        letters += isAsciiLetter(uint8_t(b)) ? 1 : 0;
    EXPECT_EQ(letters, 52);
    EXPECT_TRUE(isAsciiLetter('A') && isAsciiLetter('z'));
    EXPECT_FALSE(isAsciiLetter('@') || isAsciiLetter('[') || isAsciiLetter('`') || isAsciiLetter('{') ||
                 isAsciiLetter(0xe9));
}

// Reading in runs must give the same tokens as reading byte by byte, wherever the progress steps fall: the same text
// is tokenised at many sizes, so that the steps cut words, numbers and runs at every place.
TEST(RtfTokenizer, RunsAndProgressStepsGiveTheSameTokens) {
    const std::string unit = "{\\fonttbl\\f12 Times;}text run\r\nmore\t\\'e9\\u-8203?{\\b bold}\\par ";
    std::string reference;
    for (int repeat = 0; repeat < 3; ++repeat)
        reference += unit;
    const std::string expected = tokenise(reference);
    for (size_t padding = 0; padding < 120; ++padding) {
        // A longer tail moves every progress step; the tokens of the common head must not change.
        std::string source = reference + std::string(padding, 'x');
        std::string got = tokenise(source);
        std::string head = expected.substr(0, expected.size() - std::string(" N[]").size());
        ASSERT_EQ(got.compare(0, head.size(), head), 0) << "padding " << padding << "\n" << got;
    }
}
} // namespace
