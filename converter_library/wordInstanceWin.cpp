// Finding the process of the Word instance that CoCreateInstance started, and ending it when a call hangs; see
// wordInstance.h. Runs on the conversion worker thread, except the watch's callback (a timer-queue thread).
#include "wordInstance.h"

#include "registryValues.h"
#include "serverCommandLine.h"

#include <tlhelp32.h>

#include <algorithm>
#include <iterator>
#include <string>

namespace {
// The exit code of an instance ended by the watch.
constexpr UINT kEndedExitCode = 1;

std::wstring fileNameOf(const std::wstring& path) {
    const size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

// The file name of classId's LocalServer32 program, long form (a registration may give the 8.3 short path), or empty.
// A 32-bit Word on 64-bit Windows may be registered in the 32-bit view only, so that view is read second.
std::wstring serverProgramName(const CLSID& classId) {
    wchar_t classText[40] = {};
    if (StringFromGUID2(classId, classText, int(std::size(classText))) <= 0)
        return {};
    const std::wstring keyPath = std::wstring(L"CLSID\\") + classText + L"\\LocalServer32";
    for (const REGSAM view : {REGSAM(0), REGSAM(KEY_WOW64_32KEY)}) {
        HKEY opened = nullptr;
        if (RegOpenKeyExW(HKEY_CLASSES_ROOT, keyPath.c_str(), 0, KEY_READ | view, &opened) != ERROR_SUCCESS)
            continue; // what a failed call leaves in `opened` is not a key
        ScopedRegKey key(opened);
        std::wstring commandLine;
        if (!readRegString(commandLine, key, nullptr, KeyClosePolicy::KeepOpen))
            continue;
        const std::wstring program = serverExecutablePath(commandLine);
        if (program.empty())
            continue;
        wchar_t longPath[MAX_PATH] = {};
        const DWORD length = GetLongPathNameW(program.c_str(), longPath, DWORD(std::size(longPath)));
        return fileNameOf(length > 0 && length < std::size(longPath) ? std::wstring(longPath, length) : program);
    }
    return {};
}

std::vector<DWORD> processIdsNamed(const std::wstring& name) {
    std::vector<DWORD> ids;
    if (name.empty())
        return ids;
    ScopedHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot.isValid())
        return ids;
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32FirstW(snapshot.get(), &entry); more; more = Process32NextW(snapshot.get(), &entry)) {
        const std::wstring exeName = fileNameOf(entry.szExeFile);
        if (CompareStringOrdinal(exeName.c_str(), int(exeName.size()), name.c_str(), int(name.size()), TRUE) ==
            CSTR_EQUAL)
            ids.push_back(entry.th32ProcessID);
    }
    return ids;
}

// The timer-queue callback: ends the hung instance. Nothing in it throws.
VOID CALLBACK endHungInstance(PVOID context, BOOLEAN /*timerFired*/) {
    WordInstance& instance = *static_cast<WordInstance*>(context);
    if (TerminateProcess(instance.process.get(), kEndedExitCode))
        instance.ended = true;
}
} // namespace

std::vector<DWORD> serverProcessIds(const CLSID& classId) {
    return processIdsNamed(serverProgramName(classId));
}

void findStartedInstance(WordInstance& instance, const CLSID& classId, const std::vector<DWORD>& before) {
    std::vector<DWORD> started = serverProcessIds(classId);
    started.erase(std::remove_if(started.begin(), started.end(),
                                 [&](DWORD id) { return std::find(before.begin(), before.end(), id) != before.end(); }),
                  started.end());
    if (started.size() != 1)
        return;
    // Held open for the whole call, so that the id cannot pass to another process before the watch uses it.
    instance.process = ScopedHandle(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, started[0]));
}

bool armCallWatch(ScopedTimerQueueTimer& timer, WordInstance& instance, uint32_t limitMs) {
    if (!instance.process.isValid())
        return false;
    return CreateTimerQueueTimer(timer.put(), nullptr, endHungInstance, &instance, limitMs, 0,
                                 WT_EXECUTEONLYONCE | WT_EXECUTEINTIMERTHREAD) != FALSE;
}
