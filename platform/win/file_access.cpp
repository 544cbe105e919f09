#include "platform/file_access.h"

#include <cerrno>
#include <cstring>
#include <io.h>
#include <windows.h>

namespace platform {

namespace {

constexpr int64_t kEpochTicks = 116444736000000000LL;
constexpr int64_t kTicksPerSecond = 10000000LL;

// The messages name the reason as the C library would, like everywhere else.
std::string reasonOf(DWORD error) {
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_NETPATH:
        return std::strerror(ENOENT);
    case ERROR_ACCESS_DENIED:
        return std::strerror(EACCES);
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
        return "in use by another program";
    default:
        return "system error " + std::to_string(error);
    }
}

bool factsOf(HANDLE h, FileFacts* out) {
    BY_HANDLE_FILE_INFORMATION info;
    if (!::GetFileInformationByHandle(h, &info)) return false;
    DWORD type = ::GetFileType(h);
    out->kind = (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? FileFacts::Kind::Folder
                : type == FILE_TYPE_DISK                           ? FileFacts::Kind::Regular
                                                                   : FileFacts::Kind::Other;
    out->size = static_cast<uint64_t>(info.nFileSizeHigh) << 32 | info.nFileSizeLow;
    out->device = info.dwVolumeSerialNumber;
    out->id = static_cast<uint64_t>(info.nFileIndexHigh) << 32 | info.nFileIndexLow;
    return true;
}

} // namespace

std::FILE* openFile(const char* path, const char* mode) {
    // The program starts no other process, so inheritance needs no guard here.
    return std::fopen(path, mode);
}

std::FILE* openRegularFile(const char* path, FileStatus* status) {
    std::FILE* f = std::fopen(path, "rb");
    if (!f) return nullptr;
    // A pipe or a device opens too, but is no member.
    HANDLE h = reinterpret_cast<HANDLE>(::_get_osfhandle(::_fileno(f)));
    if (::GetFileType(h) != FILE_TYPE_DISK || !openFileStatus(f, status)) {
        std::fclose(f);
        errno = EINVAL;
        return nullptr;
    }
    return f;
}

bool openFileStatus(std::FILE* f, FileStatus* out) {
    HANDLE h = reinterpret_cast<HANDLE>(::_get_osfhandle(::_fileno(f)));
    BY_HANDLE_FILE_INFORMATION info;
    if (h == INVALID_HANDLE_VALUE || !::GetFileInformationByHandle(h, &info) ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return false;
    out->size = static_cast<uint64_t>(info.nFileSizeHigh) << 32 | info.nFileSizeLow;
    int64_t ticks = static_cast<int64_t>(static_cast<uint64_t>(info.ftLastWriteTime.dwHighDateTime) << 32 |
                                         info.ftLastWriteTime.dwLowDateTime) -
                    kEpochTicks;
    out->lastWrite =
        ticks >= 0 ? ticks / kTicksPerSecond : -((-ticks + kTicksPerSecond - 1) / kTicksPerSecond);
    return true;
}

std::size_t systemCopy(std::FILE*, std::FILE*, std::size_t) {
    return 0;
}

bool isTerminal(std::FILE* f) {
    return ::_isatty(::_fileno(f)) != 0;
}

FileLookup::~FileLookup() = default;

bool FileLookup::find(const std::string& path, FileFacts* out, std::string* error) {
    const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    // Backup semantics let a folder open too, so it can be told apart from a file.
    HANDLE h = ::CreateFileA(path.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING,
                             FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    DWORD readError = h == INVALID_HANDLE_VALUE ? ::GetLastError() : 0;
    if (h == INVALID_HANDLE_VALUE)
        h = ::CreateFileA(path.c_str(), 0, share, nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS,
                          nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        *error = reasonOf(readError ? readError : ::GetLastError());
        return false;
    }
    bool ok = factsOf(h, out);
    DWORD infoError = ok ? 0 : ::GetLastError();
    ::CloseHandle(h);
    if (!ok) {
        *error = reasonOf(infoError);
        return false;
    }
    out->readable = readError == 0;
    out->whyUnreadable = out->readable ? std::string() : reasonOf(readError);
    return true;
}

} // namespace platform
