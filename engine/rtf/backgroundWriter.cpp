// The background writer: one thread, one buffer in flight.
#include "rtf/backgroundWriter.h"

#include <system_error>

void BackgroundWriter::submit(NativeFile& file, const char* data, size_t size) {
    if (!thread_.joinable()) {
        // The one place a thread is made. A system that cannot make one throws; the job then writes on its own
        // thread, as it would without this writer.
        try {
            stopping_ = false;
            thread_ = std::thread(&BackgroundWriter::run, this);
        } catch (const std::system_error&) {
            const bool written = file.writeAll(data, size);
            std::lock_guard<std::mutex> guard(lock_);
            failed_ = failed_ || !written;
            return;
        }
    }
    std::unique_lock<std::mutex> guard(lock_);
    changed_.wait(guard, [this] { return !busy_; });
    file_ = &file;
    data_ = data;
    size_ = size;
    busy_ = true;
    changed_.notify_all();
}

bool BackgroundWriter::wait() {
    std::unique_lock<std::mutex> guard(lock_);
    changed_.wait(guard, [this] { return !busy_; });
    return !failed_;
}

void BackgroundWriter::stop() {
    if (thread_.joinable()) {
        {
            std::unique_lock<std::mutex> guard(lock_);
            changed_.wait(guard, [this] { return !busy_; });
            stopping_ = true;
            changed_.notify_all();
        }
        thread_.join();
    }
    std::lock_guard<std::mutex> guard(lock_);
    failed_ = false;
    busy_ = false;
    file_ = nullptr;
}

void BackgroundWriter::run() {
    try {
        writeHandedOver();
    } catch (...) { // the thread's one catch-all: a failure of the lock itself ends the writing as a failed write
        failed_ = true;
    }
}

void BackgroundWriter::writeHandedOver() {
    std::unique_lock<std::mutex> guard(lock_);
    for (;;) {
        changed_.wait(guard, [this] { return busy_ || stopping_; });
        if (busy_) {
            NativeFile* file = file_;
            const char* data = data_;
            const size_t size = size_;
            guard.unlock();
            const bool written = file->writeAll(data, size); // never throws: a system call and a status
            guard.lock();
            failed_ = failed_ || !written;
            busy_ = false;
            changed_.notify_all();
            continue;
        }
        return; // stopping, and nothing left to write
    }
}
