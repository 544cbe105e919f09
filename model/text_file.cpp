#include "model/text_file.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

bool ReadRegularFile(const std::string& path, size_t limit, std::string* text, std::string* error) {
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
        text->append(buffer, static_cast<size_t>(n));
    }
    if (fd >= 0) ::close(fd);
    if (reason) *error = path + ": " + reason;
    return !reason;
}
