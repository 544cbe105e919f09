#include "platform/instance_lock.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#include <vector>

namespace platform {

namespace {

std::vector<std::string> CandidatePaths(const std::string& name) {
    std::vector<std::string> paths;
    for (const char* var : {"XDG_RUNTIME_DIR", "HOME"}) {
        const char* dir = std::getenv(var);
        if (dir && *dir) paths.push_back(std::string(dir) + "/." + name + ".lock");
    }
    // /tmp is shared by all users: the user id keeps one user's file from shutting out another.
    paths.push_back("/tmp/." + name + "-" + std::to_string(::getuid()) + ".lock");
    return paths;
}

int OpenLockFile(const std::string& path) {
    int fd;
    do {
        fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

} // namespace

InstanceLock::InstanceLock(const char* name) : name_(name ? name : "") {}

InstanceLock::~InstanceLock() {
    if (fd_ >= 0) ::close(fd_);
}

InstanceLock::Result InstanceLock::Acquire() {
    if (fd_ >= 0) return Result::Acquired;
    if (name_.empty()) return Result::Unavailable;
    for (const std::string& path : CandidatePaths(name_)) {
        int fd = OpenLockFile(path);
        if (fd < 0) continue; // unwritable folder, foreign file, a folder in the way: try the next place
        int rc;
        do {
            rc = ::flock(fd, LOCK_EX | LOCK_NB);
        } while (rc != 0 && errno == EINTR);
        if (rc == 0) {
            fd_ = fd;
            path_ = path;
            return Result::Acquired;
        }
        int error = errno;
        ::close(fd);
        if (error == EWOULDBLOCK) {
            path_ = path;
            return Result::HeldElsewhere;
        }
        // A file system without locks: a lock there would prove nothing, so try the next place.
    }
    return Result::Unavailable;
}

} // namespace platform
