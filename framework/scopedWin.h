// Scope records for Windows resources: each closes or releases what it owns exactly once.
// This is the only place that calls CloseHandle (and, as they come, RegCloseKey, DeleteObject and Release);
// everything else hands its resources to one of these records. Copying is deleted; moving transfers ownership.
#pragma once

#include <windows.h>

// A kernel handle (file, event, mutex, process ...). Both null and INVALID_HANDLE_VALUE mean "none".
class ScopedHandle {
public:
    ScopedHandle() = default;
    explicit ScopedHandle(HANDLE handle) : handle_(handle) {}
    ~ScopedHandle() { close(); }
    ScopedHandle(const ScopedHandle&) = delete;
    ScopedHandle& operator=(const ScopedHandle&) = delete;
    ScopedHandle(ScopedHandle&& other) noexcept : handle_(other.release()) {}
    ScopedHandle& operator=(ScopedHandle&& other) noexcept {
        if (this != &other) {
            close();
            handle_ = other.release();
        }
        return *this;
    }

    HANDLE get() const { return handle_; }
    bool isValid() const { return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE; }
    // Gives up ownership without closing.
    HANDLE release() {
        HANDLE handle = handle_;
        handle_ = nullptr;
        return handle;
    }
    // Closes the handle now; false when the system reported a failure.
    bool close() {
        if (!isValid()) {
            handle_ = nullptr;
            return true;
        }
        BOOL ok = CloseHandle(handle_);
        handle_ = nullptr;
        return ok != FALSE;
    }

private:
    HANDLE handle_ = nullptr;
};
