// LocalServer32 command lines to program paths; see serverCommandLine.h. Registrations are command lines, not paths:
// installers quote a path that holds blanks and add switches such as /Automation, and ShellExecuteW, which starts the
// server, takes the file alone and fails on the whole line.
#include "serverCommandLine.h"

namespace {
bool isBlank(wchar_t unit) {
    return unit == L' ' || unit == L'\t';
}

// Whether text[begin, end) ends in ".exe", in any letter case.
bool endsInExe(const std::wstring& text, size_t begin, size_t end) {
    constexpr wchar_t kExtension[] = L".exe";
    constexpr size_t kLength = 4;
    if (end - begin < kLength)
        return false;
    for (size_t i = 0; i < kLength; ++i) {
        wchar_t unit = text[end - kLength + i];
        if (unit >= L'A' && unit <= L'Z')
            unit = wchar_t(unit - L'A' + L'a');
        if (unit != kExtension[i])
            return false;
    }
    return true;
}
} // namespace

std::wstring serverExecutablePath(const std::wstring& commandLine) {
    size_t begin = 0;
    size_t end = commandLine.size();
    while (begin < end && isBlank(commandLine[begin]))
        ++begin;
    while (end > begin && isBlank(commandLine[end - 1]))
        --end;
    if (begin < end && commandLine[begin] == L'"') {
        const size_t close = commandLine.find(L'"', begin + 1);
        if (close != std::wstring::npos && close < end)
            return commandLine.substr(begin + 1, close - begin - 1);
        ++begin; // unclosed: the rest is read as an unquoted line
    }
    if (endsInExe(commandLine, begin, end))
        return commandLine.substr(begin, end - begin);
    // Scanning from the end finds the longest prefix first.
    for (size_t cut = end; cut > begin; --cut) {
        if (isBlank(commandLine[cut - 1]) && endsInExe(commandLine, begin, cut - 1))
            return commandLine.substr(begin, cut - 1 - begin);
    }
    return commandLine.substr(begin, end - begin);
}
