// Integrals and big operators: one Office Math n-ary group (format 1) or one version 3 integral or big-operator
// template whose variation states which limits exist (format 0). The operator characters that follow the slots are
// copied in format 0 and dropped in format 1, where \mchr names the character.
#include "mtef/mtefDispatcher.h"
#include "mtef/mtefRecords.h"
#include "mtef/mtefTemplates.h"

#include <string>

// Literals appended to texts as views: appending a plain literal measures it first.
using namespace std::string_view_literals;

namespace {
// \mchr texts, closing \mchr: the integral signs by count (plain, then contour), then the big operators.
constexpr std::string_view kIntegralChars[2][3] = {
    {"{\\uc1\\u8747\\'3f}}", "{\\uc1\\u8748\\'3f}}", "{\\uc1\\u8749\\'3f}}"}, // single, double, triple
    {"{\\uc1\\u8750\\'3f}}", "{\\uc1\\u8751\\'3f}}", "{\\uc1\\u8752\\'3f}}"}, // their contour forms
};
// Big operators: the character and the version 3 selectors (limits above and below or no lower limit, else).
struct BigOperatorRow {
    std::string_view character;
    std::string_view v3AboveBelow;
    std::string_view v3Side;
};
constexpr BigOperatorRow kBigOperators[] = {
    {"{\\uc1\\u8721\\'3f}}", "1d", "1e"}, // sum
    {"{\\uc1\\u8719\\'3f}}", "1f", "20"}, // product
    {"{\\uc1\\u8720\\'3f}}", "21", "22"}, // coproduct
    {"{\\uc1\\u8899\\'3f}}", "23", "24"}, // union
    {"{\\uc1\\u8898\\'3f}}", "25", "26"}, // intersection
};

// The n-ary group's parts in the order Office Math XML fixes: properties (character, limit location, hidden
// limits, control properties), lower limit, upper limit, operand.
constexpr std::string_view kNaryHead = "{\\mnary{\\mnaryPr{\\mchr ";
constexpr std::string_view kHideBoth = "{\\msubHide on}{\\msupHide on}";
constexpr std::string_view kHideUpper = "{\\msupHide on}";
constexpr std::string_view kAboveBelow = "{\\mlimLoc undOvr}";
constexpr std::string_view kAtTheSide = "{\\mlimLoc subSup}";

struct Limits {
    bool lower = false;
    bool upper = false;
    bool aboveBelow = false;
    bool any() const { return lower || upper; }
};

// The three slots (operand, lower and upper limit in MTEF) and the closing of the properties and of the n-ary
// group: "\zwnbo" stands for an empty operand in Office Math.
void writeNarySlots(ConverterContext& context, std::string* output) {
    consumeTemplateByte(context);
    const ScratchText operand(context);
    const ScratchText lower(context);
    const ScratchText upper(context);
    readTemplateSlot(context, *operand);
    readTemplateSlot(context, *lower);
    readTemplateSlot(context, *upper);
    if (context.format == EquationFormat::EquationEditor3) {
        appendLiteral(output, "00");
        appendText(output, *operand);
        appendText(output, *lower);
        appendText(output, *upper);
    } else if (context.format == EquationFormat::MicrosoftEquation && output != nullptr) {
        std::string& out = *output;
        out += "{\\mctrlPr }}{\\msub "sv;
        out += *lower;
        out += "}{\\msup "sv;
        out += *upper;
        out += "}{\\me "sv;
        out += operand->empty() ? std::string_view("\\zwnbo") : std::string_view(*operand);
        out += "}}"sv;
    }
}

// The operator character records after the slots: copied to format 0, dropped from format 1.
void copySignRecords(ConverterContext& context, std::string* output, int count) {
    const ScratchText sign(context);
    for (int i = 0; i < count; ++i) {
        readTemplateCharacterRecord(context, *sign);
        if (context.format == EquationFormat::EquationEditor3)
            appendText(output, *sign);
    }
}

void closeTemplate(ConverterContext& context, std::string* output) {
    consumeTemplateByte(context);
    writeTemplateText(context, output, "00", {});
    writeElementEnd(context, output);
}

// Version 5 integral variation: the low digit gives contour and sign count, the high digit the limits; 8 in the high
// digit announces a second variation byte (expanding integrals), which is read and not used.
struct IntegralShape {
    bool contour = false;
    int signs = 1;
    Limits limits;
};

IntegralShape decodeIntegral(ConverterContext& context, uint8_t variation) {
    IntegralShape shape;
    int low = variation & 15;
    for (int contourFlag : {12, 8, 4}) {
        if (low >= contourFlag) {
            shape.contour = true;
            low -= contourFlag;
            break;
        }
    }
    shape.signs = low == 0 ? 1 : low;
    int high = variation >> 4;
    if (high >= 8) {
        high -= 8;
        readMtefByte(context);
    }
    if (high >= 4) {
        shape.limits.aboveBelow = true;
        high -= 4;
    }
    if (high >= 2) {
        shape.limits.upper = true;
        high -= 2;
    }
    shape.limits.lower = high >= 1;
    return shape;
}

// The version 3 variation and the Office Math switch of a version 5 integral.
struct VariationAndSwitch {
    std::string_view variation;
    std::string_view hide;
};

VariationAndSwitch integralVariation(const IntegralShape& shape) {
    const Limits& l = shape.limits;
    if (shape.signs == 1 && !shape.contour) {
        if (!l.any())
            return {"00", kHideBoth};
        if (!l.upper)
            return {"01", kHideUpper};
        return {l.aboveBelow ? "00" : "02", {}};
    }
    if (shape.signs == 1)
        return !l.any() ? VariationAndSwitch{"03", kHideBoth}
                        : VariationAndSwitch{l.aboveBelow ? "02" : "04", kHideUpper};
    if (!shape.contour)
        return !l.any() ? VariationAndSwitch{"00", kHideBoth} : VariationAndSwitch{"01", kHideUpper};
    return !l.any() ? VariationAndSwitch{"02", kHideBoth} : VariationAndSwitch{l.aboveBelow ? "00" : "03", kHideUpper};
}

// The switch of an integral or big operator by the limits present.
std::string_view hideSwitch(const Limits& limits) {
    if (!limits.any())
        return kHideBoth;
    return limits.upper ? std::string_view() : kHideUpper;
}
} // namespace

void translateIntegral(ConverterContext& context, std::string* output, int, std::string_view, const std::string&) {
    const IntegralShape shape = decodeIntegral(context, readTemplateVariation(context));
    static constexpr std::string_view kSelectors[3][2] = {{"15", "18"}, {"16", "19"}, {"17", "1a"}}; // side, above
    const VariationAndSwitch v = integralVariation(shape);
    writeElementStart(context, output);
    writeTemplateText(context, output, {}, kNaryHead);
    writeTemplateText(context, output, kSelectors[shape.signs - 1][shape.limits.aboveBelow],
                      kIntegralChars[shape.contour][shape.signs - 1]);
    writeTemplateText(context, output, v.variation, shape.limits.aboveBelow ? kAboveBelow : kAtTheSide);
    writeTemplateText(context, output, {}, v.hide);
    writeNarySlots(context, output);
    if (shape.contour) {
        // A contour integral may carry a size record ahead of the contour character, which is dropped.
        if (readMtefByte(context)) {
            const uint8_t tag = currentByteValue(context);
            if (tag >= TagSize && tag <= TagSubSym)
                readSizeRecord(context, output, false, tag);
            else
                stepBackMtefByte(context);
        }
        if (!templateObjectsEnd(context))
            dispatchMtefRecord(context, nullptr, OneRecord);
    }
    copySignRecords(context, output, shape.signs);
    closeTemplate(context, output);
}

void translateIntegralV3(ConverterContext& context, std::string* output, int, std::string_view v3Selector,
                         const std::string&) {
    const uint8_t low = readTemplateVariation(context) & 15;
    // What the variation means by selector: lower and upper limits, contour.
    struct Decoded {
        bool lower, upper, contour;
    };
    static constexpr Decoded kNone{false, false, false}, kLower{true, false, false}, kBoth{true, true, false},
        kContour{false, false, true}, kContourLower{true, false, true};
    Decoded d = kNone;
    int signs = 1;
    bool aboveBelow = false;
    if (v3Selector == "15") {
        static constexpr Decoded kRow[] = {kNone, kLower, kBoth, kContour, kContourLower};
        d = low < 5 ? kRow[low] : kNone;
    } else if (v3Selector == "16" || v3Selector == "17") {
        static constexpr Decoded kRow[] = {kNone, kLower, kContour, kContourLower, kNone};
        d = low < 5 ? kRow[low] : kNone;
        signs = v3Selector == "16" ? 2 : 3;
    } else if (v3Selector == "18") {
        static constexpr Decoded kRow[] = {kBoth, kLower, kContourLower, kBoth, kBoth};
        d = low < 5 ? kRow[low] : kBoth;
        aboveBelow = true;
    } else { // "19", "1a"
        d = low == 1 ? kLower : kContourLower;
        signs = v3Selector == "19" ? 2 : 3;
        aboveBelow = true;
    }
    const Limits limits{d.lower, d.upper, aboveBelow};
    if (context.format == EquationFormat::EquationEditor3) {
        appendText(output, v3Selector);
        appendHexByte(output, low);
    }
    writeElementStart(context, output);
    writeTemplateText(context, output, {}, kNaryHead);
    writeTemplateText(context, output, {}, kIntegralChars[d.contour][signs - 1]);
    writeTemplateText(context, output, {}, aboveBelow ? kAboveBelow : kAtTheSide);
    writeTemplateText(context, output, {}, hideSwitch(limits));
    writeNarySlots(context, output);
    copySignRecords(context, output, signs);
    closeTemplate(context, output);
}

// The limits of a big operator: lower and upper "01", no lower limit "02" (both hidden), lower only "00".
static std::string_view bigOperatorVariation(const Limits& limits) {
    if (!limits.lower)
        return "02";
    return limits.upper ? "01" : "00";
}

static std::string_view bigOperatorSwitch(const Limits& limits) {
    if (!limits.lower)
        return kHideBoth;
    return limits.upper ? std::string_view() : kHideUpper;
}

void translateBigOperator(ConverterContext& context, std::string* output, int kind, std::string_view,
                          const std::string&) {
    int high = readTemplateVariation(context) >> 4;
    Limits limits;
    if (high >= 8) // not a bit this template uses
        high -= 8;
    if (high >= 4) {
        limits.aboveBelow = true;
        high -= 4;
    }
    if (high >= 2) {
        limits.upper = true;
        high -= 2;
    }
    limits.lower = high >= 1;
    const BigOperatorRow& row = kBigOperators[kind];
    writeElementStart(context, output);
    writeTemplateText(context, output, {}, kNaryHead);
    writeTemplateText(context, output, limits.aboveBelow || !limits.lower ? row.v3AboveBelow : row.v3Side,
                      row.character);
    writeTemplateText(context, output, {}, limits.aboveBelow ? kAboveBelow : kAtTheSide);
    writeTemplateText(context, output, bigOperatorVariation(limits), bigOperatorSwitch(limits));
    writeNarySlots(context, output);
    copySignRecords(context, output, 1);
    closeTemplate(context, output);
}

void translateBigOperatorV3(ConverterContext& context, std::string* output, int, std::string_view v3Selector,
                            const std::string&) {
    const uint8_t low = readTemplateVariation(context) & 15;
    const Limits limits{low <= 1, low == 1, false};
    int kind = 0; // sum for "1d", "1e" and anything else
    for (int k = 1; k < 5; ++k) {
        if (v3Selector == kBigOperators[k].v3AboveBelow || v3Selector == kBigOperators[k].v3Side)
            kind = k;
    }
    writeElementStart(context, output);
    writeTemplateText(context, output, {}, kNaryHead);
    writeTemplateText(context, output, v3Selector, kBigOperators[kind].character);
    writeTemplateText(context, output, bigOperatorVariation(limits), bigOperatorSwitch(limits));
    writeNarySlots(context, output);
    copySignRecords(context, output, 1);
    closeTemplate(context, output);
}
