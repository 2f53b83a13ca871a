// A stand-in for a program of the suite outside this project (a module's program, the suite's installer), for the
// settings program's tests only: it appends its command line and a line feed to the file named like the program
// with ".log" added, and ends.
#include <windows.h>

#include <cstdio>
#include <string>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    wchar_t path[MAX_PATH] = {};
    if (GetModuleFileNameW(nullptr, path, MAX_PATH) == 0)
        return 1;
    const std::wstring log = std::wstring(path) + L".log";
    FILE* file = _wfopen(log.c_str(), L"ab");
    if (file == nullptr)
        return 1;
    // In UTF-8, so that a test reads it as bytes.
    const wchar_t* line = GetCommandLineW();
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, line, -1, nullptr, 0, nullptr, nullptr);
    std::string text(bytes > 0 ? size_t(bytes) : 0, '\0');
    if (bytes > 0)
        WideCharToMultiByte(CP_UTF8, 0, line, -1, &text[0], bytes, nullptr, nullptr);
    if (!text.empty())
        text.back() = '\n'; // in place of the terminating zero
    std::fwrite(text.data(), 1, text.size(), file);
    std::fclose(file);
    return 0;
}
