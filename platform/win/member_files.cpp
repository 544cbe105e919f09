#include "platform/member_files.h"

#include <cerrno>
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include "platform/win/epoch_seconds.h"

namespace platform {

namespace {

// errno as the C library's own open would set it, so the engine's messages read the same.
int errnoOf(DWORD error) {
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_PATHNAME:
        return ENOENT;
    case ERROR_TOO_MANY_OPEN_FILES:
        return EMFILE;
    case ERROR_FILENAME_EXCED_RANGE:
        return ENAMETOOLONG;
    default:
        return EACCES;
    }
}

bool statusOf(HANDLE h, FileStatus* out) {
    BY_HANDLE_FILE_INFORMATION info;
    if (h == INVALID_HANDLE_VALUE || !::GetFileInformationByHandle(h, &info) ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return false;
    out->size = static_cast<uint64_t>(info.nFileSizeHigh) << 32 | info.nFileSizeLow;
    out->lastWrite = epochSecondsOf(info.ftLastWriteTime);
    return true;
}

} // namespace

// Nothing is worth keeping between members here: every open names the whole path.
void openMemberFileCache(MemberFileCache* cache) {
    if (!cache) return;
    cache->handle[0] = cache->handle[1] = cache->handle[2] = -1;
    cache->folderPath[0] = '\0';
}

void closeMemberFileCache(MemberFileCache*) {}

// The plain open asks nothing the system does not hand over with the handle anyway.
std::FILE* openCheckedMemberFile(const char* path) {
    FileStatus ignored;
    return openMemberFile(path, &ignored);
}

std::FILE* openMemberFile(const char* path, FileStatus* status) {
    // Others may go on reading and writing a member while it is packed, as with the C
    // library's own open; only the list of files asks for the file to itself.
    HANDLE h = ::CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        DWORD error = ::GetLastError();
        DWORD attributes = ::GetFileAttributesA(path);
        bool folder = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
        errno = folder ? EISDIR : errnoOf(error);
        return nullptr;
    }
    // A pipe or a device opens too, but is no member.
    if (::GetFileType(h) != FILE_TYPE_DISK || !statusOf(h, status)) {
        ::CloseHandle(h);
        errno = EINVAL;
        return nullptr;
    }
    int fd = ::_open_osfhandle(reinterpret_cast<intptr_t>(h), _O_RDONLY | _O_BINARY);
    if (fd < 0) {
        ::CloseHandle(h);
        errno = EMFILE;
        return nullptr;
    }
    std::FILE* f = ::_fdopen(fd, "rb");
    if (!f) {
        ::_close(fd);
        return nullptr;
    }
    std::setvbuf(f, nullptr, _IONBF, 0);
    return f;
}

std::FILE* createOutputFile(const char* path) {
    return std::fopen(path, "wb");
}

bool openFileStatus(std::FILE* f, FileStatus* out) {
    return statusOf(reinterpret_cast<HANDLE>(::_get_osfhandle(::_fileno(f))), out);
}

std::size_t copyInKernel(std::FILE*, std::FILE*, std::size_t) {
    return 0;
}

} // namespace platform
