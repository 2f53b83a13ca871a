// The Raw Mode task's top and its replaceable body; see rawModeTask.h.
#include "rawModeTask.h"

#include "rawModeWorker.h"
#include "rtf/statusLine.h"

#include <atomic>
#include <filesystem>
#include <new>

namespace {
// Written by whoever sets up a conversion (tests, before they start one); read by the worker thread.
std::atomic<RawModeTaskBody> gRawModeTaskBody{nullptr};
} // namespace

void setRawModeTaskBody(RawModeTaskBody body) {
    gRawModeTaskBody.store(body);
}

int32_t runRawModeTask() noexcept {
    const RawModeTaskBody body = gRawModeTaskBody.load();
    int32_t failure = kRawModeTaskException;
    try {
        return body != nullptr ? body() : runRawModeConversion();
    } catch (const std::bad_alloc&) {
        failure = kRawModeOutOfMemory;
    } catch (const std::filesystem::filesystem_error&) {
        failure = int32_t(RawModeResult::FileSystemError);
    } catch (...) {
        failure = kRawModeTaskException;
    }
    // A body that throws has not reached its own final clearing of the status line. Its resources went on the way
    // out; a hook that throws again here is the end of the task all the same.
    try {
        showStatusLine(L"");
    } catch (...) {
    }
    return failure;
}
