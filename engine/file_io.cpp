#include "engine/file_io.h"

#include <cerrno>
#include <cstdlib>

namespace {

// Header and log get a large buffer of their own: a line per member would otherwise
// cost a system call for every few kilobytes written. A quarter of a megabyte makes
// the header of a full table a dozen writes, and keeps the build's memory small.
constexpr std::size_t kWriteBuffer = 256 * 1024;
constexpr int kMaxTracked = 8;

// The buffers we gave the streams, freed when they are closed.
struct Tracked {
    std::FILE* file;
    char* buffer;
};
Tracked g_tracked[kMaxTracked];

Tracked* track(std::FILE* f) {
    for (auto& t : g_tracked) {
        if (!t.file) {
            t = Tracked{f, nullptr};
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

std::FILE* defaultCreate(const char* path, bool buffered) {
    std::FILE* f = platform::createOutputFile(path);
    if (!f) return nullptr;
    if (!buffered) {
        std::setvbuf(f, nullptr, _IONBF, 0);
    } else if (Tracked* t = track(f)) {
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
        *t = Tracked{nullptr, nullptr};
    }
    errno = reason;
    return rc;
}

// The write-side calls start from a clear errno, so a failure's reason is its own.
std::size_t defaultWrite(const void* buf, std::size_t size, std::FILE* f) {
    errno = 0;
    return std::fwrite(buf, 1, size, f);
}
int defaultSeek(std::FILE* f, long offset, int whence) {
    errno = 0;
    return std::fseek(f, offset, whence);
}
int defaultFlush(std::FILE* f) {
    errno = 0;
    return std::fflush(f);
}
long long defaultRead(MemberHandle member, void* buf, std::size_t size) {
    errno = 0;
    return platform::readMemberFile(member, buf, size);
}
int defaultCloseMember(MemberHandle member) {
    errno = 0;
    return platform::closeMemberFile(member);
}

const EngineFileOps kDefaults = {defaultCreate,
                                 defaultClose,
                                 defaultWrite,
                                 defaultSeek,
                                 defaultFlush,
                                 platform::openMemberFile,
                                 platform::openSeenMemberFile,
                                 platform::memberFileStatus,
                                 defaultRead,
                                 defaultCloseMember,
                                 platform::copyInKernel};
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
