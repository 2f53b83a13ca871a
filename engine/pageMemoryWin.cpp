// Page buffers of the Windows build: committed virtual memory.
#include "pageMemory.h"

#include <windows.h>

bool PageBuffer::allocate(size_t size) {
    release();
    if (size == 0)
        return true;
    void* memory = VirtualAlloc(nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    if (memory == nullptr)
        return false;
    data_ = static_cast<char*>(memory);
    capacity_ = size;
    return true;
}

void PageBuffer::release() {
    if (data_ != nullptr)
        VirtualFree(data_, 0, MEM_RELEASE);
    data_ = nullptr;
    capacity_ = 0;
}
