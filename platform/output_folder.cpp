#include "platform/output_folder.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

bool fail(std::string* error, const std::string& what) {
    *error = what + ": " + std::strerror(errno);
    return false;
}

int openNew(int dirFd, const std::string& name) {
    int fd;
    do {
        fd = ::openat(dirFd, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

} // namespace

OutputFolder::~OutputFolder() {
    abort();
    if (dirFd_ >= 0) ::close(dirFd_);
}

bool OutputFolder::open(const std::string& path, std::string* error) {
    int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return fail(error, path);
    if (dirFd_ >= 0) ::close(dirFd_);
    dirFd_ = fd;
    return true;
}

bool OutputFolder::begin(const std::string& name, bool replace, std::string* error) {
    abort();
    if (name.empty() || name == "." || name == ".." || name.find('/') != std::string::npos ||
        name.find('\0') != std::string::npos) {
        *error = "'" + name + "' is not a file name";
        return false;
    }
    struct stat st {};
    if (::fstatat(dirFd_, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
        if (!replace) {
            *error = name + " exists (-f replaces it)";
            return false;
        }
        if (!S_ISREG(st.st_mode)) {
            *error = name + " exists and is not a regular file";
            return false;
        }
        // Written beside it first, so a failure leaves the old file as it was.
        for (int attempt = 0; attempt < 100 && fileFd_ < 0; ++attempt) {
            tempName_ = ".bxa-" + std::to_string(::getpid()) + "-" + std::to_string(++serial_) + ".part";
            fileFd_ = openNew(dirFd_, tempName_);
            if (fileFd_ < 0 && errno != EEXIST) break;
        }
        if (fileFd_ < 0) {
            tempName_.clear();
            return fail(error, name);
        }
    } else {
        fileFd_ = openNew(dirFd_, name);
        if (fileFd_ < 0) return fail(error, name);
    }
    name_ = name;
    return true;
}

bool OutputFolder::write(const void* data, std::size_t n, std::string* error) {
    const char* p = static_cast<const char*>(data);
    while (n > 0) {
        ssize_t put = ::write(fileFd_, p, n);
        if (put < 0 && errno == EINTR) continue;
        if (put <= 0) {
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
        const struct timespec times[2] = {{static_cast<time_t>(epochSeconds), 0},
                                          {static_cast<time_t>(epochSeconds), 0}};
        if (::futimens(fileFd_, times) != 0) {
            fail(error, name_);
            abort();
            return false;
        }
    }
    if (::close(fileFd_) != 0) {
        fileFd_ = -1;
        fail(error, name_);
        abort();
        return false;
    }
    fileFd_ = -1;
    if (!tempName_.empty()) {
        // The name may have changed kind since begin; only a regular file is replaced.
        struct stat st {};
        if (::fstatat(dirFd_, name_.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && !S_ISREG(st.st_mode)) {
            *error = name_ + " exists and is not a regular file";
            abort();
            return false;
        }
        if (::renameat(dirFd_, tempName_.c_str(), dirFd_, name_.c_str()) != 0) {
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
    if (fileFd_ >= 0) ::close(fileFd_);
    fileFd_ = -1;
    const std::string& partial = tempName_.empty() ? name_ : tempName_;
    if (!partial.empty()) ::unlinkat(dirFd_, partial.c_str(), 0);
    tempName_.clear();
    name_.clear();
}

} // namespace platform
