// Checks Office Math RTF as the engine writes it for one equation: the groups balance, no element marker byte (0x01,
// 0x02) is left, and every control word is one the engine writes, with or without a number as the engine writes
// it. The parts of each Office Math structure must come in the order of the Office Math XML schema, which Office
// Math RTF serialises and order-sensitive readers take by position (a radical's degree before its radicand, an
// n-ary operator's limits before its operand, every property group first and its own entries in order). Text stands
// only in runs (\mr) or as a property's value, never in a structure or its parts, and no run stands inside a run:
// Office Math has neither, and readers drop such text.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace testing_support {

enum class OfficeMathStatus {
    Ok = 0,
    NotChecked,          // the check has not run
    StrayCloseBrace,     // a "}" with no group open
    UnclosedGroup,       // the text ends inside a group; the offset is that of the innermost open "{"
    MarkerByte,          // a byte 0x01 or 0x02
    UnknownWord,         // a control word the engine does not write
    WordTooLong,         // a control word of more than 32 letters
    MissingParameter,    // a word written with a number (\f382, \mscr0) has none
    UnexpectedParameter, // a word written without a number has one
    ParameterRange,      // \u outside -32768..65535
    MissingFallback,     // \uN not followed by its one fallback character
    BadHexEscape,        // \' not followed by two hex digits
    UnknownSymbol,       // a control symbol other than \{ \} \\ \~ \- \_ \* \'
    StarNotAfterBrace,   // \* that does not open a group
    BackslashAtEnd,      // the text ends in a backslash
    PartOutOfOrder,      // a structure's part after one the schema puts behind it; the offset is the part's "{"
    UnexpectedPart,      // a group inside a structure that the schema does not allow there
    TextOutsideRun,      // a character (blanks aside), hex escape or \u escape in a structure or its parts
    RunInsideRun,        // an \mr group inside another; the offset is the inner one's "{"
};

// The parts a structure may hold, in the schema's order; a part may repeat (the cells of a row). Sorted by
// structure for binary search.
struct OfficeMathPartOrder {
    std::string_view structure; // control word of the group, without the backslash
    std::string_view parts[10]; // control words of its child groups, in order; unused entries empty
};

// clang-format off
// structure, parts in order
inline constexpr OfficeMathPartOrder kOfficeMathPartOrders[] = {
    {"macc",         {"maccPr", "me"}},
    {"maccPr",       {"mchr", "mctrlPr"}},
    {"mbar",         {"mbarPr", "me"}},
    {"mbarPr",       {"mpos", "mctrlPr"}},
    {"mborderBox",   {"mborderBoxPr", "me"}},
    {"mborderBoxPr", {"mhideTop", "mhideBot", "mhideLeft", "mhideRight", "mstrikeH", "mstrikeV", "mstrikeBLTR",
                      "mstrikeTLBR", "mctrlPr"}},
    {"mbox",         {"mboxPr", "me"}},
    {"mboxPr",       {"mopEmu", "mnoBreak", "mdiff", "mbrk", "maln", "mctrlPr"}},
    {"md",           {"mdPr", "me"}},
    {"mdPr",         {"mbegChr", "msepChr", "mendChr", "mgrow", "mshp", "mctrlPr"}},
    {"meqArr",       {"meqArrPr", "me"}},
    {"mf",           {"mfPr", "mnum", "mden"}},
    {"mfPr",         {"mtype", "mctrlPr"}},
    {"mgroupChr",    {"mgroupChrPr", "me"}},
    {"mgroupChrPr",  {"mchr", "mpos", "mvertJc", "mctrlPr"}},
    {"mlimLow",      {"mlimLowPr", "me", "mlim"}},
    {"mlimUpp",      {"mlimUppPr", "me", "mlim"}},
    {"mm",           {"mmPr", "mmr"}},
    {"mmPr",         {"mbaseJc", "mplcHide", "mrSpRule", "mcGpRule", "mrSp", "mcSp", "mcGp", "mmcs", "mctrlPr"}},
    {"mmc",          {"mmcPr"}},
    {"mmcPr",        {"mcount", "mmcJc"}},
    {"mmcs",         {"mmc"}},
    {"mmr",          {"me"}},
    {"mnary",        {"mnaryPr", "msub", "msup", "me"}},
    {"mnaryPr",      {"mchr", "mlimLoc", "mgrow", "msubHide", "msupHide", "mctrlPr"}},
    {"mrad",         {"mradPr", "mdeg", "me"}},
    {"mradPr",       {"mdegHide", "mctrlPr"}},
    {"msPre",        {"msPrePr", "msub", "msup", "me"}},
    {"msSub",        {"msSubPr", "me", "msub"}},
    {"msSubSup",     {"msSubSupPr", "me", "msub", "msup"}},
    {"msSup",        {"msSupPr", "me", "msup"}},
};
// clang-format on

// How a control word takes its number.
enum class RtfNumber {
    None,     // never
    Optional, // toggles: \i, \i0
    Required, // \f382, \u8747
};

struct OfficeMathWord {
    std::string_view name; // without the backslash
    RtfNumber number;
};

// clang-format off
// The control words of the engine's Office Math output, sorted bytewise for binary search.
// name, number
inline constexpr OfficeMathWord kOfficeMathWords[] = {
    {"b", RtfNumber::Optional},
    {"dn", RtfNumber::Required},
    {"f", RtfNumber::Required},
    {"field", RtfNumber::None},
    {"fldinst", RtfNumber::None},
    {"fldrslt", RtfNumber::None},
    {"i", RtfNumber::Optional},
    {"macc", RtfNumber::None},
    {"maccPr", RtfNumber::None},
    {"mbar", RtfNumber::None},
    {"mbarPr", RtfNumber::None},
    {"mbegChr", RtfNumber::None},
    {"mborderBox", RtfNumber::None},
    {"mborderBoxPr", RtfNumber::None},
    {"mbox", RtfNumber::None},
    {"mboxPr", RtfNumber::None},
    {"mchr", RtfNumber::None},
    {"mcount", RtfNumber::None},
    {"mctrlPr", RtfNumber::None},
    {"md", RtfNumber::None},
    {"mdPr", RtfNumber::None},
    {"mdeg", RtfNumber::None},
    {"mdegHide", RtfNumber::None},
    {"mden", RtfNumber::None},
    {"me", RtfNumber::None},
    {"mendChr", RtfNumber::None},
    {"mf", RtfNumber::None},
    {"mfPr", RtfNumber::None},
    {"mgroupChr", RtfNumber::None},
    {"mgroupChrPr", RtfNumber::None},
    {"mhideBot", RtfNumber::None},
    {"mhideLeft", RtfNumber::None},
    {"mhideRight", RtfNumber::None},
    {"mhideTop", RtfNumber::None},
    {"mlim", RtfNumber::None},
    {"mlimLoc", RtfNumber::None},
    {"mlimLow", RtfNumber::None},
    {"mlimLowPr", RtfNumber::None},
    {"mlimUpp", RtfNumber::None},
    {"mlimUppPr", RtfNumber::None},
    {"mm", RtfNumber::None},
    {"mmPr", RtfNumber::None},
    {"mmath", RtfNumber::None},
    {"mmathPict", RtfNumber::None},
    {"mmc", RtfNumber::None},
    {"mmcJc", RtfNumber::None},
    {"mmcPr", RtfNumber::None},
    {"mmcs", RtfNumber::None},
    {"mmr", RtfNumber::None},
    {"mnary", RtfNumber::None},
    {"mnaryPr", RtfNumber::None},
    {"mnum", RtfNumber::None},
    {"moMath", RtfNumber::None},
    {"moMathPara", RtfNumber::None},
    {"mopEmu", RtfNumber::None},
    {"mplcHide", RtfNumber::None},
    {"mpos", RtfNumber::None},
    {"mr", RtfNumber::None},
    {"mrad", RtfNumber::None},
    {"mradPr", RtfNumber::None},
    {"msPre", RtfNumber::None},
    {"msPrePr", RtfNumber::None},
    {"msSub", RtfNumber::None},
    {"msSubPr", RtfNumber::None},
    {"msSubSup", RtfNumber::None},
    {"msSubSupPr", RtfNumber::None},
    {"msSup", RtfNumber::None},
    {"msSupPr", RtfNumber::None},
    {"mscr", RtfNumber::Required},
    {"mstrikeBLTR", RtfNumber::None},
    {"mstrikeH", RtfNumber::None},
    {"mstrikeTLBR", RtfNumber::None},
    {"msty", RtfNumber::Required},
    {"msub", RtfNumber::None},
    {"msubHide", RtfNumber::None},
    {"msup", RtfNumber::None},
    {"msupHide", RtfNumber::None},
    {"mtype", RtfNumber::None},
    {"mvertJc", RtfNumber::None},
    {"u", RtfNumber::Required},
    {"uc", RtfNumber::Required},
    {"zwnbo", RtfNumber::None},
};
// clang-format on

struct OfficeMathCheck {
    OfficeMathStatus status = OfficeMathStatus::NotChecked;
    size_t offset = 0;     // byte offset of the problem in the text
    std::string_view word; // the control word concerned, when there is one
};

OfficeMathCheck checkOfficeMath(std::string_view text);
const char* officeMathStatusText(OfficeMathStatus status);

// "" when the text is fine, else a message naming the first problem and its byte offset.
std::string checkOfficeMathRtf(std::string_view text);

} // namespace testing_support
