// Writes buffers to a file on a thread of its own, one buffer at a time, so that a conversion job goes on filling its
// next buffer while the system copies the last one into the file. Order is kept: a buffer is handed over only once
// the one before it is written. Where no thread can be started, every buffer is written at once on the caller's
// thread. Used by the conversion job's thread only (the writer thread touches only its own record, under its lock).
#pragma once

#include "platform/fileIo.h"

#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <thread>

// How one buffer goes into the file: all `size` bytes, or false. The writer's own is NativeFile::writeAll; tests put
// in one that fails or throws, since a failure may come on the writer's thread either way.
using BufferWrite = bool (*)(NativeFile& file, const char* data, size_t size);
bool writeWholeBuffer(NativeFile& file, const char* data, size_t size);

class BackgroundWriter {
public:
    explicit BackgroundWriter(BufferWrite write = writeWholeBuffer) : write_(write) {}
    ~BackgroundWriter() { stop(); }
    BackgroundWriter(const BackgroundWriter&) = delete;
    BackgroundWriter& operator=(const BackgroundWriter&) = delete;

    // Hands over `size` bytes for writing to `file`, after the bytes handed over before them are written. They must
    // stay untouched, and the file open, until the next submit, wait or stop returns. After a write that threw, the
    // thread is gone and later buffers are not written (wait() reports the failure).
    void submit(NativeFile& file, const char* data, size_t size);
    // Waits until every byte handed over is written or refused. False when any write failed or threw since the last
    // stop.
    bool wait();
    // Waits as wait() does and ends the thread; the failure state starts afresh.
    void stop();
    // The write to use from now on (null: the writer's own). Only between a stop and the next submit, while no thread
    // runs.
    void setWrite(BufferWrite write) { write_ = write != nullptr ? write : writeWholeBuffer; }

private:
    void run();
    void writeHandedOver();

    std::mutex lock_;                 // guards the fields below, which both threads touch
    std::condition_variable changed_; // a buffer was handed over, written, or the thread is to end
    NativeFile* file_ = nullptr;
    const char* data_ = nullptr;
    size_t size_ = 0;
    bool busy_ = false;     // a buffer is handed over and not yet written
    bool stopping_ = false; // the thread is to end
    bool failed_ = false;   // a write failed or threw
    bool ended_ = false;    // the thread ended after a write that threw: nothing more is written until the stop
    BufferWrite write_;     // set before the thread starts; read by it
    std::thread thread_;    // started by the first submit; the job's thread starts and joins it
};
