// The launchers of the suite's three converter modules: a module's option window, opened by calling the entry point
// of its 64-bit options library (versions from 0xB00) or by starting its program with the owner's handle (older
// versions), and its File Processing, the entry point of its processing library (versions from 0xF00). Libraries are
// loaded on first use and never unloaded; each of the six (module, library kind) pairs caches its module handle and
// entry point for the life of the process. UI thread only: the caches are that thread's.
#pragma once

#include "programSettings.h"

#include <windows.h>

#include <cstdint>
#include <string>

// Versions from which a module has an options library, and a processing library.
constexpr int32_t kOptionsLibraryVersion = 0xB00;
constexpr int32_t kProcessingLibraryVersion = 0xF00;

// The form of every launcher below.
using ModuleLauncher = bool (*)(HINSTANCE instance, HWND owner);

// Each returns true when the module's window was shown or its program was started. `owner` may be null (a
// module-only start): the program then receives "-wnd:0" and the library's window has no owner.
bool showPalvexOptions(HINSTANCE instance, HWND owner);
bool showDornakOptions(HINSTANCE instance, HWND owner);
bool showSembrikOptions(HINSTANCE instance, HWND owner);
// Each returns true when the processing entry point was called or the "latest version" note was shown.
bool runPalvexFileProcessing(HINSTANCE instance, HWND owner);
bool runDornakFileProcessing(HINSTANCE instance, HWND owner);
bool runSembrikFileProcessing(HINSTANCE instance, HWND owner);

// The launchers by module, for callers that hold a SuiteModule; in the order of SuiteModule.
struct ModuleLauncherRow {
    SuiteModule module;
    ModuleLauncher showOptions;
    ModuleLauncher runFileProcessing;
};
constexpr ModuleLauncherRow kModuleLaunchers[] = {
    // module              showOptions          runFileProcessing
    {SuiteModule::Palvex, showPalvexOptions, runPalvexFileProcessing},
    {SuiteModule::Dornak, showDornakOptions, runDornakFileProcessing},
    {SuiteModule::Sembrik, showSembrikOptions, runSembrikFileProcessing},
};
const ModuleLauncherRow& moduleLaunchers(SuiteModule module);

// The module program's parameters for an owner: "-wnd:" and the low 32 bits of the handle as a signed decimal.
std::wstring moduleProgramParameters(HWND owner);
// A file of a module: its folder (ending in a backslash) and the file's name; empty when the folder is empty, so
// that a module that is not installed is never looked for in the drive's root.
std::wstring moduleFilePath(const std::wstring& folder, const wchar_t* fileName);

// The loader calls, so that tests can count them (null members restore LoadLibraryW and GetProcAddress).
struct ModuleLoader {
    HMODULE (*load)(const wchar_t* path) = nullptr;
    FARPROC (*lookUp)(HMODULE library, const char* name) = nullptr;
};
void setModuleLoader(const ModuleLoader& loader);
// Empties the six caches without unloading anything, so that one test program can try several installations.
void forgetModuleLibraries();
