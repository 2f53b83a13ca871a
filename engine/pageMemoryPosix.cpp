// Page buffers of the native build: anonymous mappings, with huge pages asked for where the kernel offers them.
#include "pageMemory.h"

#include <sys/mman.h>

bool PageBuffer::allocate(size_t size) {
    release();
    if (size == 0)
        return true;
    void* memory = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (memory == MAP_FAILED)
        return false;
#ifdef MADV_HUGEPAGE
    ::madvise(memory, size, MADV_HUGEPAGE); // only advice: ordinary pages work as well, just slower to fault in
#endif
    data_ = static_cast<char*>(memory);
    capacity_ = size;
    return true;
}

void PageBuffer::release() {
    if (data_ != nullptr)
        ::munmap(data_, capacity_);
    data_ = nullptr;
    capacity_ = 0;
}
