// The document's Greek fonts, as the RTF pass finds them in the font table: font references ("\f" and the font
// number) that the character translator writes Greek letters in. A reference is only ever one the pass found, so that
// no equation names a font the document lacks; with none, Greek letters are written as Unicode escapes. They sit
// below both, so that the pass notes them and the translator reads them without either reaching into the other.
// Conversion job's thread only.
#pragma once

#include <string>

// The first font whose entry names "Cambria Math Greek;"; empty when none (the translator then takes greekFont).
const std::string& cambriaMathGreekFont();
void setCambriaMathGreekFont(const std::string& reference);

// The last font whose entry names "Greek" but not "Math"; empty when none.
const std::string& greekFont();
void setGreekFont(const std::string& reference);

// Both references as a new document starts.
void resetDocumentFonts();
