#include "platform/member_files.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

constexpr long kPipeSize = 1 << 20;

MemberFileCache* g_cache = nullptr;

// The cache's handles: 0 the members' folder, 1 and 2 the pipe's read and write ends.
int cachedFd(const MemberFileCache* c, int i) {
    return static_cast<int>(c->handle[i]);
}

// Opens `path` relative to the cached folder when the previous member lay in the same
// one: the kernel then looks up one name instead of the whole path.
int openInFolder(const char* path, int flags) {
    const char* slash = std::strrchr(path, '/');
    MemberFileCache* c = g_cache;
    std::size_t folderLen = slash ? static_cast<std::size_t>(slash - path) + 1 : 0;
    if (!c || folderLen == 0 || folderLen >= sizeof c->folderPath || slash[1] == '\0')
        return ::open(path, flags);
    bool same = std::strncmp(c->folderPath, path, folderLen) == 0 && c->folderPath[folderLen] == '\0';
    if (!same) {
        // A new folder: opened plainly, remembered for the member after it.
        if (cachedFd(c, 0) >= 0) ::close(cachedFd(c, 0));
        c->handle[0] = -1;
        std::memcpy(c->folderPath, path, folderLen);
        c->folderPath[folderLen] = '\0';
        return ::open(path, flags);
    }
    if (cachedFd(c, 0) < 0) c->handle[0] = ::open(c->folderPath, O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (cachedFd(c, 0) < 0) return ::open(path, flags);
    return ::openat(cachedFd(c, 0), slash + 1, flags);
}

// A pipe with a large buffer for the kernel copy, kept in the cache for the whole
// build; false when none can be had.
bool copyPipe(int ends[2]) {
    MemberFileCache* c = g_cache;
    if (c && cachedFd(c, 1) >= 0) {
        ends[0] = cachedFd(c, 1);
        ends[1] = cachedFd(c, 2);
        return true;
    }
    if (::pipe2(ends, O_CLOEXEC) != 0) return false;
    if (::fcntl(ends[1], F_SETPIPE_SZ, kPipeSize) < kPipeSize) {
        ::close(ends[0]);
        ::close(ends[1]);
        return false;
    }
    if (c) {
        c->handle[1] = ends[0];
        c->handle[2] = ends[1];
    }
    return true;
}

void dropPipe(int ends[2]) {
    if (g_cache && cachedFd(g_cache, 1) == ends[0]) g_cache->handle[1] = g_cache->handle[2] = -1;
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

// Descriptors are kept one above their number, so that the zero of a cleared job
// block stands for no member rather than for standard input.
MemberHandle handleOf(int fd) {
    return static_cast<MemberHandle>(fd) + 1;
}
int fdOf(MemberHandle member) {
    return static_cast<int>(member - 1);
}

bool statusOfFd(int fd, FileStatus* status) {
    struct stat st {};
    if (::fstat(fd, &st) != 0) return false;
    if (!S_ISREG(st.st_mode)) {
        errno = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
        return false;
    }
    status->size = static_cast<uint64_t>(st.st_size);
    status->lastWrite = static_cast<int64_t>(st.st_mtime);
    return true;
}

} // namespace

void openMemberFileCache(MemberFileCache* cache) {
    if (cache) {
        cache->handle[0] = cache->handle[1] = cache->handle[2] = -1;
        cache->folderPath[0] = '\0';
    }
    g_cache = cache;
}

void closeMemberFileCache(MemberFileCache* cache) {
    if (!cache) return;
    for (long long& fd : cache->handle) {
        if (fd >= 0) ::close(static_cast<int>(fd));
        fd = -1;
    }
    cache->folderPath[0] = '\0';
    if (g_cache == cache) g_cache = nullptr;
}

// Reads of a regular file never wait, flag or not, so O_NONBLOCK stays: clearing it
// would cost every member a system call. The kernel copy clears it (copyInKernel).
MemberHandle openSeenMemberFile(const char* path) {
    int fd;
    do {
        fd = openInFolder(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    } while (fd < 0 && errno == EINTR);
    return fd < 0 ? kNoMember : handleOf(fd);
}

MemberHandle openMemberFile(const char* path, FileStatus* status) {
    const MemberHandle member = openSeenMemberFile(path);
    if (member == kNoMember) return kNoMember;
    if (!statusOfFd(fdOf(member), status)) {
        const int reason = errno;
        ::close(fdOf(member));
        errno = reason;
        return kNoMember;
    }
    return member;
}

bool memberFileStatus(MemberHandle member, FileStatus* status) {
    return statusOfFd(fdOf(member), status);
}

long long readMemberFile(MemberHandle member, void* buffer, std::size_t size) {
    ssize_t n;
    do {
        n = ::read(fdOf(member), buffer, size);
    } while (n < 0 && errno == EINTR);
    return n;
}

long long readMemberHead(MemberHandle member, void* buffer, std::size_t size) {
    ssize_t n;
    do {
        n = ::pread(fdOf(member), buffer, size, 0);
    } while (n < 0 && errno == EINTR);
    return n;
}

int closeMemberFile(MemberHandle member) {
    return ::close(fdOf(member)) == 0 ? 0 : EOF;
}

std::FILE* createOutputFile(const char* path) {
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
    std::FILE* f = ::fdopen(fd, "wb");
    if (!f) {
        const int reason = errno;
        ::close(fd);
        errno = reason;
    }
    return f;
}

std::size_t copyInKernel(MemberHandle from, std::FILE* to, std::size_t size) {
    if (std::fflush(to) != 0) return 0;
    int in = fdOf(from), out = fileno(to);
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

} // namespace platform
