// The background writer: one thread, one buffer in flight.
#include "rtf/backgroundWriter.h"

#include <system_error>

bool writeWholeBuffer(NativeFile& file, const char* data, size_t size) {
    return file.writeAll(data, size);
}

void BackgroundWriter::submit(NativeFile& file, const char* data, size_t size) {
    if (!thread_.joinable()) {
        // The one place a thread is made. A system that cannot make one throws; the job then writes on its own
        // thread, as it would without this writer.
        try {
            stopping_ = false;
            thread_ = std::thread(&BackgroundWriter::run, this);
        } catch (const std::system_error&) {
            const bool written = write_(file, data, size);
            std::lock_guard<std::mutex> guard(lock_);
            failed_ = failed_ || !written;
            return;
        }
    }
    std::unique_lock<std::mutex> guard(lock_);
    changed_.wait(guard, [this] { return !busy_; });
    if (ended_)
        return; // the document is incomplete already; the failure is on record for wait()
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
    ended_ = false;
    file_ = nullptr;
}

void BackgroundWriter::run() {
    try {
        writeHandedOver();
    } catch (...) {
        // The thread's one catch-all: a write that threw ends the writing as a failed write. Recorded under the lock,
        // with the buffer in hand counted as done, so that a waiting submit or wait wakes and the close reports it;
        // the unwinding has left the lock free.
        std::lock_guard<std::mutex> guard(lock_);
        failed_ = true;
        busy_ = false;
        ended_ = true;
        changed_.notify_all();
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
            const bool written = write_(*file, data, size);
            guard.lock();
            failed_ = failed_ || !written;
            busy_ = false;
            changed_.notify_all();
            continue;
        }
        return; // stopping, and nothing left to write
    }
}
