#pragma once
// The sizes and offsets of an archive, computed in one place for the engine and
// for callers that must know before a build whether it can be made.
#include <cstddef>
#include <cstdint>

constexpr uint32_t kMaxEntries = 65535;
constexpr uint32_t kDefaultAlignment = 2048;
constexpr uint32_t kAttrRecordSize = 48;
// The reader handles positions as signed 32-bit values: an archive must end below this.
constexpr uint64_t kArchiveLimit = 0x80000000ull;

// x raised to the next multiple of the alignment (x itself for alignment 0). The
// alignment is a signed quantity; zero and anything below it mean no alignment.
uint32_t alignUp(uint32_t x, uint32_t alignment);
// The same over 64 bits, for sizes that may pass the limit.
uint64_t alignUp64(uint64_t x, uint32_t alignment);

// Bytes of magic, count, table of contents and locator for `entryCount` entries.
uint32_t headerRegionSize(uint32_t entryCount);
// Where the first member's data starts.
uint32_t dataStart(uint32_t entryCount, uint32_t alignment);

// Where the next member starts after one of `size` bytes placed at `start`.
uint64_t memberEnd(uint64_t start, uint64_t size, uint32_t alignment);

// Where an archive ends when its data (members placed up to `dataEnd`, already
// aligned) is followed by the attribute table of `entryCount` records.
uint64_t archiveEnd(uint64_t dataEnd, uint32_t entryCount, uint32_t alignment);

// The whole length of an archive of members with these sizes in build order.
uint64_t archiveLength(const uint64_t* sizes, std::size_t count, uint32_t entryCount, uint32_t alignment);

// True when an archive of that length keeps every offset and size in range.
inline bool archiveFits(uint64_t length) {
    return length < kArchiveLimit;
}
