#include "platform/file_access.h"

#include <cerrno>

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

} // namespace platform
