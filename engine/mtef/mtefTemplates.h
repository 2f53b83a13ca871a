// TMPL records: the shared record head, the selector tables of both MTEF generations, and what every template
// translator has in common. Format 0 output always uses the version 3 selector numbering.
#pragma once

#include "mtef/converterContext.h"

#include <string>
#include <string_view>

// A template translator: the selector has been read; it reads the variation, the template options, the slots and
// the END and appends its text to `output` (scripts rewrite it). `argument` and `v3Selector` come from the selector
// table; `nudge` is the hex of the nudge bytes read by the record head (format 0; empty otherwise).
using TemplateTranslator = void (*)(ConverterContext& context, std::string* output, int argument,
                                    std::string_view v3Selector, const std::string& nudge);

// Helpers of the common pattern.
uint8_t readTemplateVariation(ConverterContext& context);
// Consumes one byte by asking for an END record (an END or any other byte: exactly one byte either way).
void consumeTemplateByte(ConverterContext& context);
// True when the template's objects have run out: the next byte is an END (or the data has ended). An object missing
// there is read as nothing, and the END is left to close its template, which would otherwise take the next byte of
// the enclosing line for its END.
bool templateObjectsEnd(const ConverterContext& context);
// Reads one slot (one record of any tag) into `slot`, emptied first. Format 0 keeps MTEF 3's shape: a slot is a line,
// so a slot of another kind (a pile, as MathType writes the rows of a case distinction, or a stray record) is
// wrapped in one, and a slot that wrote nothing or is missing is a null line.
void readTemplateSlot(ConverterContext& context, std::string& slot);
// Reads one template character (one record of any tag) into `text`, emptied first: nothing when it is missing.
// Format 0: it stays one CHAR record; anything else standing in its place (broken data) leaves the object as it was.
void readTemplateCharacterRecord(ConverterContext& context, std::string& text);
// Reads the sign of an integral-style or sum-style operator into `text`, emptied first. Format 0: a line holding one
// CHAR record, as MathType writes it; a bare character gets its line, a missing sign is a null line, and anything
// else leaves the object as it was.
void readTemplateSignLine(ConverterContext& context, std::string& text);

// What MTEF 3 lets stand directly in a template's object list or a matrix's cells.
enum class V3Place {
    Slot,      // a line only: anything else is wrapped in one, and nothing at all is a null line
    Character, // a template character: one CHAR record, or nothing where the input has none
    SignLine,  // an operator's sign: a line holding one CHAR record at most
};

// MTEF 3 text (hex) of one record, with any size and font records ahead of it: where that record starts, or npos when
// the text holds none.
size_t v3ObjectRecordAt(const std::string& hex, size_t start = 0);
// True when that record is a line (a null line included).
bool v3RecordIsLine(const std::string& hex, size_t start = 0);
// Format 0: makes the text from `start` on fit that place: wraps it in a line where a line belongs, makes an empty
// slot a null line, and abandons the object where the records cannot be made to fit (a template character that is
// not one CHAR record). The object list the wrapping adds is counted by reading the record inside a V3PlaceDepth.
void keepV3Place(ConverterContext& context, std::string& text, V3Place place, size_t start = 0);
// Format 0: counts the line that keepV3Place may add around the record to be read next, for the scope's lifetime.
class V3PlaceDepth {
public:
    V3PlaceDepth(ConverterContext& context, V3Place place);
    V3PlaceDepth(const V3PlaceDepth&) = delete;
    V3PlaceDepth& operator=(const V3PlaceDepth&) = delete;

private:
    AddedV3Depth added_;
};
// Appends the objects of a line's MTEF 3 text (hex) without the line itself: the size and font records ahead of it,
// then what stands between its tag (and nudge) and its END; nothing more for a null line; the text as it is when it
// is no line.
void appendV3LineObjects(std::string& out, const std::string& line);
// Appends the text of the job's format: hex for format 0, RTF for format 1.
void writeTemplateText(ConverterContext& context, std::string* output, std::string_view hex, std::string_view rtf);
void writeElementStart(ConverterContext& context, std::string* output);
void writeElementEnd(ConverterContext& context, std::string* output);

// Takes the last complete element of the line output off it into `base`, emptied first (format 1 only): the base of a
// script. The search never goes back past the start of the line the script belongs to.
void detachLastElement(ConverterContext& context, std::string& output, std::string& base);

// Format 1: the pre-script just written to the end of `output`, from its start marker at `start`, with the blank of its
// empty base at `baseAt`, waits for the element after it in its line to become its base. Outside a LINE's objects
// (a pile row, a matrix cell, a slot that is not a line) nothing follows it, and its base stays empty.
void awaitPreScriptBase(ConverterContext& context, std::string& output, size_t start, size_t baseAt);
// Called by a LINE after each of its records that was not itself a pre-script: once something followed the waiting
// pre-scripts, it becomes the base of the last one, which in turn becomes the base of the one before, and so on.
void settlePreScripts(PreScriptLine& line);

// The translators of fractions, scripts, radicals and limits (mtefFractionsScripts.cpp).
void translateFraction(ConverterContext&, std::string*, int variant, std::string_view, const std::string&);
void translateFractionV3(ConverterContext&, std::string*, int variant, std::string_view, const std::string&);
void translateScripts(ConverterContext&, std::string*, int kind, std::string_view, const std::string&);
void translateScriptsV3(ConverterContext&, std::string*, int, std::string_view v3Selector, const std::string&);
void translateRadical(ConverterContext&, std::string*, int, std::string_view, const std::string&);
void translateLimit(ConverterContext&, std::string*, int variant, std::string_view, const std::string&);

// The translators of integrals and big operators (mtefIntegrals.cpp).
void translateIntegral(ConverterContext&, std::string*, int, std::string_view, const std::string&);
void translateIntegralV3(ConverterContext&, std::string*, int, std::string_view v3Selector, const std::string&);
void translateBigOperator(ConverterContext&, std::string*, int kind, std::string_view, const std::string&);
void translateBigOperatorV3(ConverterContext&, std::string*, int, std::string_view v3Selector, const std::string&);

// The translators of fences and bra-kets (mtefFencesBraKet.cpp).
void translateFence(ConverterContext&, std::string*, int kind, std::string_view, const std::string& nudge);
void translateBraKet(ConverterContext&, std::string*, int, std::string_view, const std::string&);

// The translators of arrows, bars, accents, horizontal braces and boxes (mtefArrowsAccents.cpp).
void translateArrowTemplate(ConverterContext&, std::string*, int, std::string_view, const std::string&);
void translateAccentTemplate(ConverterContext&, std::string*, int variant, std::string_view, const std::string&);
void translateBarOrArrow(ConverterContext&, std::string*, int, std::string_view v3Selector, const std::string&);
void translateDefaultAccent(ConverterContext&, std::string*, int, std::string_view, const std::string&);
void translateBoxTemplate(ConverterContext&, std::string*, int kind, std::string_view, const std::string& nudge);
