#include "platform/memory.h"

#include <malloc.h>
#include <windows.h>

namespace platform {

// Large pages need a privilege ordinary users lack; the tables are small enough without.
void adviseLargePages(void*, std::size_t) {}

void returnFreedMemory() {
    ::_heapmin();
}

LargeBuffer::LargeBuffer(std::size_t size, bool) {
    void* p = ::VirtualAlloc(nullptr, size, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
    if (!p) return;
    base_ = p;
    data_ = p;
    size_ = size;
}

LargeBuffer::~LargeBuffer() {
    if (base_) ::VirtualFree(base_, 0, MEM_RELEASE);
}

} // namespace platform
