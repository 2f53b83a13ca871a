// The Raw Mode task as the module window starts it: the body that converts one Word document on a worker thread
// (runRawModeConversion of rawModeWorker.h, owned by the module window), reached through one replaceable function
// pointer so that tests can run a task of their own, and the task's top, which turns any exception of the body into a
// failure code.
#pragma once

#include <cstdint>

// The body of a conversion task: returns its RawModeResult (0 done, 1 cancelled, above 1 a failure code).
using RawModeTaskBody = int32_t (*)();

// Results the task's top gives when the body ends with an exception instead of a result (besides 10, a file-system
// error, for an exception of the file-system library; see RawModeResult).
constexpr int32_t kRawModeOutOfMemory = 11;   // std::bad_alloc
constexpr int32_t kRawModeTaskException = 12; // any other exception (a system error, a library error)

// Replaces the body that runRawModeTask runs; null restores the conversion. Set before a task starts (the
// pointer itself is atomic).
void setRawModeTaskBody(RawModeTaskBody body);

// The task: the body's result, or one of the codes above when it throws. Runs on the worker thread; never throws.
int32_t runRawModeTask() noexcept;
