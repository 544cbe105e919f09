#include "engine/file_io.h"

#include <cerrno>
#include <cstdlib>

namespace {

// Output streams get a large buffer of their own: thousands of small members
// would otherwise cost a system call for every few kilobytes written.
constexpr std::size_t kWriteBuffer = 1 << 20;
constexpr int kMaxTracked = 8;

// What the engine's streams carry beside the C library's state: the buffer we
// gave an output stream, and the length an input stream had when it was opened.
struct Tracked {
    std::FILE* file;
    char* buffer;
    long size;
    long long lastWrite;
};
Tracked g_tracked[kMaxTracked];

Tracked* track(std::FILE* f) {
    for (auto& t : g_tracked) {
        if (!t.file) {
            t = Tracked{f, nullptr, -1, -1};
            return &t;
        }
    }
    return nullptr;
}

Tracked* find(std::FILE* f) {
    for (auto& t : g_tracked)
        if (t.file == f) return &t;
    return nullptr;
}

std::FILE* openReadOnly(const char* path) {
    platform::FileStatus status;
    std::FILE* f = platform::openMemberFile(path, &status);
    if (!f) return nullptr;
    if (Tracked* t = track(f)) {
        t->size = static_cast<long>(status.size);
        t->lastWrite = static_cast<long long>(status.lastWrite);
    }
    return f;
}

std::FILE* defaultOpen(const char* path, const char* mode) {
    if (mode[0] == 'r') return openReadOnly(path);
    std::FILE* f = platform::createOutputFile(path);
    if (!f) return nullptr;
    if (Tracked* t = track(f)) {
        t->buffer = static_cast<char*>(std::malloc(kWriteBuffer));
        if (t->buffer && std::setvbuf(f, t->buffer, _IOFBF, kWriteBuffer) != 0) {
            std::free(t->buffer);
            t->buffer = nullptr;
        }
    }
    return f;
}

int defaultClose(std::FILE* f) {
    Tracked* t = find(f);
    errno = 0;
    int rc = std::fclose(f);
    int reason = errno;
    if (t) {
        std::free(t->buffer);
        *t = Tracked{nullptr, nullptr, -1, -1};
    }
    errno = reason;
    return rc;
}

long defaultSize(std::FILE* f) {
    if (Tracked* t = find(f); t && t->size >= 0) return t->size;
    platform::FileStatus status;
    return platform::openFileStatus(f, &status) ? static_cast<long>(status.size) : -1;
}

long long defaultLastWrite(std::FILE* f) {
    if (Tracked* t = find(f); t && t->lastWrite >= 0) return t->lastWrite;
    platform::FileStatus status;
    return platform::openFileStatus(f, &status) ? static_cast<long long>(status.lastWrite) : -1;
}

std::size_t defaultRead(void* buf, std::size_t size, std::FILE* f) {
    errno = 0;
    return std::fread(buf, 1, size, f);
}
// The write-side calls start from a clear errno, so a failure's reason is its own.
std::size_t defaultWrite(const void* buf, std::size_t size, std::FILE* f) {
    errno = 0;
    return std::fwrite(buf, 1, size, f);
}
long defaultTell(std::FILE* f) {
    return std::ftell(f);
}
int defaultSeek(std::FILE* f, long offset, int whence) {
    errno = 0;
    return std::fseek(f, offset, whence);
}
int defaultFlush(std::FILE* f) {
    errno = 0;
    return std::fflush(f);
}
int defaultError(std::FILE* f) {
    return std::ferror(f);
}

const EngineFileOps kDefaults = {defaultOpen,
                                 defaultClose,
                                 defaultRead,
                                 defaultWrite,
                                 defaultTell,
                                 defaultSeek,
                                 defaultFlush,
                                 defaultError,
                                 defaultSize,
                                 defaultLastWrite,
                                 platform::copyInKernel,
                                 platform::openCheckedMemberFile};
EngineFileOps g_ops = kDefaults;

} // namespace

void engineFileCacheOpen(EngineFileCache* cache) {
    platform::openMemberFileCache(cache);
}

void engineFileCacheClose(EngineFileCache* cache) {
    platform::closeMemberFileCache(cache);
}

EngineFileOps& engineFileOps() {
    return g_ops;
}
void engineResetFileOps() {
    g_ops = kDefaults;
}
const EngineFileOps& engineDefaultFileOps() {
    return kDefaults;
}
