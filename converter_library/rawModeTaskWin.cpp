// The Raw Mode task's top and its replaceable body; see rawModeTask.h.
#include "rawModeTask.h"

#include "rawModeWorker.h"
#include "rtf/statusLine.h"

#include <atomic>
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
    try {
        return body != nullptr ? body() : runRawModeConversion();
    } catch (const std::bad_alloc&) {
        // A body that throws has not reached its own final clearing of the status line.
        showStatusLine(L"");
        return kRawModeOutOfMemory;
    } catch (...) {
        showStatusLine(L"");
        return kRawModeTaskException;
    }
}
