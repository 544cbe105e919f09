#include "platform/member_files.h"

#include <cerrno>
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
MemberHandle openSeenMemberFile(const char* path) {
    FileStatus ignored;
    return openMemberFile(path, &ignored);
}

MemberHandle openMemberFile(const char* path, FileStatus* status) {
    // Others may go on reading and writing a member while it is packed, as with the C
    // library's own open; only the list of files asks for the file to itself.
    HANDLE h = ::CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        DWORD error = ::GetLastError();
        DWORD attributes = ::GetFileAttributesA(path);
        bool folder = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
        errno = folder ? EISDIR : errnoOf(error);
        return kNoMember;
    }
    const MemberHandle member = reinterpret_cast<MemberHandle>(h);
    if (!memberFileStatus(member, status)) {
        ::CloseHandle(h);
        errno = EINVAL;
        return kNoMember;
    }
    return member;
}

// A pipe or a device opens too, but is no member.
bool memberFileStatus(MemberHandle member, FileStatus* status) {
    HANDLE h = reinterpret_cast<HANDLE>(member);
    if (::GetFileType(h) != FILE_TYPE_DISK || !statusOf(h, status)) {
        errno = EINVAL;
        return false;
    }
    return true;
}

long long readMemberFile(MemberHandle member, void* buffer, std::size_t size) {
    // One call reads at most what a DWORD counts; the caller reads again for the rest.
    const DWORD want = size > 0x40000000u ? 0x40000000u : static_cast<DWORD>(size);
    DWORD got = 0;
    if (!::ReadFile(reinterpret_cast<HANDLE>(member), buffer, want, &got, nullptr)) {
        errno = EIO;
        return -1;
    }
    return got;
}

long long readMemberHead(MemberHandle member, void* buffer, std::size_t size) {
    HANDLE h = reinterpret_cast<HANDLE>(member);
    LARGE_INTEGER zero{}, at{};
    if (!::SetFilePointerEx(h, zero, &at, FILE_CURRENT)) {
        errno = ESPIPE;
        return -1;
    }
    const DWORD want = size > 0x40000000u ? 0x40000000u : static_cast<DWORD>(size);
    OVERLAPPED start{}; // offset 0
    DWORD got = 0;
    const bool read = ::ReadFile(h, buffer, want, &got, &start) != 0;
    const DWORD error = read ? ERROR_SUCCESS : ::GetLastError();
    ::SetFilePointerEx(h, at, nullptr, FILE_BEGIN);
    if (read || error == ERROR_HANDLE_EOF) return read ? got : 0;
    errno = EIO;
    return -1;
}

int closeMemberFile(MemberHandle member) {
    if (::CloseHandle(reinterpret_cast<HANDLE>(member))) return 0;
    errno = EIO;
    return EOF;
}

std::FILE* createOutputFile(const char* path) {
    return std::fopen(path, "wb");
}

std::size_t copyInKernel(MemberHandle, std::FILE*, std::size_t) {
    return 0;
}

} // namespace platform
