#include "platform/file_replace.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/file_access.h"

namespace platform {

namespace {

std::string errorText(int error) {
    return std::strerror(error);
}

bool writeAll(int fd, const unsigned char* data, size_t size) {
    size_t done = 0;
    while (done < size) {
        const ssize_t n = ::pwrite(fd, data + done, size - done, off_t(done));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return false;
        if (n == 0) {
            errno = ENOSPC;
            return false;
        }
        done += size_t(n);
    }
    return true;
}

// The umask, read without changing it (another thread could create a file meanwhile).
mode_t currentUmask() {
    if (FILE* status = std::fopen("/proc/self/status", "re")) {
        char line[256];
        unsigned value = 0;
        bool found = false;
        while (!found && std::fgets(line, sizeof line, status))
            found = std::sscanf(line, "Umask: %o", &value) == 1;
        std::fclose(status);
        if (found) return mode_t(value);
    }
    return 022;
}

// The file a link at `path` leads to; `path` itself when it is no link.
std::string resolveLinks(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
    char resolved[PATH_MAX];
    return ::realpath(path.c_str(), resolved) ? std::string(resolved) : path;
}

bool syncFolder(const std::string& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

// Opens the temporary file for `target` for this writer alone: a stray one from an
// earlier run is taken over, one that another writer holds right now is not touched
// (the caller then makes a unique one). The lock is only good while the inode still
// has the temporary name; a writer that just renamed it away must not be followed.
int openFixedTemp(const std::string& temp) {
    const int fd = ::open(temp.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600);
    if (fd < 0) return -1;
    struct stat opened {
    }, named{};
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0 || ::fstat(fd, &opened) != 0 || !S_ISREG(opened.st_mode) ||
        ::lstat(temp.c_str(), &named) != 0 || named.st_dev != opened.st_dev ||
        named.st_ino != opened.st_ino || ::ftruncate(fd, 0) != 0) {
        const int error = errno;
        ::close(fd);
        errno = error;
        return -1;
    }
    return fd;
}

int openUniqueTemp(const std::string& temp, std::string* name) {
    std::string pattern = temp + ".XXXXXX";
    const int fd = ::mkostemp(pattern.data(), O_CLOEXEC);
    if (fd >= 0) *name = pattern;
    return fd;
}

enum class TempStep { Done, NoTemp, Failed };

// Writes the bytes into a temporary file beside `target` and renames it over the target.
TempStep replaceThroughTemp(const std::string& target, const struct stat* old, const unsigned char* data,
                            size_t size, std::string* reason) {
    const std::string folder = folderOf(target);
    if (!folderIsWritable(folder)) {
        *reason = "the folder " + folder + " may not be written";
        return TempStep::NoTemp;
    }
    std::string temp = replacementTempPath(target);
    int fd = openFixedTemp(temp);
    if (fd < 0) fd = openUniqueTemp(temp, &temp);
    if (fd < 0) {
        *reason = errorText(errno);
        return TempStep::NoTemp;
    }
    const mode_t mode = old ? (old->st_mode & 07777) : (0666 & ~currentUmask());
    bool ok = writeAll(fd, data, size) && ::fchmod(fd, mode) == 0;
    if (ok && old && ::geteuid() == 0) {
        // Root saving a user's file hands it back to its owner; a failure here only changes the owner.
        (void)!::fchown(fd, old->st_uid, old->st_gid);
        ok = ::fchmod(fd, mode) == 0; // a change of owner may clear set-id bits
    }
    ok = ok && ::fsync(fd) == 0;
    int error = errno;
    if (ok && std::rename(temp.c_str(), target.c_str()) != 0) {
        error = errno;
        ::unlink(temp.c_str());
        ::close(fd);
        *reason = errorText(error);
        // The rename alone failed: the disk took the bytes, so writing in place may work.
        return TempStep::NoTemp;
    }
    if (!ok) {
        ::unlink(temp.c_str());
        ::close(fd);
        *reason = errorText(error);
        return TempStep::Failed;
    }
    ::close(fd); // closing drops the lock only after the rename
    syncFolder(folder);
    return TempStep::Done;
}

bool writeInPlace(const std::string& target, const unsigned char* data, size_t size, std::string* reason) {
    const int fd = ::open(target.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        *reason = errorText(errno);
        return false;
    }
    struct stat st {};
    bool ok = ::fstat(fd, &st) == 0;
    if (ok && !S_ISREG(st.st_mode)) {
        ok = false;
        errno = EINVAL;
    }
    ok = ok && writeAll(fd, data, size) && ::ftruncate(fd, off_t(size)) == 0 && ::fsync(fd) == 0;
    const int error = errno;
    ::close(fd);
    if (!ok) *reason = errorText(error);
    return ok;
}

} // namespace

std::string replacementTempPath(const std::string& path) {
    const size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    return folder + "." + name + ".corvane-tmp";
}

ReplaceResult replaceFile(const std::string& path, const void* data, size_t size) {
    ReplaceResult result;
    if (path.empty() || (size && !data)) {
        result.reason = errorText(EINVAL);
        return result;
    }
    const std::string target = resolveLinks(path);
    const auto* bytes = static_cast<const unsigned char*>(data);
    struct stat old {};
    const bool exists = ::stat(target.c_str(), &old) == 0;
    if (!exists && errno != ENOENT) {
        result.reason = errorText(errno);
        return result;
    }
    if (exists && !S_ISREG(old.st_mode)) {
        result.reason = "not a regular file";
        return result;
    }
    if (exists && !fileIsReadWrite(target)) {
        result.reason = "the file may not be read and written";
        return result;
    }

    std::string reason;
    switch (replaceThroughTemp(target, exists ? &old : nullptr, bytes, size, &reason)) {
    case TempStep::Done:
        result.outcome = ReplaceResult::Replaced;
        return result;
    case TempStep::Failed:
        result.reason = reason;
        return result;
    case TempStep::NoTemp:
        break;
    }
    if (!exists) {
        result.reason = reason;
        return result;
    }
    if (!writeInPlace(target, bytes, size, &result.reason)) return result;
    result.outcome = ReplaceResult::WrittenInPlace;
    result.reason.clear();
    return result;
}

} // namespace platform
