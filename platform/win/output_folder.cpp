#include "platform/output_folder.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>

#include "platform/path.h"

namespace platform {

namespace {

bool fail(std::string* error, const std::string& what) {
    *error = what + ": " + std::strerror(errno);
    return false;
}

int openNew(const std::string& path) {
    return ::_open(path.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY | _O_NOINHERIT,
                   _S_IREAD | _S_IWRITE);
}

} // namespace

OutputFolder::~OutputFolder() {
    abort();
}

bool OutputFolder::open(const std::string& path, std::string* error) {
    DWORD attributes = ::GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        errno = attributes == INVALID_FILE_ATTRIBUTES ? ENOENT : ENOTDIR;
        return fail(error, path);
    }
    folder_ = path;
    if (!isPathSeparator(folder_.back())) folder_ += kPathSeparator;
    dirFd_ = 0;
    return true;
}

bool OutputFolder::begin(const std::string& name, bool replace, std::string* error) {
    abort();
    if (name.empty() || name == "." || name == ".." || findPathSeparator(name) != std::string::npos ||
        name.find(':') != std::string::npos || name.find('\0') != std::string::npos) {
        *error = "'" + name + "' is not a file name";
        return false;
    }
    DWORD attributes = ::GetFileAttributesA((folder_ + name).c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) {
        if (!replace) {
            *error = name + " exists (-f replaces it)";
            return false;
        }
        if (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE | FILE_ATTRIBUTE_REPARSE_POINT)) {
            *error = name + " exists and is not a regular file";
            return false;
        }
        // Written beside it first, so a failure leaves the old file as it was.
        for (int attempt = 0; attempt < 100 && fileFd_ < 0; ++attempt) {
            tempName_ =
                ".bxa-" + std::to_string(::GetCurrentProcessId()) + "-" + std::to_string(++serial_) + ".part";
            fileFd_ = openNew(folder_ + tempName_);
        }
        if (fileFd_ < 0) return fail(error, name);
    } else {
        tempName_.clear();
        fileFd_ = openNew(folder_ + name);
        if (fileFd_ < 0) return fail(error, name);
    }
    name_ = name;
    return true;
}

bool OutputFolder::write(const void* data, std::size_t n, std::string* error) {
    const char* p = static_cast<const char*>(data);
    while (n > 0) {
        unsigned chunk = n > (1u << 30) ? (1u << 30) : static_cast<unsigned>(n);
        int put = ::_write(fileFd_, p, chunk);
        if (put <= 0) {
            if (put == 0) errno = ENOSPC;
            fail(error, name_);
            abort();
            return false;
        }
        p += put;
        n -= static_cast<std::size_t>(put);
    }
    return true;
}

bool OutputFolder::commit(int64_t epochSeconds, std::string* error) {
    if (epochSeconds >= 0) {
        int64_t ticks = epochSeconds * 10000000LL + 116444736000000000LL;
        FILETIME ft{static_cast<DWORD>(ticks), static_cast<DWORD>(static_cast<uint64_t>(ticks) >> 32)};
        HANDLE h = reinterpret_cast<HANDLE>(::_get_osfhandle(fileFd_));
        if (!::SetFileTime(h, nullptr, &ft, &ft)) {
            errno = EACCES;
            fail(error, name_);
            abort();
            return false;
        }
    }
    int rc = ::_close(fileFd_);
    fileFd_ = -1;
    if (rc != 0) {
        fail(error, name_);
        abort();
        return false;
    }
    if (!tempName_.empty()) {
        if (!::MoveFileExA((folder_ + tempName_).c_str(), (folder_ + name_).c_str(),
                           MOVEFILE_REPLACE_EXISTING)) {
            errno = EACCES;
            fail(error, name_);
            abort();
            return false;
        }
        tempName_.clear();
    }
    name_.clear();
    return true;
}

void OutputFolder::abort() {
    if (fileFd_ >= 0) ::_close(fileFd_);
    fileFd_ = -1;
    if (!name_.empty()) ::DeleteFileA((folder_ + (tempName_.empty() ? name_ : tempName_)).c_str());
    name_.clear();
    tempName_.clear();
}

} // namespace platform
