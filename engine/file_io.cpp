#include "engine/file_io.h"

#include <cerrno>

namespace {

std::FILE* defaultCreate(const char* path, char* buffer, std::size_t size) {
    std::FILE* f = platform::createOutputFile(path);
    if (f) std::setvbuf(f, buffer, buffer ? _IOFBF : _IONBF, buffer ? size : 0);
    return f;
}

int defaultClose(std::FILE* f) {
    errno = 0;
    return std::fclose(f);
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
long long defaultReadHead(MemberHandle member, void* buf, std::size_t size) {
    errno = 0;
    return platform::readMemberHead(member, buf, size);
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
                                 defaultReadHead,
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
