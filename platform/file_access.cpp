#include "platform/file_access.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

// The kernel's answer, and for root, which the kernel lets through, the mode bits too:
// at least one of the owner, group and other bits must grant each right asked for.
bool allowed(const std::string& path, const struct stat& st, int rights) {
    if (::faccessat(AT_FDCWD, path.c_str(), rights, AT_EACCESS) != 0) return false;
    if (::geteuid() != 0) return true;
    if ((rights & R_OK) && !(st.st_mode & (S_IRUSR | S_IRGRP | S_IROTH))) return false;
    if ((rights & W_OK) && !(st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH))) return false;
    if ((rights & X_OK) && !(st.st_mode & (S_IXUSR | S_IXGRP | S_IXOTH))) return false;
    return true;
}

// System calls dominate a pack of thousands of small files, so readability is
// asked of the kernel only when the owner's read bit does not settle it: for the
// file's owner that bit is the whole answer (access lists never mask it).
bool readable(const std::string& path, const struct stat& st) {
    static const uid_t self = ::geteuid();
    if (st.st_uid == self && (st.st_mode & S_IRUSR)) return true;
    return ::faccessat(AT_FDCWD, path.c_str(), R_OK, AT_EACCESS) == 0;
}

} // namespace

PathKind pathKind(const std::string& path) {
    struct stat st {};
    if (path.empty() || ::stat(path.c_str(), &st) != 0) return PathKind::Missing;
    if (S_ISREG(st.st_mode)) return PathKind::RegularFile;
    if (S_ISDIR(st.st_mode)) return PathKind::Folder;
    return PathKind::Other;
}

bool fileIsReadWrite(const std::string& path) {
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
           allowed(path, st, R_OK | W_OK);
}

bool folderIsWritable(const std::string& path) {
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode) &&
           allowed(path, st, W_OK | X_OK);
}

long readFileStart(const std::string& path, unsigned char* buffer, size_t size) {
    // O_NONBLOCK: opening a FIFO without a writer would wait forever.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return -1;
    struct stat st {};
    long done = 0;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || !allowed(path, st, R_OK)) {
        done = -1;
    } else {
        while (size_t(done) < size) {
            const ssize_t n = ::read(fd, buffer + done, size - size_t(done));
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) done = -1;
            if (n <= 0) break;
            done += long(n);
        }
    }
    ::close(fd);
    return done;
}

std::string folderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string("./") : path.substr(0, slash + 1);
}

std::FILE* openFile(const char* path, const char* mode) {
    std::string withCloseOnExec = std::string(mode) + "e";
    return std::fopen(path, withCloseOnExec.c_str());
}

bool isTerminal(std::FILE* f) {
    return ::isatty(fileno(f)) == 1;
}

FileLookup::~FileLookup() {
    if (folderFd_ >= 0) ::close(folderFd_);
}

bool FileLookup::find(const std::string& path, FileFacts* out, std::string* error) {
    struct stat st {};
    int rc;
    std::size_t slash = path.rfind('/');
    if (slash == std::string::npos || slash + 1 == path.size()) {
        rc = ::stat(path.c_str(), &st);
    } else {
        std::string folder = path.substr(0, slash + 1);
        if (folder != folder_) {
            if (folderFd_ >= 0) ::close(folderFd_);
            folderFd_ = ::open(folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
            folder_ = folder;
        }
        rc = folderFd_ < 0 ? ::stat(path.c_str(), &st)
                           : ::fstatat(folderFd_, path.c_str() + slash + 1, &st, 0);
    }
    if (rc != 0) {
        *error = std::strerror(errno);
        return false;
    }
    out->kind = S_ISDIR(st.st_mode)   ? FileFacts::Kind::Folder
                : S_ISREG(st.st_mode) ? FileFacts::Kind::Regular
                                      : FileFacts::Kind::Other;
    out->size = static_cast<uint64_t>(st.st_size);
    out->device = static_cast<uint64_t>(st.st_dev);
    out->id = static_cast<uint64_t>(st.st_ino);
    out->lastWrite = static_cast<int64_t>(st.st_mtime);
    out->readable = out->kind == FileFacts::Kind::Regular && readable(path, st);
    out->whyUnreadable = out->readable ? std::string() : std::strerror(errno);
    return true;
}

bool readRegularFile(const std::string& path, std::size_t limit, std::string* text, std::string* why) {
    // Non-blocking, so that a FIFO is refused instead of waited on.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    const char* reason = nullptr;
    struct stat st {};
    if (fd < 0)
        reason = std::strerror(errno);
    else if (::fstat(fd, &st) != 0)
        reason = std::strerror(errno);
    else if (S_ISDIR(st.st_mode))
        reason = "is a folder, not a file";
    else if (!S_ISREG(st.st_mode))
        reason = "not a regular file";
    text->clear();
    char buffer[65536];
    while (!reason && text->size() < limit) {
        const ssize_t n = ::read(fd, buffer, std::min(sizeof buffer, limit - text->size()));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) reason = std::strerror(errno);
        if (n <= 0) break;
        text->append(buffer, static_cast<std::size_t>(n));
    }
    if (fd >= 0) ::close(fd);
    if (reason) *why = reason;
    return !reason;
}

} // namespace platform
