#include "engine/file_io.h"

#include <algorithm>
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
constexpr int kMaxTracked = 8;
constexpr long kPipeSize = 1 << 20;

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

EngineFileCache* g_cache = nullptr;

// Opens `path` relative to the cached folder when the previous member lay in the same
// one: the kernel then looks up one name instead of the whole path.
int openInFolder(const char* path, int flags) {
    const char* slash = std::strrchr(path, '/');
    EngineFileCache* c = g_cache;
    std::size_t folderLen = slash ? static_cast<std::size_t>(slash - path) + 1 : 0;
    if (!c || folderLen == 0 || folderLen >= sizeof c->folderPath || slash[1] == '\0')
        return ::open(path, flags);
    bool same = std::strncmp(c->folderPath, path, folderLen) == 0 && c->folderPath[folderLen] == '\0';
    if (!same) {
        // A new folder: opened plainly, remembered for the member after it.
        if (c->folder >= 0) ::close(c->folder);
        c->folder = -1;
        std::memcpy(c->folderPath, path, folderLen);
        c->folderPath[folderLen] = '\0';
        return ::open(path, flags);
    }
    if (c->folder < 0) c->folder = ::open(c->folderPath, O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (c->folder < 0) return ::open(path, flags);
    return ::openat(c->folder, slash + 1, flags);
}

// Opening never waits: a FIFO or device named as a member would otherwise block the
// build, or feed it endlessly. Only a regular file is a member.
std::FILE* openReadOnly(const char* path) {
    int fd;
    do {
        fd = openInFolder(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) return nullptr;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        int reason = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
        ::close(fd);
        errno = reason;
        return nullptr;
    }
    // Reads of a regular file never wait, flag or not, so it stays: clearing it would
    // cost every member a system call. The kernel copy clears it (defaultCopy).
    std::FILE* f = ::fdopen(fd, "rb");
    if (!f) {
        ::close(fd);
        return nullptr;
    }
    // Reads are sized by the caller; stream buffering would only add a copy.
    std::setvbuf(f, nullptr, _IONBF, 0);
    if (Tracked* t = track(f)) {
        t->size = static_cast<long>(st.st_size);
        t->lastWrite = static_cast<long long>(st.st_mtime);
    }
    return f;
}

std::FILE* defaultOpen(const char* path, const char* mode) {
    if (mode[0] == 'r') return openReadOnly(path);
    // An output that already exists empty (bxa creates its temporaries first) is not
    // truncated again: ext4 takes a truncation to zero as a file being replaced and
    // writes all its data back when it is closed, which doubles the time of a large build.
    const int fd = ::open(path, O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) return nullptr;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || (st.st_size > 0 && ::ftruncate(fd, 0) != 0)) {
        const int reason = errno;
        ::close(fd);
        errno = reason;
        return nullptr;
    }
    std::FILE* f = ::fdopen(fd, mode);
    if (!f) {
        const int reason = errno;
        ::close(fd);
        errno = reason;
        return nullptr;
    }
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
    struct stat st {};
    return ::fstat(fileno(f), &st) == 0 ? static_cast<long>(st.st_size) : -1;
}

long long defaultLastWrite(std::FILE* f) {
    if (Tracked* t = find(f); t && t->lastWrite >= 0) return t->lastWrite;
    struct stat st {};
    return ::fstat(fileno(f), &st) == 0 ? static_cast<long long>(st.st_mtime) : -1;
}

// A pipe with a large buffer for the kernel copy, kept in the cache for the whole
// build; false when none can be had.
bool copyPipe(int ends[2]) {
    EngineFileCache* c = g_cache;
    if (c && c->pipe[0] >= 0) {
        ends[0] = c->pipe[0];
        ends[1] = c->pipe[1];
        return true;
    }
    if (::pipe2(ends, O_CLOEXEC) != 0) return false;
    if (::fcntl(ends[1], F_SETPIPE_SZ, kPipeSize) < kPipeSize) {
        ::close(ends[0]);
        ::close(ends[1]);
        return false;
    }
    if (c) {
        c->pipe[0] = ends[0];
        c->pipe[1] = ends[1];
    }
    return true;
}

void dropPipe(int ends[2]) {
    if (g_cache && g_cache->pipe[0] == ends[0]) g_cache->pipe[0] = g_cache->pipe[1] = -1;
    ::close(ends[0]);
    ::close(ends[1]);
}

// Moves bytes from file to file inside the kernel, through a pipe of our own: its
// large buffer passes whole runs of pages even when a member lands half a page off
// its source's page grid (a 2 KiB alignment does that), where the small pipe behind
// copy_file_range costs about half as much again. Returns the bytes that reached
// `out`, leaving the source just behind them; -1 when no such pipe can be had.
long long spliceCopy(int in, int out, std::size_t size) {
    int pipeEnds[2];
    off_t start = ::lseek(in, 0, SEEK_CUR);
    if (start < 0 || !copyPipe(pipeEnds)) return -1;
    long long done = 0;
    bool stuck = false;
    while (static_cast<std::size_t>(done) < size) {
        std::size_t want =
            std::min(size - static_cast<std::size_t>(done), static_cast<std::size_t>(kPipeSize));
        ssize_t got = ::splice(in, nullptr, pipeEnds[1], nullptr, want, SPLICE_F_MOVE);
        if (got <= 0) break;
        ssize_t left = got;
        while (left > 0) {
            ssize_t put =
                ::splice(pipeEnds[0], nullptr, out, nullptr, static_cast<std::size_t>(left), SPLICE_F_MOVE);
            if (put <= 0) break;
            left -= put;
            done += put;
        }
        if (left > 0) {
            // The archive took less (a full disk): read and write take over from
            // the first byte it did not take, and report the fault. What is left in
            // the pipe goes with it.
            ::lseek(in, start + static_cast<off_t>(done), SEEK_SET);
            stuck = true;
            break;
        }
    }
    if (stuck || !g_cache) dropPipe(pipeEnds);
    return done;
}

std::size_t defaultCopy(std::FILE* from, std::FILE* to, std::size_t size) {
    if (std::fflush(to) != 0) return 0;
    int in = fileno(from), out = fileno(to);
    // The member was opened without waiting; the pipe copy should read it plainly. Of
    // the flags this call can change, the descriptor has only that one.
    ::fcntl(in, F_SETFL, 0);
    off_t at = ::lseek(out, 0, SEEK_CUR);
    if (at < 0) return 0;
    long long moved = spliceCopy(in, out, size);
    std::size_t done = moved > 0 ? static_cast<std::size_t>(moved) : 0;
    while (moved < 0 && done < size) {
        ssize_t n = ::copy_file_range(in, nullptr, out, nullptr, size - done, 0);
        if (n <= 0) break; // end of file, or no kernel support: read and write take over
        done += static_cast<std::size_t>(n);
    }
    // The stream's idea of its position must follow what the kernel wrote.
    if (done > 0) std::fseek(to, static_cast<long>(at + static_cast<off_t>(done)), SEEK_SET);
    return done;
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

const EngineFileOps kDefaults = {defaultOpen, defaultClose,     defaultRead,  defaultWrite,
                                 defaultTell, defaultSeek,      defaultFlush, defaultError,
                                 defaultSize, defaultLastWrite, defaultCopy};
EngineFileOps g_ops = kDefaults;

} // namespace

void engineFileCacheOpen(EngineFileCache* cache) {
    if (cache) {
        cache->folder = cache->pipe[0] = cache->pipe[1] = -1;
        cache->folderPath[0] = '\0';
    }
    g_cache = cache;
}

void engineFileCacheClose(EngineFileCache* cache) {
    if (!cache) return;
    for (int* fd : {&cache->folder, &cache->pipe[0], &cache->pipe[1]}) {
        if (*fd >= 0) ::close(*fd);
        *fd = -1;
    }
    cache->folderPath[0] = '\0';
    if (g_cache == cache) g_cache = nullptr;
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
