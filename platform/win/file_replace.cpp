#include "platform/file_replace.h"

#include <cerrno>
#include <cstring>
#include <windows.h>

#include "platform/file_access.h"
#include "platform/path.h"
#include "platform/win/error_reason.h"

namespace platform {

namespace {

bool writeAll(HANDLE h, const void* data, size_t size) {
    DWORD put = 0;
    return ::WriteFile(h, data, static_cast<DWORD>(size), &put, nullptr) && put == size;
}

} // namespace

std::string replacementTempPath(const std::string& path) {
    const size_t cut = findLastPathSeparator(path);
    const std::string folder = cut == std::string::npos ? std::string() : path.substr(0, cut + 1);
    const std::string name = cut == std::string::npos ? path : path.substr(cut + 1);
    return folder + "." + name + ".corvane-tmp";
}

ReplaceResult replaceFile(const std::string& path, const void* data, size_t size) {
    ReplaceResult result;
    if (path.empty() || (size && !data)) {
        result.reason = std::strerror(EINVAL);
        return result;
    }
    const PathKind kind = pathKind(path);
    if (kind != PathKind::Missing && kind != PathKind::RegularFile) {
        result.reason = "not a regular file";
        return result;
    }
    const bool exists = kind == PathKind::RegularFile;
    if (exists && !fileIsReadWrite(path)) {
        result.reason = "the file may not be read and written";
        return result;
    }
    // A complete copy first, then put in the target's place: a full disk or a crash
    // leaves the old file whole. A temporary left by an earlier run is taken over.
    const std::string temp = replacementTempPath(path);
    HANDLE h =
        ::CreateFileA(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h != INVALID_HANDLE_VALUE) {
        bool ok = writeAll(h, data, size) && ::FlushFileBuffers(h);
        DWORD error = ok ? 0 : ::GetLastError();
        ::CloseHandle(h);
        if (ok &&
            ::MoveFileExA(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
            result.outcome = ReplaceResult::Replaced;
            return result;
        }
        if (!ok) error = ::GetLastError() ? ::GetLastError() : error;
        ::DeleteFileA(temp.c_str());
        if (!ok) {
            result.reason = reasonOf(error);
            return result;
        }
    }
    result.reason = reasonOf(::GetLastError());
    if (!exists) return result;
    // No temporary could be made or moved there, but the file itself may be written.
    h = ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        result.reason = reasonOf(::GetLastError());
        return result;
    }
    bool ok = writeAll(h, data, size) && ::SetEndOfFile(h) && ::FlushFileBuffers(h);
    DWORD error = ok ? 0 : ::GetLastError();
    ::CloseHandle(h);
    if (!ok) {
        result.reason = reasonOf(error);
        return result;
    }
    result.outcome = ReplaceResult::WrittenInPlace;
    result.reason.clear();
    return result;
}

} // namespace platform
