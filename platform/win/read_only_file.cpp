#include "platform/read_only_file.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>

namespace platform {

ReadOnlyFile::~ReadOnlyFile() {
    if (fd_ >= 0) ::_close(fd_);
}

bool ReadOnlyFile::open(const std::string& path, std::string* error) {
    DWORD attributes = ::GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        *error = std::strerror(ENOENT);
        return false;
    }
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
        *error = "is a folder";
        return false;
    }
    int fd = ::_open(path.c_str(), _O_RDONLY | _O_BINARY | _O_NOINHERIT);
    if (fd < 0) {
        *error = std::strerror(errno);
        return false;
    }
    HANDLE h = reinterpret_cast<HANDLE>(::_get_osfhandle(fd));
    LARGE_INTEGER size;
    if (::GetFileType(h) != FILE_TYPE_DISK || !::GetFileSizeEx(h, &size)) {
        ::_close(fd);
        *error = "not a regular file";
        return false;
    }
    if (fd_ >= 0) ::_close(fd_);
    fd_ = fd;
    size_ = static_cast<uint64_t>(size.QuadPart);
    return true;
}

bool ReadOnlyFile::readAt(uint64_t offset, void* buffer, std::size_t n) const {
    // Positioned reads through the handle leave no shared file position behind.
    HANDLE h = reinterpret_cast<HANDLE>(::_get_osfhandle(fd_));
    char* p = static_cast<char*>(buffer);
    while (n > 0) {
        OVERLAPPED at{};
        at.Offset = static_cast<DWORD>(offset);
        at.OffsetHigh = static_cast<DWORD>(offset >> 32);
        DWORD want = n > (1u << 30) ? (1u << 30) : static_cast<DWORD>(n), got = 0;
        if (!::ReadFile(h, p, want, &got, &at) || got == 0) return false;
        p += got;
        offset += got;
        n -= got;
    }
    return true;
}

} // namespace platform
