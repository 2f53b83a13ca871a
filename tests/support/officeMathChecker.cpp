// One pass over Office Math RTF text, in the manner of an RTF tokenizer: braces, control words with their number and
// delimiting blank, control symbols and hex escapes. It stops at the first problem.
#include "officeMathChecker.h"

#include <algorithm>
#include <iterator>
#include <vector>

namespace testing_support {
namespace {
constexpr size_t kMaxWordLetters = 32; // RTF's own limit on a control word
constexpr long kNumberCap = 1000000;   // numbers are read saturated here: no RTF number the engine writes comes near

bool isLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool isDigit(char c) {
    return c >= '0' && c <= '9';
}
bool isHexDigit(char c) {
    return isDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// An open group: where its "{" stands, the control word that names it (empty until one follows the brace) and the
// schema position of the last part seen inside it; whether it is a run or inside one, and the innermost Office Math
// group at or around it (its context for text).
struct OpenGroup {
    size_t offset = 0;
    std::string_view name;
    int lastPart = -1;
    bool inRun = false;
    std::string_view mathGroup;
};

struct Scan {
    std::string_view text;
    size_t pos = 0;
    std::vector<OpenGroup> openGroups; // innermost last
    OfficeMathCheck result;

    bool at(size_t i, char c) const { return i < text.size() && text[i] == c; }
    bool hexEscapeAt(size_t i) const {
        return at(i, '\\') && at(i + 1, '\'') && i + 3 < text.size() && isHexDigit(text[i + 2]) &&
               isHexDigit(text[i + 3]);
    }
    bool fail(OfficeMathStatus status, size_t offset, std::string_view word = {}) {
        result.status = status;
        result.offset = offset;
        result.word = word;
        return false;
    }
};

const OfficeMathPartOrder* findPartOrder(std::string_view structure) {
    const auto* end = std::end(kOfficeMathPartOrders);
    const auto* it =
        std::lower_bound(std::begin(kOfficeMathPartOrders), end, structure,
                         [](const OfficeMathPartOrder& order, std::string_view key) { return order.structure < key; });
    return it != end && it->structure == structure ? it : nullptr;
}

// True when text may not stand directly in the group of that name: a structure, its properties or one of its parts
// (a property's value group holds its value as text).
bool holdsNoText(std::string_view mathGroup) {
    static constexpr std::string_view kParts[] = {"mdeg", "mden",   "me",   "mlim", "mmr",
                                                  "mnum", "moMath", "msub", "msup"};
    return findPartOrder(mathGroup) != nullptr ||
           std::find(std::begin(kParts), std::end(kParts), mathGroup) != std::end(kParts);
}

// Text at `offset` (a character, a hex escape or a \u escape) must stand in a run or a property's value.
bool checkTextPlace(Scan& scan, size_t offset) {
    if (scan.openGroups.empty())
        return true;
    const OpenGroup& group = scan.openGroups.back();
    if (group.inRun || !holdsNoText(group.mathGroup))
        return true;
    return scan.fail(OfficeMathStatus::TextOutsideRun, offset);
}

// The word that names a group: an \mr inside a run is a run inside a run; an Office Math word (m...) becomes the
// group's context for text.
bool nameGroup(Scan& scan, std::string_view name) {
    OpenGroup& group = scan.openGroups.back();
    if (name == "mr") {
        if (group.inRun)
            return scan.fail(OfficeMathStatus::RunInsideRun, group.offset, name);
        group.inRun = true;
    }
    if (!name.empty() && name[0] == 'm')
        group.mathGroup = name;
    return true;
}

// The word at `wordStart` names the innermost group when it follows its brace directly; a named group inside a
// structure must be one of the structure's parts, at or after the last part's place.
bool checkPartOrder(Scan& scan, size_t wordStart, std::string_view name) {
    if (scan.openGroups.empty() || scan.openGroups.back().offset + 1 != wordStart)
        return true;
    scan.openGroups.back().name = name;
    if (!nameGroup(scan, name))
        return false;
    if (scan.openGroups.size() < 2)
        return true;
    OpenGroup& parent = scan.openGroups[scan.openGroups.size() - 2];
    const OfficeMathPartOrder* order = findPartOrder(parent.name);
    if (!order)
        return true;
    const size_t groupStart = scan.openGroups.back().offset;
    for (int i = 0; i < int(std::size(order->parts)) && !order->parts[i].empty(); ++i) {
        if (order->parts[i] != name)
            continue;
        if (i < parent.lastPart)
            return scan.fail(OfficeMathStatus::PartOutOfOrder, groupStart, name);
        parent.lastPart = i;
        return true;
    }
    return scan.fail(OfficeMathStatus::UnexpectedPart, groupStart, name);
}

const OfficeMathWord* findWord(std::string_view name) {
    const auto* end = std::end(kOfficeMathWords);
    const auto* it = std::lower_bound(std::begin(kOfficeMathWords), end, name,
                                      [](const OfficeMathWord& w, std::string_view key) { return w.name < key; });
    return it != end && it->name == name ? it : nullptr;
}

// A control symbol: the backslash at scan.pos and one character that is not a letter.
bool checkSymbol(Scan& scan) {
    const size_t start = scan.pos;
    if (start + 1 >= scan.text.size())
        return scan.fail(OfficeMathStatus::BackslashAtEnd, start);
    switch (scan.text[start + 1]) {
    case '{':
    case '}':
    case '\\':
    case '~':
    case '-':
    case '_':
        scan.pos += 2;
        return true;
    case '*':
        if (start == 0 || scan.text[start - 1] != '{')
            return scan.fail(OfficeMathStatus::StarNotAfterBrace, start);
        scan.pos += 2;
        return true;
    case '\'':
        if (!scan.hexEscapeAt(start))
            return scan.fail(OfficeMathStatus::BadHexEscape, start);
        scan.pos += 4;
        return checkTextPlace(scan, start);
    default:
        return scan.fail(OfficeMathStatus::UnknownSymbol, start);
    }
}

// The one fallback character after \uN (the engine always writes \uc1): a hex escape or one plain character.
bool checkFallback(Scan& scan, size_t wordStart, std::string_view word) {
    if (scan.hexEscapeAt(scan.pos)) {
        scan.pos += 4;
        return true;
    }
    if (scan.pos >= scan.text.size())
        return scan.fail(OfficeMathStatus::MissingFallback, wordStart, word);
    const unsigned char c = static_cast<unsigned char>(scan.text[scan.pos]);
    if (c == '{' || c == '}' || c == '\\' || c < 0x20)
        return scan.fail(OfficeMathStatus::MissingFallback, wordStart, word);
    ++scan.pos;
    return true;
}

// A control word: the backslash at scan.pos, letters, an optional signed number and an optional delimiting blank.
bool checkWord(Scan& scan) {
    const size_t start = scan.pos;
    size_t i = start + 1;
    while (i < scan.text.size() && isLetter(scan.text[i]))
        ++i;
    const std::string_view name = scan.text.substr(start + 1, i - start - 1);
    if (name.size() > kMaxWordLetters)
        return scan.fail(OfficeMathStatus::WordTooLong, start, name);
    const bool negative = scan.at(i, '-') && i + 1 < scan.text.size() && isDigit(scan.text[i + 1]);
    if (negative)
        ++i;
    const bool hasNumber = i < scan.text.size() && isDigit(scan.text[i]);
    long number = 0;
    while (i < scan.text.size() && isDigit(scan.text[i]))
        number = std::min(kNumberCap, number * 10 + (scan.text[i++] - '0'));
    if (negative)
        number = -number;
    if (scan.at(i, ' '))
        ++i;
    scan.pos = i;
    if (!checkPartOrder(scan, start, name))
        return false;

    const OfficeMathWord* word = findWord(name);
    if (!word)
        return scan.fail(OfficeMathStatus::UnknownWord, start, name);
    if (word->number == RtfNumber::None && hasNumber)
        return scan.fail(OfficeMathStatus::UnexpectedParameter, start, name);
    if (word->number == RtfNumber::Required && !hasNumber)
        return scan.fail(OfficeMathStatus::MissingParameter, start, name);
    if (name != "u")
        return true;
    if (number < -32768 || number > 65535)
        return scan.fail(OfficeMathStatus::ParameterRange, start, name);
    return checkTextPlace(scan, start) && checkFallback(scan, start, name);
}

bool checkNext(Scan& scan) {
    const char c = scan.text[scan.pos];
    switch (c) {
    case '\x01':
    case '\x02':
        return scan.fail(OfficeMathStatus::MarkerByte, scan.pos);
    case '{': {
        OpenGroup group{scan.pos++, {}, -1, false, {}};
        if (!scan.openGroups.empty()) {
            group.inRun = scan.openGroups.back().inRun;
            group.mathGroup = scan.openGroups.back().mathGroup;
        }
        scan.openGroups.push_back(group);
        return true;
    }
    case '}':
        if (scan.openGroups.empty())
            return scan.fail(OfficeMathStatus::StrayCloseBrace, scan.pos);
        scan.openGroups.pop_back();
        ++scan.pos;
        return true;
    case '\\':
        return scan.pos + 1 < scan.text.size() && isLetter(scan.text[scan.pos + 1]) ? checkWord(scan)
                                                                                    : checkSymbol(scan);
    case ' ':
    case '\r':
    case '\n':
    case '\t':
        ++scan.pos;
        return true;
    default:
        return checkTextPlace(scan, scan.pos++);
    }
}
} // namespace

OfficeMathCheck checkOfficeMath(std::string_view text) {
    Scan scan;
    scan.text = text;
    while (scan.pos < text.size()) {
        if (!checkNext(scan))
            return scan.result;
    }
    if (!scan.openGroups.empty()) {
        scan.fail(OfficeMathStatus::UnclosedGroup, scan.openGroups.back().offset);
        return scan.result;
    }
    scan.result.status = OfficeMathStatus::Ok;
    return scan.result;
}

const char* officeMathStatusText(OfficeMathStatus status) {
    switch (status) {
    case OfficeMathStatus::Ok:
        return "ok";
    case OfficeMathStatus::NotChecked:
        return "not checked";
    case OfficeMathStatus::StrayCloseBrace:
        return "\"}\" with no group open";
    case OfficeMathStatus::UnclosedGroup:
        return "group never closed";
    case OfficeMathStatus::MarkerByte:
        return "element marker byte 0x01 or 0x02 left in the text";
    case OfficeMathStatus::UnknownWord:
        return "control word the engine does not write:";
    case OfficeMathStatus::WordTooLong:
        return "control word longer than 32 letters:";
    case OfficeMathStatus::MissingParameter:
        return "control word without its number:";
    case OfficeMathStatus::UnexpectedParameter:
        return "control word with a number it never takes:";
    case OfficeMathStatus::ParameterRange:
        return "Unicode escape outside -32768..65535:";
    case OfficeMathStatus::MissingFallback:
        return "Unicode escape without its fallback character:";
    case OfficeMathStatus::BadHexEscape:
        return "\\' without two hex digits";
    case OfficeMathStatus::UnknownSymbol:
        return "control symbol the engine does not write";
    case OfficeMathStatus::StarNotAfterBrace:
        return "\\* that does not open a group";
    case OfficeMathStatus::BackslashAtEnd:
        return "backslash at the end of the text";
    case OfficeMathStatus::PartOutOfOrder:
        return "part written after one that the schema puts behind it:";
    case OfficeMathStatus::UnexpectedPart:
        return "group that the schema does not allow in its structure:";
    case OfficeMathStatus::TextOutsideRun:
        return "text outside a run";
    case OfficeMathStatus::RunInsideRun:
        return "run inside a run:";
    }
    return "unknown status";
}

std::string checkOfficeMathRtf(std::string_view text) {
    const OfficeMathCheck check = checkOfficeMath(text);
    if (check.status == OfficeMathStatus::Ok)
        return {};
    std::string message = "offset " + std::to_string(check.offset) + ": " + officeMathStatusText(check.status);
    if (!check.word.empty())
        message += " \\" + std::string(check.word);
    return message;
}

} // namespace testing_support
