#pragma once
#include <cstddef>

namespace platform {

// Asks for large pages behind [p, p + n). Big tables that are filled at start-up then
// cost a handful of page faults instead of thousands; a refusal changes nothing else.
void adviseLargePages(void* p, std::size_t n);

// Hands the heap's free memory back to the system, so memory a phase of work is
// done with does not stay counted against the process while the next one runs.
void returnFreedMemory();

// Zero-filled memory of its own mapping, on large pages where the system has them
// and `largePages` asks for them. Small pages suit memory of which only a little
// may be touched: a large page is filled and counted whole at its first write.
class LargeBuffer {
  public:
    explicit LargeBuffer(std::size_t size, bool largePages = true);
    ~LargeBuffer();
    LargeBuffer(const LargeBuffer&) = delete;
    LargeBuffer& operator=(const LargeBuffer&) = delete;
    void* get() const { return data_; } // null when the memory could not be had

  private:
    void* base_ = nullptr;
    void* data_ = nullptr;
    std::size_t size_ = 0;
};

} // namespace platform
