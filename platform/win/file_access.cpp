#include "platform/file_access.h"

#include <algorithm>
#include <io.h>
#include <windows.h>

#include "platform/path.h"
#include "platform/win/epoch_seconds.h"
#include "platform/win/error_reason.h"

namespace platform {

namespace {

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
    out->lastWrite = epochSecondsOf(info.ftLastWriteTime);
    return true;
}

} // namespace

std::FILE* openFile(const char* path, const char* mode) {
    // The program starts no other process, so inheritance needs no guard here.
    return std::fopen(path, mode);
}

bool isTerminal(std::FILE* f) {
    return ::_isatty(::_fileno(f)) != 0;
}

PathKind pathKind(const std::string& path) {
    if (path.empty()) return PathKind::Missing;
    DWORD attributes = ::GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return PathKind::Missing;
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return PathKind::Folder;
    return attributes & FILE_ATTRIBUTE_DEVICE ? PathKind::Other : PathKind::RegularFile;
}

bool fileIsReadWrite(const std::string& path) {
    if (pathKind(path) != PathKind::RegularFile) return false;
    // What the user marked read-only stays so, whatever the account may do.
    if (::GetFileAttributesA(path.c_str()) & FILE_ATTRIBUTE_READONLY) return false;
    HANDLE h = ::CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                             nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    ::CloseHandle(h);
    return true;
}

bool folderIsWritable(const std::string& path) {
    if (pathKind(path) != PathKind::Folder) return false;
    // Folder rights are access lists; making a file there is the only reliable answer.
    std::string probe = path;
    if (!isPathSeparator(probe.back())) probe += kPathSeparator;
    probe += ".corvane-probe";
    HANDLE h = ::CreateFileA(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                             FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    ::CloseHandle(h);
    return true;
}

long readFileStart(const std::string& path, unsigned char* buffer, size_t size) {
    if (pathKind(path) != PathKind::RegularFile) return -1;
    HANDLE h = ::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                             OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return -1;
    long done = 0;
    while (static_cast<size_t>(done) < size) {
        DWORD got = 0;
        if (!::ReadFile(h, buffer + done, static_cast<DWORD>(size - static_cast<size_t>(done)), &got,
                        nullptr)) {
            done = -1;
            break;
        }
        if (got == 0) break;
        done += static_cast<long>(got);
    }
    ::CloseHandle(h);
    return done;
}

bool readRegularFile(const std::string& path, size_t limit, std::string* text, std::string* why) {
    HANDLE h = ::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                             OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        *why = reasonOf(::GetLastError());
        return false;
    }
    BY_HANDLE_FILE_INFORMATION info{};
    bool known = ::GetFileInformationByHandle(h, &info);
    bool disk = ::GetFileType(h) == FILE_TYPE_DISK;
    if (!known || !disk || (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        ::CloseHandle(h);
        *why = known && disk ? "is a folder, not a file" : "not a regular file";
        return false;
    }
    text->clear();
    char buffer[65536];
    DWORD got = 0;
    bool ok = true;
    while (text->size() < limit) {
        DWORD want = static_cast<DWORD>(std::min(sizeof buffer, limit - text->size()));
        if (!::ReadFile(h, buffer, want, &got, nullptr)) {
            *why = reasonOf(::GetLastError());
            ok = false;
            break;
        }
        if (got == 0) break;
        text->append(buffer, got);
    }
    ::CloseHandle(h);
    return ok;
}

std::string folderOf(const std::string& path) {
    const size_t cut = findLastPathSeparator(path);
    return cut == std::string::npos ? std::string(".") + kPathSeparator : path.substr(0, cut + 1);
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
