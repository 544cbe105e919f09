#pragma once
// The files of a build as the system gives them to the engine: members opened
// for reading without ever waiting, outputs created for writing, and on systems
// that have one, a copy from member to archive that stays inside the kernel.
#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "platform/file_time.h"

namespace platform {

// What the implementation keeps open between the members of one build to save
// system calls (on Linux: the folder of the members while consecutive ones share
// it, and the pipe of the kernel copy). It lives in the caller's job block, so it
// has a fixed size; -1 marks a handle not open.
struct MemberFileCache {
    long long handle[3];
    char folderPath[260];
};

// A cache that holds nothing, safe to close before it was ever opened.
inline MemberFileCache emptyMemberFileCache() {
    return MemberFileCache{{-1, -1, -1}, {}};
}

// Readies `cache` and has the calls below use it (null: no cache).
void openMemberFileCache(MemberFileCache* cache);
// Closes the cache's handles; the calls below stop using it.
void closeMemberFileCache(MemberFileCache* cache);

// A member open for reading. Members are read in pieces the caller sizes, straight
// into its own buffer, so they need no stream of the C library (which would cost
// every member an allocation and a system call more). kNoMember, the zero value, is
// none: a job block cleared to zero holds no open member.
using MemberHandle = std::intptr_t;
constexpr MemberHandle kNoMember = 0;

// Opens a member for reading without ever waiting: a FIFO or device named as a
// member would otherwise block the build, or feed it endlessly. Only a regular file
// is a member: a folder fails with EISDIR, anything else with EINVAL, and other
// failures leave the system's reason in errno. Fills size and last-write time as
// they were at the open.
MemberHandle openMemberFile(const char* path, FileStatus* status);

// Opens, without ever waiting, a member the caller has just seen as a regular file
// and whose length and date it keeps, without asking the system about it again.
// Something else may have taken its place meanwhile: the caller asks
// memberFileStatus before it trusts the handle further than its length.
MemberHandle openSeenMemberFile(const char* path);

// Size and last-write time of an open member; false when it is no regular file
// (errno EISDIR for a folder, EINVAL for anything else) or the system cannot tell.
bool memberFileStatus(MemberHandle member, FileStatus* status);

// Reads up to `size` bytes; the count read, 0 at the end, -1 with errno on failure.
long long readMemberFile(MemberHandle member, void* buffer, std::size_t size);

// Reads up to `size` bytes from the member's start and leaves its read position where
// it was. A pipe has no start to read from: the read fails there, however many bytes
// wait in it, so a FIFO put in a member's place cannot pass for the member.
long long readMemberHead(MemberHandle member, void* buffer, std::size_t size);

// 0, or EOF with errno set.
int closeMemberFile(MemberHandle member);

// Creates `path` for writing bytes, or empties it when it exists. Null with errno set.
std::FILE* createOutputFile(const char* path);

// Moves up to `size` bytes from the read position of `from` to the write position
// of `to` without passing them through the process, and gives how many arrived.
// 0 where the system offers no such copy; what it leaves undone the caller moves
// with plain reads and writes, which also report the faults.
std::size_t copyInKernel(MemberHandle from, std::FILE* to, std::size_t size);

} // namespace platform
