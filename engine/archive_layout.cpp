#include "engine/archive_layout.h"

uint64_t alignUp64(uint64_t x, uint32_t alignment) {
    int32_t a = static_cast<int32_t>(alignment);
    if (a <= 0) return x;
    uint64_t ua = static_cast<uint64_t>(a);
    return (x + ua - 1) / ua * ua;
}

uint32_t alignUp(uint32_t x, uint32_t alignment) {
    return static_cast<uint32_t>(alignUp64(x, alignment));
}

uint32_t headerRegionSize(uint32_t entryCount) {
    return 16 + 8 * entryCount;
}

uint32_t dataStart(uint32_t entryCount, uint32_t alignment) {
    return alignUp(headerRegionSize(entryCount), alignment);
}

uint64_t memberEnd(uint64_t start, uint64_t size, uint32_t alignment) {
    return alignUp64(start + size, alignment);
}

uint64_t archiveEnd(uint64_t dataEnd, uint32_t entryCount, uint32_t alignment) {
    return alignUp64(dataEnd + uint64_t{kAttrRecordSize} * entryCount, alignment);
}

uint64_t archiveLength(const uint64_t* sizes, std::size_t count, uint32_t entryCount, uint32_t alignment) {
    uint64_t pos = dataStart(entryCount, alignment);
    for (std::size_t i = 0; i < count; ++i)
        pos = memberEnd(pos, sizes[i], alignment);
    return archiveEnd(pos, entryCount, alignment);
}
