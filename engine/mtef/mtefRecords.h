// Handlers of the structural records (LINE, PILE, MATRIX, RULER) and of the definition and layout records (FONT and
// FONT_STYLE_DEF, the size records, COLOR, COLOR_DEF, FONT_DEF, EQN_PREFS, ENCODING_DEF, the future range).
// Each is called by the dispatcher after the tag byte was read; see RecordHandler in mtefDispatcher.cpp.
#pragma once

#include "mtef/converterContext.h"

#include <cstdint>
#include <string>

int translateLine(ConverterContext& context, std::string* output, bool pullNext, int32_t tag);
int translatePile(ConverterContext& context, std::string* output, bool pullNext, int32_t tag);
int translateMatrix(ConverterContext& context, std::string* output, bool pullNext, int32_t tag);
int translateRuler(ConverterContext& context, std::string* output, bool pullNext, int32_t tag);

// CHAR (mtefCharacterRecord.cpp).
int translateChar(ConverterContext& context, std::string* output, bool pullNext, int32_t tag);

// TMPL (mtefTemplates.cpp).
int translateTemplate(ConverterContext& context, std::string* output, bool pullNext, int32_t tag);

// EMBELL (mtefEmbellishments.cpp): reads a character's whole embellishment list and rewrites the character's text,
// given as the output.
int translateEmbellishment(ConverterContext& context, std::string* output, bool pullNext, int32_t tag);

int readFontStyleDef(ConverterContext& context, std::string* output, bool pullNext, int32_t tag);
int readSizeRecord(ConverterContext& context, std::string* output, bool pullNext, int32_t tag);
int skipColor(ConverterContext& context, std::string* output, bool pullNext, int32_t tag);
int skipColorDef(ConverterContext& context, std::string* output, bool pullNext, int32_t tag);
int readFontDef(ConverterContext& context, std::string* output, bool pullNext, int32_t tag);
int skipEquationPrefs(ConverterContext& context, std::string* output, bool pullNext, int32_t tag);
int readEncodingDef(ConverterContext& context, std::string* output, bool pullNext, int32_t tag);
int skipFutureRecord(ConverterContext& context, std::string* output, bool pullNext, int32_t tag);

// A ruler's body: the count of tab stops and three bytes a stop (no tag byte). Nothing is written.
void skipRuler(ConverterContext& context);
