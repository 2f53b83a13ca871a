// How deep MTEF version 3 output nests. Some translations wrap records in object lists that the input does not have:
// limit templates around an embellished character (a list may hold any number of marks), white square brackets as
// two square-bracket templates, an arrow with text on both sides inside a limit template, a line around a pile that
// stands as a template's slot or a matrix cell. Nested far enough, the object stays unconverted in format 0 instead
// of becoming a stream nested deeper than the engine's record limit; shallower, it converts, and Office Math is not
// affected. The fixture helpers validate every stream they get.
#include "conversionFixtures.h"
#include "mtefBuilder.h"

#include <gtest/gtest.h>

#include <string>

using namespace testing_support::mtef;
using namespace testing_support;

namespace {
MtefRecord x() {
    return ch('x', kVariableFace);
}

// An x carrying `count` marks: `first`, then `rest` for all the others.
MtefEquation markedX(int count, uint8_t first, uint8_t rest) {
    MtefRecord marked = x().embellished(first);
    for (int i = 1; i < count; ++i)
        marked = marked.embellished(rest);
    return mtef4().line({marked});
}

MtefEquation underMarks(int count) {
    return markedX(count, 25, 25); // one dot under: a lower-limit template each
}
MtefEquation overMarksAfterFourDots(int count) {
    return markedX(count, 24, 2); // four dots, then dots over: an upper-limit template each
}
MtefEquation unknownMarks(int count) {
    return markedX(count, 255, 166); // kinds without a mark: an empty lower-limit template each
}

// White square brackets (version 5 selector 8) nested `count` deep around an x.
MtefEquation whiteBrackets(int count) {
    MtefRecord nested = x();
    for (int i = 0; i < count; ++i)
        nested = tmpl(8, 0, {line({nested}), ch('[', kSymbolFace), ch(']', kSymbolFace)});
    return mtef5().line({nested});
}

// A right arrow with text on both sides (version 5 selector 14), nested `count` deep through its upper or its lower
// text.
MtefEquation arrows(int count, bool throughUpper) {
    MtefRecord nested = x();
    for (int i = 0; i < count; ++i) {
        MtefRecord text = line({nested});
        MtefRecord other = line({ch('2', kNumberFace)});
        nested = tmpl(14, 0x2c,
                      {throughUpper ? text : other, throughUpper ? other : text, full(), ch(0x2192, kExpandingFace)});
    }
    return mtef5().line({nested});
}
MtefEquation arrowsThroughUpperText(int count) {
    return arrows(count, true);
}
MtefEquation arrowsThroughLowerText(int count) {
    return arrows(count, false);
}

// Piles as the numerators of fractions, or as the cells of matrices, nested `count` deep: MTEF 3 has each pile
// wrapped in a line of its own.
MtefEquation pilesAsSlots(int count) {
    MtefRecord nested = x();
    for (int i = 0; i < count; ++i)
        nested = tmpl(11, 0, {pile(1, 1, {line({nested})}), nullLine()});
    return mtef5().line({nested});
}
MtefEquation pilesAsCells(int count) {
    MtefRecord nested = x();
    for (int i = 0; i < count; ++i)
        nested = matrix(1, 1, {pile(1, 1, {line({nested})})});
    return mtef5().line({nested});
}

TEST(OutputDepth, DeepVersion3OutputLeavesTheObjectUnconverted) {
    struct Case {
        const char* name;
        MtefEquation (*build)(int count);
        int shallow; // converts in both formats
        int deep;    // the input stays within the record limit, the version 3 output would not; 0: none such
    };
    // clang-format off
    const Case cases[] = {
        // name                               build                    shallow deep
        {"marks under x",                     underMarks,              20,     130},
        {"marks over x after four dots",      overMarksAfterFourDots,  20,     130},
        {"marks of unknown kinds",            unknownMarks,            20,     130},
        {"nested white square brackets",      whiteBrackets,           10,     70},
        {"arrows nested in their upper text", arrowsThroughUpperText,  10,     70},
        // The lower text is the lower line of the limit template that takes the arrow's place: no deeper.
        {"arrows nested in their lower text", arrowsThroughLowerText,  90,     0},
        {"piles nested as fraction slots",    pilesAsSlots,            10,     60},
        {"piles nested as matrix cells",      pilesAsCells,            10,     60},
    };
    // clang-format on
    for (size_t row = 0; row < std::size(cases); ++row) {
        const Case& c = cases[row];
        for (int count : {c.shallow, c.deep}) {
            if (count == 0)
                continue;
            const std::string nativeHex = c.build(count).nativeHex();
            const std::string where = "row " + std::to_string(row) + " (" + c.name + "), " + std::to_string(count);
            EXPECT_EQ(convertedEquationNative(nativeHex).empty(), count == c.deep) << where;
            EXPECT_FALSE(convertedOfficeMath(nativeHex).empty()) << where;
        }
    }
}
} // namespace
