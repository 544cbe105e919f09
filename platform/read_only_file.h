#pragma once
// A regular file opened for reading at chosen offsets. Opening never waits:
// pipes, devices, sockets and folders are refused before anything is read.
#include <cstddef>
#include <cstdint>
#include <string>

namespace platform {

class ReadOnlyFile {
  public:
    ReadOnlyFile() = default;
    ~ReadOnlyFile();
    ReadOnlyFile(const ReadOnlyFile&) = delete;
    ReadOnlyFile& operator=(const ReadOnlyFile&) = delete;

    // False with `error` naming the reason ("No such file or directory", "is a FIFO", ...).
    bool open(const std::string& path, std::string* error);
    uint64_t size() const { return size_; }
    // Exactly `n` bytes from `offset`; false on a short read, which a file that
    // shrank under us gives.
    bool readAt(uint64_t offset, void* buffer, std::size_t n) const;

  private:
    int fd_ = -1;
    uint64_t size_ = 0;
};

} // namespace platform
