#include "platform/memory.h"

#include <cstdint>
#include <malloc.h>
#include <sys/mman.h>

namespace platform {

namespace {
constexpr std::uintptr_t kLarge = 2u << 20;
}

void adviseLargePages(void* p, std::size_t n) {
    std::uintptr_t begin = (reinterpret_cast<std::uintptr_t>(p) + kLarge - 1) & ~(kLarge - 1);
    std::uintptr_t end = (reinterpret_cast<std::uintptr_t>(p) + n) & ~(kLarge - 1);
    if (end > begin) ::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
}

void returnFreedMemory() {
    ::malloc_trim(0);
}

LargeBuffer::LargeBuffer(std::size_t size, bool largePages) {
    // Room to start on a large-page boundary and to end on one.
    std::size_t mapped = (size + kLarge - 1) / kLarge * kLarge + kLarge;
    void* p = ::mmap(nullptr, mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED) return;
    if (largePages) adviseLargePages(p, mapped);
    std::uintptr_t aligned = (reinterpret_cast<std::uintptr_t>(p) + kLarge - 1) & ~(kLarge - 1);
    data_ = reinterpret_cast<void*>(aligned);
    base_ = p;
    size_ = mapped;
}

LargeBuffer::~LargeBuffer() {
    if (base_) ::munmap(base_, size_);
}

} // namespace platform
