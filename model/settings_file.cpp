#include <cerrno>
#include <cstdio>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "model/project_store.h"

namespace {

// Reads up to `size` bytes; fewer only at end of file or on an error.
size_t ReadFully(int fd, unsigned char* buffer, size_t size) {
    size_t done = 0;
    while (done < size) {
        const ssize_t n = ::read(fd, buffer + done, size - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += static_cast<size_t>(n);
    }
    return done;
}

bool WriteFully(int fd, const unsigned char* data, size_t size) {
    size_t done = 0;
    while (done < size) {
        const ssize_t n = ::write(fd, data + done, size - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

} // namespace

const char* SettingsFileName() {
    return "Corvane.ini";
}

bool LoadSettingsFile(ProjectStore* store, const char* path) {
    if (!store || !path) return false;
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    // Only the first block counts; a longer file is ours when that block is.
    unsigned char image[kSettingsSize];
    const size_t size = ReadFully(fd, image, sizeof image);
    ::close(fd);
    if (!ProjectStore::IsSettingsImage(image, size)) return false;
    store->LoadSettings(image, size);
    return true;
}

bool SaveSettingsFile(const ProjectStore* store, const char* path) {
    if (!store || !path || !*path) return false;
    unsigned char image[kSettingsSize];
    store->SaveSettings(image);

    // Written beside the target and renamed over it, so the old file survives any failure.
    std::string temp = std::string(path) + ".XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0) return false;
    bool ok = ::fchmod(fd, 0644) == 0 && WriteFully(fd, image, sizeof image) && ::fsync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    ok = ok && std::rename(temp.c_str(), path) == 0;
    if (!ok) ::unlink(temp.c_str());
    return ok;
}
