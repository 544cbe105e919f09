#include "platform/whole_file.h"

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
