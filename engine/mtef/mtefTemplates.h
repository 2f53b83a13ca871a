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
// Reads one slot (one record of any tag) into `slot`, emptied first.
void readTemplateSlot(ConverterContext& context, std::string& slot);
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
