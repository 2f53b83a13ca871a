// Large byte buffers taken straight from the operating system's page allocator, for whole documents in memory.
// Natively they ask for huge pages, since faulting in a document 4 KB at a time costs more than reading it; on
// Windows they come from VirtualAlloc. The memory starts zeroed. Not copyable; moving transfers ownership.
#pragma once

#include <cstddef>

class PageBuffer {
public:
    PageBuffer() = default;
    ~PageBuffer() { release(); }
    PageBuffer(const PageBuffer&) = delete;
    PageBuffer& operator=(const PageBuffer&) = delete;
    PageBuffer(PageBuffer&& other) noexcept : data_(other.data_), capacity_(other.capacity_) {
        other.data_ = nullptr;
        other.capacity_ = 0;
    }
    PageBuffer& operator=(PageBuffer&& other) noexcept {
        if (this != &other) {
            release();
            data_ = other.data_;
            capacity_ = other.capacity_;
            other.data_ = nullptr;
            other.capacity_ = 0;
        }
        return *this;
    }

    // Replaces the buffer with a zeroed one of `size` bytes; false (and an empty buffer) when there is no memory.
    bool allocate(size_t size);
    void release();
    char* data() const { return data_; }
    size_t capacity() const { return capacity_; }

private:
    char* data_ = nullptr;
    size_t capacity_ = 0;
};
