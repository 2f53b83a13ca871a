// The module launchers; see moduleLaunchers.h.
#include "moduleLaunchers.h"

#include "mainWindow.h"
#include "programTexts.h"
#include "shellOpen.h"

#include "messageBox.h"

namespace {
// What both library kinds export: called with the program's instance and the owner window; the result is ignored.
using ModuleEntry = int32_t (*)(HINSTANCE instance, HWND owner);

enum class LibraryKind : int32_t { Options, Processing };

// One module's files. The names are joined to the module folder, which ends in a backslash.
struct ModuleFiles {
    SuiteModule module;
    const wchar_t* program;           // started below kOptionsLibraryVersion
    const wchar_t* optionsLibrary;    // from kOptionsLibraryVersion
    const char* entryPoint;           // in both libraries
    const wchar_t* processingLibrary; // from kProcessingLibraryVersion
};
// Both tables are read by position.
static_assert(kModuleLaunchers[0].module == SuiteModule::Palvex && kModuleLaunchers[1].module == SuiteModule::Dornak &&
                  kModuleLaunchers[2].module == SuiteModule::Sembrik,
              "kModuleLaunchers follows SuiteModule");
constexpr ModuleFiles kModuleFiles[] = {
    // module            program            optionsLibrary        entryPoint    processingLibrary
    {SuiteModule::Palvex, L"VeltrimPvx.exe", L"VeltrimPvx64.dll", "showOptPvx", L"VeltrimPvxProc64.dll"},
    {SuiteModule::Dornak, L"VeltrimDnk.exe", L"VeltrimDnk64.dll", "showOptDnk", L"VeltrimDnkProc64.dll"},
    {SuiteModule::Sembrik, L"VeltrimSbk.exe", L"VeltrimSbk64.dll", "showOptSbk", L"VeltrimSbkProc64.dll"},
};

struct LibraryCache {
    HMODULE library = nullptr;
    ModuleEntry entry = nullptr;
};
// Six pairs, by module and kind; UI thread. Set once, kept until the process ends (a library is never unloaded).
LibraryCache gCaches[3][2];
ModuleLoader gLoader; // UI thread (tests set it)

HMODULE loadLibrary(const wchar_t* path) {
    return gLoader.load != nullptr ? gLoader.load(path) : LoadLibraryW(path);
}
FARPROC lookUp(HMODULE library, const char* name) {
    return gLoader.lookUp != nullptr ? gLoader.lookUp(library, name) : GetProcAddress(library, name);
}

size_t moduleIndex(SuiteModule module) {
    return static_cast<size_t>(module);
}
const ModuleFiles& filesOf(SuiteModule module) {
    return kModuleFiles[moduleIndex(module)];
}
const SuiteModuleRow& rowOf(SuiteModule module) {
    return kSuiteModules[moduleIndex(module)];
}

// Loads the library unless a handle is cached (a failed load is tried again next time), looks its entry point up
// unless one is cached (a library without it is not loaded again, only looked in), and calls it.
bool callLibraryEntry(SuiteModule module, LibraryKind kind, HINSTANCE instance, HWND owner) {
    const ModuleFiles& files = filesOf(module);
    LibraryCache& cache = gCaches[moduleIndex(module)][static_cast<size_t>(kind)];
    if (cache.library == nullptr) {
        const std::wstring path =
            moduleFilePath(liveSettings().*rowOf(module).folder,
                           kind == LibraryKind::Options ? files.optionsLibrary : files.processingLibrary);
        if (path.empty())
            return false; // not installed: nothing is loaded
        cache.library = loadLibrary(path.c_str());
    }
    if (cache.library != nullptr && cache.entry == nullptr)
        cache.entry = reinterpret_cast<ModuleEntry>(reinterpret_cast<void*>(lookUp(cache.library, files.entryPoint)));
    if (cache.entry == nullptr)
        return false;
    cache.entry(instance, owner);
    return true;
}

bool startModuleProgram(SuiteModule module, HWND owner) {
    const std::wstring path = moduleFilePath(liveSettings().*rowOf(module).folder, filesOf(module).program);
    if (path.empty())
        return false; // not installed: nothing is run
    if (shellOpen(owner, path, moduleProgramParameters(owner)) <= 32)
        return false;
    // The program runs on its own; its changes are read when the main window is active again.
    mainWindowState().reloadOnActivate = true;
    return true;
}

// What the six launchers share: the option window, through the module's program before kOptionsLibraryVersion and
// its options library from it on; File Processing through the processing library, or the note for older versions.
bool showOptions(SuiteModule module, HINSTANCE instance, HWND owner) {
    if (liveSettings().*rowOf(module).version < kOptionsLibraryVersion)
        return startModuleProgram(module, owner);
    return callLibraryEntry(module, LibraryKind::Options, instance, owner);
}

bool runFileProcessing(SuiteModule module, HINSTANCE instance, HWND owner) {
    if (liveSettings().*rowOf(module).version >= kProcessingLibraryVersion)
        return callLibraryEntry(module, LibraryKind::Processing, instance, owner);
    showMessageBox(owner, L"Please install the latest version of Veltrim Sorvanta.", kProgramTitle, MB_ICONINFORMATION);
    return true;
}
} // namespace

std::wstring moduleProgramParameters(HWND owner) {
    const int32_t low = static_cast<int32_t>(static_cast<uint32_t>(reinterpret_cast<uintptr_t>(owner)));
    return L"-wnd:" + std::to_wstring(low);
}

std::wstring moduleFilePath(const std::wstring& folder, const wchar_t* fileName) {
    if (folder.empty())
        return std::wstring();
    // The folder as the settings hold it ends in a backslash; one is added when a hand-edited value lacks it, so
    // that the name never runs into the folder's last part.
    const wchar_t last = folder.back();
    return last == L'\\' || last == L'/' ? folder + fileName : folder + L'\\' + fileName;
}

bool showPalvexOptions(HINSTANCE instance, HWND owner) {
    return showOptions(SuiteModule::Palvex, instance, owner);
}
bool showDornakOptions(HINSTANCE instance, HWND owner) {
    return showOptions(SuiteModule::Dornak, instance, owner);
}
bool showSembrikOptions(HINSTANCE instance, HWND owner) {
    return showOptions(SuiteModule::Sembrik, instance, owner);
}
bool runPalvexFileProcessing(HINSTANCE instance, HWND owner) {
    return runFileProcessing(SuiteModule::Palvex, instance, owner);
}
bool runDornakFileProcessing(HINSTANCE instance, HWND owner) {
    return runFileProcessing(SuiteModule::Dornak, instance, owner);
}
bool runSembrikFileProcessing(HINSTANCE instance, HWND owner) {
    return runFileProcessing(SuiteModule::Sembrik, instance, owner);
}

const ModuleLauncherRow& moduleLaunchers(SuiteModule module) {
    return kModuleLaunchers[moduleIndex(module)];
}

void setModuleLoader(const ModuleLoader& loader) {
    gLoader = loader;
}

void forgetModuleLibraries() {
    for (auto& module : gCaches)
        for (LibraryCache& cache : module)
            cache = LibraryCache();
}
