// What the equation server process stand-in (equationWindowsStandIn.exe) and its test share: where it logs, how it
// is told to finish, and the windows it opens.
//
// The log, UTF-8 lines written whole, one open-append-close each:
//   started show=<STARTUPINFO wShowWindow, or -1 without STARTF_USESHOWWINDOW> command=<its command line>
//   ready                 every window below exists
//   close <class name>    that window got WM_CLOSE
//   exit finished|timeout
#pragma once

#include <windows.h>

namespace standin {

// The environment variable naming the log file; the stand-in inherits it from the test that starts the server.
constexpr wchar_t kLogVariable[] = L"VELTRIM_STANDIN_LOG";
// A hidden top-level window that takes kFinishMessage. Messages posted to one thread arrive in order, so every
// WM_CLOSE posted before kFinishMessage is in the log before "exit finished".
constexpr wchar_t kControlClass[] = L"VeltrimStandInControl";
constexpr UINT kFinishMessage = WM_APP + 0x51;
// Without kFinishMessage the stand-in ends after this long, so a failing test never leaves it running.
constexpr UINT kLifetimeMs = 20000;

// The hidden top-level windows it opens, one per class. Window class names are case-insensitive, so a wrong-case
// variant of "EQNWINCLASS" must differ in more than case to be registered beside it.
struct WindowClass {
    const wchar_t* name;
    bool closedByConverter; // whether closeEquationWindows must post it WM_CLOSE
};
constexpr WindowClass kWindowClasses[] = {
    // name                            closedByConverter
    {L"EQNWINCLASS", true},           // the server's own name
    {L"xEQNWINCLASSy", true},         // other characters before and after
    {L"abcdEQNWINCLASS", true},       // 15 characters: ends exactly at the last one read
    {L"EQNWINCLASS_long_tail", true}, // longer than 15, the match lies within them
    {L"ABCDEEQNWINCLASS", false},     // 16 characters: the final S lies beyond the 15 read
    {L"eqnwinclass_lc", false},       // wrong case
    {L"EQNWINCLAS", false},           // one letter short
    {L"Other", false},
};

} // namespace standin
