// What the Microsoft Word stand-in (wordStandIn.exe, a local COM server of our own) and its test share: its class,
// its switches and its log.
//
// The test registers the ProgID "Word.Application" for kClassText with LocalServer32 naming the program and its
// switches (COM adds "-Embedding"):
//   "--log=PATH"      the log file (required)
//   --fail=NAME       Invoke of that member fails (E_FAIL)
//   --unknown=NAME    GetIDsOfNames does not know that name (DISP_E_UNKNOWNNAME)
//   --hang=NAME       Invoke of that member never returns
//   --empty=NAME      Invoke of that member succeeds but returns nothing (Documents, Open: no object)
// NAME is one of the members below; the switches may be given together for different names.
//
// Objects and members: app (Visible, DisplayAlerts, Documents, Quit), documents (Open), document (SaveAs, Close).
// Open reads the named file's bytes and fails when it cannot; SaveAs writes them to its FileName whatever the format.
// Quit ends the process at the release of the last object, or a few seconds after its reply when that does not come;
// without Quit the release of the last object ends it too.
//
// The log, UTF-8 lines written whole, one open-append-close each:
//   started                                           registered, serving
//   names <object> <name,...> count=<n> lcid=<hex4> iid=<null|other> [unknown]
//   invoke <object>.<name> flags=<n> lcid=<hex4> iid=<null|other> named=<dispid,...> args=<arg|arg...>
//   released <object>                                 its last reference went
//   exit quit|released|lifetime|failed
// Arguments are logged in array order (the last positional argument first): I2:<n>, I4:<n>, BSTR:<text>, or
// VT<n> for any other type.
#pragma once

#include <windows.h>

namespace word_stand_in {

constexpr wchar_t kProgramName[] = L"wordStandIn.exe";
constexpr wchar_t kClassText[] = L"{6E3B52A4-1D0F-4C8B-9A37-5B21C0D4E917}";
// Without Quit or a release the stand-in ends after this long, so a failing test never leaves it running.
constexpr DWORD kLifetimeMs = 30000;

} // namespace word_stand_in
