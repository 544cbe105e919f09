#include "engine/file_io.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Output streams get a large buffer of their own: thousands of small members
// would otherwise cost a system call for every few kilobytes written.
constexpr std::size_t kWriteBuffer = 1 << 20;
constexpr int kMaxBuffered = 8;

struct OwnedBuffer {
    std::FILE* file;
    char* buffer;
};
OwnedBuffer g_buffers[kMaxBuffered];

std::FILE* openReadOnly(const char* path) {
    int fd;
    do {
        fd = ::open(path, O_RDONLY | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) return nullptr;
    // A folder opens fine here but is no file to store.
    struct stat st {};
    if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
        ::close(fd);
        errno = EISDIR;
        return nullptr;
    }
    std::FILE* f = ::fdopen(fd, "rb");
    if (!f) {
        ::close(fd);
        return nullptr;
    }
    // Reads are sized by the caller; stream buffering would only add a copy.
    std::setvbuf(f, nullptr, _IONBF, 0);
    return f;
}

std::FILE* defaultOpen(const char* path, const char* mode) {
    if (mode[0] == 'r') return openReadOnly(path);
    std::FILE* f = std::fopen(path, mode);
    if (!f) return nullptr;
    for (auto& slot : g_buffers) {
        if (slot.file) continue;
        char* buf = static_cast<char*>(std::malloc(kWriteBuffer));
        if (buf && std::setvbuf(f, buf, _IOFBF, kWriteBuffer) == 0) {
            slot.file = f;
            slot.buffer = buf;
        } else {
            std::free(buf);
        }
        break;
    }
    return f;
}

int defaultClose(std::FILE* f) {
    int rc = std::fclose(f);
    for (auto& slot : g_buffers) {
        if (slot.file == f) {
            std::free(slot.buffer);
            slot = OwnedBuffer{nullptr, nullptr};
        }
    }
    return rc;
}

std::size_t defaultRead(void* buf, std::size_t size, std::FILE* f) {
    return std::fread(buf, 1, size, f);
}
std::size_t defaultWrite(const void* buf, std::size_t size, std::FILE* f) {
    return std::fwrite(buf, 1, size, f);
}
long defaultTell(std::FILE* f) {
    return std::ftell(f);
}
int defaultSeek(std::FILE* f, long offset, int whence) {
    return std::fseek(f, offset, whence);
}
int defaultError(std::FILE* f) {
    return std::ferror(f);
}

const EngineFileOps kDefaults = {defaultOpen, defaultClose, defaultRead, defaultWrite,
                                 defaultTell, defaultSeek,  defaultError};
EngineFileOps g_ops = kDefaults;

} // namespace

EngineFileOps& engineFileOps() {
    return g_ops;
}
void engineResetFileOps() {
    g_ops = kDefaults;
}
const EngineFileOps& engineDefaultFileOps() {
    return kDefaults;
}
