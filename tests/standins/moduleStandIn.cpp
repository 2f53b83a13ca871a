// A stand-in for a library of the suite's other modules (an options or a processing library), for the settings
// program's tests only: its one export, named by VELTRIM_STANDIN_ENTRY (none when that is not defined), appends
// "<entry>|<owner as a signed decimal>|<instance set: 1 or 0>" and a line feed to the file named like the library
// with ".log" added, so that a test sees which copy was called, how often and with what.
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <string>

namespace {
HMODULE gSelf = nullptr; // set once at load

#ifdef VELTRIM_STANDIN_ENTRY
void record(const char* entry, HINSTANCE instance, HWND owner) {
    wchar_t path[MAX_PATH] = {};
    if (GetModuleFileNameW(gSelf, path, MAX_PATH) == 0)
        return;
    const std::wstring log = std::wstring(path) + L".log";
    FILE* file = _wfopen(log.c_str(), L"ab");
    if (file == nullptr)
        return;
    const int32_t low = static_cast<int32_t>(static_cast<uint32_t>(reinterpret_cast<uintptr_t>(owner)));
    std::fprintf(file, "%s|%ld|%d\n", entry, static_cast<long>(low), instance != nullptr ? 1 : 0);
    std::fclose(file);
}
#endif
} // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH)
        gSelf = instance;
    return TRUE;
}

#ifdef VELTRIM_STANDIN_ENTRY
#define VELTRIM_STANDIN_TEXT2(name) #name
#define VELTRIM_STANDIN_TEXT(name) VELTRIM_STANDIN_TEXT2(name)
extern "C" __declspec(dllexport) int32_t VELTRIM_STANDIN_ENTRY(HINSTANCE instance, HWND owner) {
    record(VELTRIM_STANDIN_TEXT(VELTRIM_STANDIN_ENTRY), instance, owner);
    return 0;
}
#endif
