// The document's Greek font references.
#include "mtef/documentFonts.h"

namespace {
struct DocumentFonts {
    std::string cambriaMathGreek;
    std::string greek;
};

DocumentFonts gFonts; // conversion job's thread only
} // namespace

const std::string& cambriaMathGreekFont() {
    return gFonts.cambriaMathGreek;
}

void setCambriaMathGreekFont(const std::string& reference) {
    gFonts.cambriaMathGreek = reference;
}

const std::string& greekFont() {
    return gFonts.greek;
}

void setGreekFont(const std::string& reference) {
    gFonts.greek = reference;
}

void resetDocumentFonts() {
    gFonts.cambriaMathGreek.clear();
    gFonts.greek.clear();
}
