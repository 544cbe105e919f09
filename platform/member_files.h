#pragma once
// The files of a build as the system gives them to the engine: members opened
// for reading without ever waiting, outputs created for writing, and on systems
// that have one, a copy from member to archive that stays inside the kernel.
#include <cstddef>
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

// Opens a member for reading without ever waiting: a FIFO or device named as a
// member would otherwise block the build, or feed it endlessly. Only a regular file
// is a member: a folder fails with EISDIR, anything else with EINVAL, and other
// failures leave the system's reason in errno. Fills size and last-write time as
// they were at the open. Reads are unbuffered: the caller sizes them.
std::FILE* openMemberFile(const char* path, FileStatus* status);

// As openMemberFile, for a member the caller looked at just before and found to be a
// regular file, whose length and date the caller keeps. Something else may have taken
// its place meanwhile, so it is still refused unless it is a regular file.
std::FILE* openCheckedMemberFile(const char* path);

// Creates `path` for writing bytes, or empties it when it exists. Null with errno set.
std::FILE* createOutputFile(const char* path);

// Size and last-write time of an open file; false for a folder or when the system cannot tell.
bool openFileStatus(std::FILE* f, FileStatus* out);

// Moves up to `size` bytes from the read position of `from` to the write position
// of `to` without passing them through the process, and gives how many arrived.
// 0 where the system offers no such copy; what it leaves undone the caller moves
// with plain reads and writes, which also report the faults.
std::size_t copyInKernel(std::FILE* from, std::FILE* to, std::size_t size);

} // namespace platform
