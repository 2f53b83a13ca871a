// The Word process behind one saveAsWithWord call, and the watch that ends it when a call to it does not return.
// COM starts Word for us and tells us nothing of its process, so the process is found by its program: Word serves
// each CoCreateInstance from a process of its own, and the process of the class's registered LocalServer32 program
// that appears across that call is this call's instance. Windows only; used by wordAutomationWin.cpp.
#pragma once

#include "scopedWin.h"

#include <atomic>
#include <cstdint>
#include <vector>

struct WordInstance {
    ScopedHandle process;           // opened to be ended; invalid when the instance could not be told apart
    std::atomic<bool> ended{false}; // set by the watch (a timer-queue thread) once it ended the process
};

// The ids of the running processes of the program registered as classId's local server; empty when there is none
// or the class has no readable registration.
std::vector<DWORD> serverProcessIds(const CLSID& classId);

// After CoCreateInstance: opens the one process of the registered program whose id is not in `before`. When none
// or more than one appeared (the user started Word at the same moment), none is taken: a process that is not
// surely ours is never ended.
void findStartedInstance(WordInstance& instance, const CLSID& classId, const std::vector<DWORD>& before);

// Arms the watch for one call to the instance: unless `timer` is reset within limitMs, the instance's process is
// ended, and the call then returns with an RPC failure. False (nothing armed) when the instance is unknown.
bool armCallWatch(ScopedTimerQueueTimer& timer, WordInstance& instance, uint32_t limitMs);
