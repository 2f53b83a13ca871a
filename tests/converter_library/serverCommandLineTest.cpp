// The program path taken from a LocalServer32 command line: quotes, arguments, blanks inside unquoted paths, letter
// case of the extension, and lines that name nothing. Portable: runs natively and under Wine.
#include "serverCommandLine.h"

#include <gtest/gtest.h>

#include <iterator>
#include <string>

namespace {
TEST(ServerCommandLine, ExecutablePath) {
    const struct {
        const wchar_t* commandLine;
        const wchar_t* path;
    } cases[] = {
        // commandLine                                          path
        {L"C:\\x\\EQNEDT32.EXE", L"C:\\x\\EQNEDT32.EXE"},
        {L" \tC:\\x\\EQNEDT32.EXE \t", L"C:\\x\\EQNEDT32.EXE"},
        {L"C:\\Program Files\\x\\EQNEDT32.EXE", L"C:\\Program Files\\x\\EQNEDT32.EXE"},
        {L"\"C:\\Program Files\\x\\EQNEDT32.EXE\"", L"C:\\Program Files\\x\\EQNEDT32.EXE"},
        {L"\"C:\\Program Files\\x\\EQNEDT32.EXE\" /Automation", L"C:\\Program Files\\x\\EQNEDT32.EXE"},
        {L"  \"C:\\x\\EQNEDT32.EXE\"/Automation", L"C:\\x\\EQNEDT32.EXE"},
        {L"\"C:\\x y\\server\" -Embedding", L"C:\\x y\\server"}, // quoted: no extension needed
        {L"C:\\x\\EQNEDT32.EXE /Automation", L"C:\\x\\EQNEDT32.EXE"},
        {L"C:\\x\\EQNEDT32.EXE\t/Automation", L"C:\\x\\EQNEDT32.EXE"},
        {L"C:\\x\\EQNEDT32.EXE  /Automation /Embedding", L"C:\\x\\EQNEDT32.EXE"},
        {L"C:\\Program Files\\x\\EQNEDT32.EXE /Automation", L"C:\\Program Files\\x\\EQNEDT32.EXE"},
        {L"C:\\Program Files\\x\\eqnedt32.exe /Automation", L"C:\\Program Files\\x\\eqnedt32.exe"},
        {L"C:\\Program Files\\x\\Eqnedt32.ExE /Automation", L"C:\\Program Files\\x\\Eqnedt32.ExE"},
        {L"EQNEDT32.EXE /Automation", L"EQNEDT32.EXE"},
        {L"C:\\x.exes\\EQNEDT32.EXE /a", L"C:\\x.exes\\EQNEDT32.EXE"},             // ".exe" not before a blank
        {L"C:\\my.exe tools\\EQNEDT32.EXE /a", L"C:\\my.exe tools\\EQNEDT32.EXE"}, // the longest prefix
        {L"C:\\x\\EQNEDT32.EXE /log C:\\t\\a.exe", L"C:\\x\\EQNEDT32.EXE /log C:\\t\\a.exe"}, // ends in .exe: whole
        {L"C:\\x\\server /Automation", L"C:\\x\\server /Automation"},                         // no ".exe": whole
        {L"C:\\x\\EQNEDT32.EXEC /a", L"C:\\x\\EQNEDT32.EXEC /a"},
        {L"\"C:\\x\\EQNEDT32.EXE", L"C:\\x\\EQNEDT32.EXE"}, // unclosed quote
        {L"\"C:\\Program Files\\x\\EQNEDT32.EXE /Automation", L"C:\\Program Files\\x\\EQNEDT32.EXE"},
        {L".exe /a", L".exe"},
        {L"", L""},
        {L" \t ", L""},
        {L"\"\"", L""},
        {L"\"\" /Automation", L""},
        {L"\"", L""},
    };
    for (size_t row = 0; row < std::size(cases); ++row)
        EXPECT_EQ(serverExecutablePath(cases[row].commandLine), std::wstring(cases[row].path)) << "row " << row;
}
} // namespace
