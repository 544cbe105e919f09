#include "platform/whole_file.h"

#include <cerrno>
#include <cstring>
#include <string>
#include <windows.h>

namespace platform {

long readFileStart(const char* path, unsigned char* buffer, std::size_t size) {
    HANDLE h = ::CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return -1;
    std::size_t done = 0;
    while (done < size) {
        DWORD got = 0;
        if (!::ReadFile(h, buffer + done, static_cast<DWORD>(size - done), &got, nullptr) || got == 0) break;
        done += got;
    }
    ::CloseHandle(h);
    return static_cast<long>(done);
}

bool readRegularFile(const char* path, std::string* text, std::string* why) {
    HANDLE h = ::CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                             FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        DWORD error = ::GetLastError();
        *why = error == ERROR_ACCESS_DENIED ? std::strerror(EACCES) : std::strerror(ENOENT);
        return false;
    }
    BY_HANDLE_FILE_INFORMATION info{};
    if (!::GetFileInformationByHandle(h, &info) || (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ||
        ::GetFileType(h) != FILE_TYPE_DISK) {
        bool folder =
            ::GetFileType(h) == FILE_TYPE_DISK && (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
        ::CloseHandle(h);
        *why = folder ? "is a folder, not a file" : "not a regular file";
        return false;
    }
    text->clear();
    char buffer[65536];
    DWORD got = 0;
    while (::ReadFile(h, buffer, sizeof buffer, &got, nullptr) && got > 0)
        text->append(buffer, got);
    ::CloseHandle(h);
    return true;
}

bool replaceFile(const char* path, const unsigned char* data, std::size_t size) {
    std::string temp = std::string(path) + ".new";
    HANDLE h =
        ::CreateFileA(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    DWORD put = 0;
    bool ok =
        ::WriteFile(h, data, static_cast<DWORD>(size), &put, nullptr) && put == size && ::FlushFileBuffers(h);
    ok = ::CloseHandle(h) && ok;
    ok = ok && ::MoveFileExA(temp.c_str(), path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    if (!ok) ::DeleteFileA(temp.c_str());
    return ok;
}

} // namespace platform
