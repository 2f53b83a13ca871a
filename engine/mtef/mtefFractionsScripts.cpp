// Fractions, scripts, radicals and the limit family. Each writes one Office Math element (format 1) or one MTEF
// version 3 template with the version 3 selector (format 0).
#include "mtef/mtefDispatcher.h"
#include "mtef/mtefTemplates.h"

// Literals appended to texts as views: appending a plain literal measures it first.
using namespace std::string_view_literals;

namespace {
// A fraction's version 3 selector and variation, and its Office Math type, by variation.
struct FractionRow {
    std::string_view v3;   // selector and variation as hex
    std::string_view type; // \mtype value
};

// clang-format off
constexpr FractionRow kFractionV5[] = {  // variation bits: 1 small, 2 slashed, 4 on the baseline
    {"0e00", ""}, {"0e01", ""}, {"2900", "skw"}, {"2902", "skw"},
    {"2901", "lin"}, {"2903", "lin"}, {"2901", "lin"}, {"2903", "lin"},
};
constexpr FractionRow kLongDivisionV5[] = {{"2801", ""}, {"2800", ""}}; // the reverse of version 3's numbering
constexpr FractionRow kFractionV3[] = {{"0e00", ""}, {"0e01", ""}};
constexpr FractionRow kSlashFractionV3[] = {{"2900", "skw"}, {"2901", "lin"}, {"2902", "skw"}, {"2903", "lin"}};
constexpr FractionRow kLongDivisionV3[] = {{"2800", ""}, {"2801", ""}};
// clang-format on

// A variation outside its table is written as a plain fraction, so that the version 3 template keeps a selector.
constexpr FractionRow kPlainFraction = {"0e00", ""};

template <size_t N> const FractionRow& fractionRow(const FractionRow (&rows)[N], uint8_t variation) {
    return variation < N ? rows[variation] : kPlainFraction;
}

void writeFraction(ConverterContext& context, std::string* output, const FractionRow& row, bool longDivision) {
    writeElementStart(context, output);
    writeTemplateText(context, output, {}, "{\\mf{\\mfPr{\\mtype ");
    writeTemplateText(context, output, row.v3, row.type);
    writeTemplateText(context, output, "00", "}}");
    const ScratchText first(context);
    const ScratchText second(context);
    readTemplateSlot(context, *first);
    readTemplateSlot(context, *second);
    if (context.format == EquationFormat::EquationEditor3) {
        appendText(output, *first);
        appendText(output, *second);
    } else if (longDivision) {
        // A long division's first slot is the divisor, under the bracket: Office Math takes the numerator first.
        // The bracket before the divisor is a run of its own (Office Math has text only inside runs), upright as
        // the engine writes text and function characters.
        writeTemplateText(context, output, {}, "{\\mnum  ");
        writeTemplateText(context, output, {}, *second);
        writeTemplateText(context, output, {}, "}{\\mden {\\mr\\mscr0\\msty0 )}");
        writeTemplateText(context, output, {}, *first);
        writeTemplateText(context, output, {}, "}");
    } else {
        writeTemplateText(context, output, {}, "{\\mnum ");
        writeTemplateText(context, output, {}, *first);
        writeTemplateText(context, output, {}, "}{\\mden ");
        writeTemplateText(context, output, {}, *second);
        writeTemplateText(context, output, {}, "}");
    }
    consumeTemplateByte(context);
    writeTemplateText(context, output, "00", "}");
    writeElementEnd(context, output);
}

enum ScriptKind { Superscript = 0, Subscript = 1, BothScripts = 2 };

// After the variation: the options byte, both slots, the END, and the text. Format 0 writes both slots whatever the
// kind.
void writeScripts(ConverterContext& context, std::string* output, const std::string& base, ScriptKind kind,
                  bool before) {
    consumeTemplateByte(context);
    const ScratchText sub(context);
    const ScratchText sup(context);
    readTemplateSlot(context, *sub);
    readTemplateSlot(context, *sup);
    consumeTemplateByte(context);
    if (context.format == EquationFormat::EquationEditor3) {
        appendLiteral(output, before ? "2c" : "0f");
        appendHexByte(output, uint32_t(kind));
        appendLiteral(output, "00");
        appendText(output, *sub);
        appendText(output, *sup);
        appendLiteral(output, "00");
        return;
    }
    if (context.format != EquationFormat::MicrosoftEquation || output == nullptr)
        return;
    std::string& out = *output;
    out += kElementStart;
    if (before) {
        // MTEF's left scripts belong to what follows them: the base is the next element of the line, once written.
        const size_t start = out.size() - 1;
        out += "{\\msPre{\\msPrePr}{\\msub "sv;
        out += kind == Superscript ? std::string_view(" ") : std::string_view(*sub);
        out += "}{\\msup "sv;
        out += kind == Subscript ? std::string_view(" ") : std::string_view(*sup);
        out += "}{\\me "sv;
        const size_t baseAt = out.size();
        out += " }}"sv;
        out += kElementEnd;
        awaitPreScriptBase(context, out, start, baseAt);
        return;
    }
    static constexpr std::string_view kHeads[] = {"{\\msSup{\\msSupPr}{\\me ", "{\\msSub{\\msSubPr}{\\me ",
                                                  "{\\msSubSup{\\msSubSupPr}{\\me "};
    out += kHeads[kind];
    out += base.empty() ? std::string_view(" ") : std::string_view(base);
    if (kind != Superscript) {
        out += "}{\\msub "sv;
        out += *sub;
    }
    if (kind != Subscript) {
        out += "}{\\msup "sv;
        out += *sup;
    }
    out += "}}"sv;
    out += kElementEnd;
}
} // namespace

void translateFraction(ConverterContext& context, std::string* output, int variant, std::string_view,
                       const std::string&) {
    const uint8_t variation = readTemplateVariation(context);
    consumeTemplateByte(context);
    const bool longDivision = variant == 2;
    writeFraction(context, output,
                  longDivision ? fractionRow(kLongDivisionV5, variation) : fractionRow(kFractionV5, variation),
                  longDivision);
}

void translateFractionV3(ConverterContext& context, std::string* output, int variant, std::string_view,
                         const std::string&) {
    const uint8_t variation = readTemplateVariation(context);
    consumeTemplateByte(context);
    const FractionRow& row = variant == 1   ? fractionRow(kSlashFractionV3, variation)
                             : variant == 2 ? fractionRow(kLongDivisionV3, variation)
                                            : fractionRow(kFractionV3, variation);
    writeFraction(context, output, row, variant == 2);
}

// Scripts after their base take it off the line before their slots are read; scripts before it leave the line as
// it is.
void translateScripts(ConverterContext& context, std::string* output, int kind, std::string_view, const std::string&) {
    const bool before = readTemplateVariation(context) != 0;
    const ScratchText base(context);
    if (output != nullptr && !before)
        detachLastElement(context, *output, *base);
    writeScripts(context, output, *base, ScriptKind(kind), before);
}

void translateScriptsV3(ConverterContext& context, std::string* output, int, std::string_view v3Selector,
                        const std::string&) {
    const uint8_t variation = readTemplateVariation(context);
    const bool before = v3Selector == "2c";
    const ScratchText base(context);
    if (output != nullptr && !before)
        detachLastElement(context, *output, *base);
    const ScriptKind kind = variation == 0 ? Superscript : variation == 1 ? Subscript : BothScripts;
    writeScripts(context, output, *base, kind, before);
}

void translateRadical(ConverterContext& context, std::string* output, int, std::string_view, const std::string&) {
    writeElementStart(context, output);
    writeTemplateText(context, output, "0d", "{\\mrad{\\mradPr ");
    if (readTemplateVariation(context) != 0)
        writeTemplateText(context, output, "01", "}");
    else
        writeTemplateText(context, output, "00", "{\\mdegHide on}}");
    consumeTemplateByte(context);
    writeTemplateText(context, output, "00", {});
    // MTEF holds the radicand first; Office Math wants the degree before it.
    const ScratchText radicand(context);
    const ScratchText degree(context);
    readTemplateSlot(context, *radicand);
    readTemplateSlot(context, *degree);
    if (context.format == EquationFormat::EquationEditor3) {
        appendText(output, *radicand);
        appendText(output, *degree);
    } else {
        writeTemplateText(context, output, {}, "{\\mdeg ");
        writeTemplateText(context, output, {}, *degree);
        writeTemplateText(context, output, {}, "}{\\me ");
        writeTemplateText(context, output, {}, *radicand);
    }
    consumeTemplateByte(context);
    writeTemplateText(context, output, "00", "}}");
    writeElementEnd(context, output);
}

namespace {
enum LimitVariant { IntegralStyle = 0, SumStyle = 1, Limit = 2 };

struct LimitTexts {
    std::string_view v3Variation;
    std::string_view head;         // variants 1 and 2
    std::string_view integralHead; // variant 0
};
// By the limits present: both, lower only, upper only (or none).
constexpr LimitTexts kLimitHeads[] = {
    {"02", "{\\mlimUpp{\\mlimUppPr }{\\me {\\mlimLow{\\mlimLowPr }{\\me ", "{\\msSubSup{\\msSubSupPr }{\\me "},
    {"01", "{\\mlimLow{\\mlimLowPr }{\\me ", "{\\msSub{\\msSubPr}{\\me "},
    {"00", "{\\mlimUpp{\\mlimUppPr }{\\me ", "{\\msSup{\\msSupPr}{\\me "},
};
enum LimitsPresent { LowerAndUpper = 0, LowerOnly = 1, UpperOnly = 2 };

LimitsPresent decodeLimits(const ConverterContext& context, uint8_t variation) {
    if (isMtef5(context)) {
        const uint8_t high = variation >> 4; // 4: limits above and below (not used), 2: upper, 1: lower
        const bool upper = (high & 2) != 0;
        const bool lower = (high & 1) != 0;
        return lower && upper ? LowerAndUpper : lower ? LowerOnly : UpperOnly;
    }
    return variation == 0 ? UpperOnly : variation == 1 ? LowerOnly : LowerAndUpper;
}

void writeLimitTail(std::string& out, LimitsPresent limits, bool integralStyle, const std::string& lower,
                    const std::string& upper) {
    if (integralStyle) {
        if (limits != UpperOnly) {
            out += "}{\\msub "sv;
            out += lower;
        }
        if (limits != LowerOnly) {
            out += "}{\\msup "sv;
            out += upper;
        }
        out += "}}"sv;
        return;
    }
    out += "}{\\mlim "sv;
    if (limits == LowerAndUpper) {
        out += lower;
        out += "}}}{\\mlim "sv;
        out += upper;
    } else {
        out += limits == LowerOnly ? lower : upper;
    }
    out += "}}"sv;
}
} // namespace

void translateLimit(ConverterContext& context, std::string* output, int variant, std::string_view, const std::string&) {
    static constexpr std::string_view kV3Selectors[] = {"2a", "2b", "27"};
    writeElementStart(context, output);
    writeTemplateText(context, output, kV3Selectors[variant], {});
    const LimitsPresent limits = decodeLimits(context, readTemplateVariation(context));
    const LimitTexts& head = kLimitHeads[limits];
    writeTemplateText(context, output, head.v3Variation, variant == IntegralStyle ? head.integralHead : head.head);
    consumeTemplateByte(context);
    writeTemplateText(context, output, "00", {});
    const ScratchText lower(context);
    const ScratchText upper(context);
    if (variant == Limit) {
        // The main text (such as a function name) goes into the line as it is; read on its own first, like every
        // slot, so that a slot which is not a line can never reach back into the line's output.
        const ScratchText main(context);
        readTemplateSlot(context, *main);
        appendText(output, *main);
        readTemplateSlot(context, *lower);
        readTemplateSlot(context, *upper);
        if (context.format == EquationFormat::EquationEditor3) {
            appendText(output, *lower);
            appendText(output, *upper);
        } else if (context.format == EquationFormat::MicrosoftEquation && output != nullptr) {
            writeLimitTail(*output, limits, false, *lower, *upper);
        }
    } else {
        const ScratchText operand(context);
        const ScratchText operatorChar(context);
        readTemplateSlot(context, *operand);
        readTemplateSlot(context, *lower);
        readTemplateSlot(context, *upper);
        readTemplateSignLine(context, *operatorChar);
        if (context.format == EquationFormat::EquationEditor3) {
            appendText(output, *operand);
            appendText(output, *lower);
            appendText(output, *upper);
            appendText(output, *operatorChar);
        } else if (context.format == EquationFormat::MicrosoftEquation && output != nullptr) {
            *output += *operatorChar;
            writeLimitTail(*output, limits, variant == IntegralStyle, *lower, *upper);
            writeElementEnd(context, output);
            // The operand follows the operator as an element of its own, so that nothing of the equation is lost.
            *output += *operand;
        }
    }
    consumeTemplateByte(context);
    writeTemplateText(context, output, "00", {});
    if (variant == Limit)
        writeElementEnd(context, output);
}
