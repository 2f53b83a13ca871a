// The Raw Mode task's top and its replaceable body; see rawModeTask.h.
#include "rawModeTask.h"

#include "moduleHandles.h"
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
        // The conversion's dialogs and boxes belong to the module window, as the per-file job's do.
        return body != nullptr ? body() : runRawModeConversion(moduleWindow());
    } catch (const std::bad_alloc&) {
        // A body that throws has not reached its own final clearing of the status line.
        showStatusLine(L"");
        return kRawModeOutOfMemory;
    } catch (...) {
        showStatusLine(L"");
        return kRawModeTaskException;
    }
}
