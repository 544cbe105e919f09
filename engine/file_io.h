#pragma once
// Every file the engine touches goes through this table, so tests can make
// opens, reads, writes and seeks fail where they choose.
#include <cstddef>
#include <cstdio>

#include "platform/member_files.h"

using MemberHandle = platform::MemberHandle;
using platform::kNoMember;

struct EngineFileOps {
    // Outputs, as streams of the C library. `buffer` (the caller's, `size` bytes, for
    // as long as the stream is open) buffers the stream; null: every write goes to the
    // system as it comes (the archive has the engine's own buffer in front of it).
    std::FILE* (*create)(const char* path, char* buffer, std::size_t size);
    int (*close)(std::FILE* f);
    std::size_t (*write)(const void* buf, std::size_t size, std::FILE* f);
    int (*seek)(std::FILE* f, long offset, int whence);
    int (*flush)(std::FILE* f);
    // Members: opened with their length and last-write time, read in pieces, closed.
    MemberHandle (*open)(const char* path, platform::FileStatus* status);
    // Optional fast path: opens a member whose length and date the caller carried
    // (jobSetMemberFacts) without asking the system about it; the job then asks
    // `status` whenever the member's first read does not prove it. Null: open.
    MemberHandle (*openSeen)(const char* path);
    bool (*status)(MemberHandle member, platform::FileStatus* status);
    long long (*read)(MemberHandle member, void* buf, std::size_t size); // -1 on failure
    // Optional: reads from the member's start without moving its read position, and
    // fails on a pipe. A member opened on the caller's word whose head read gives
    // exactly its carried length is taken as that file. Null: `status` is asked.
    long long (*readHead)(MemberHandle member, void* buf, std::size_t size);
    int (*closeMember)(MemberHandle member);
    // Optional fast path: moves up to `size` bytes from the read position of `from`
    // to the write position of `to` and returns how many were moved. Whatever it
    // leaves undone goes through read and write, which also report the faults.
    std::size_t (*copy)(MemberHandle from, std::FILE* to, std::size_t size);
};

// What the plain implementations keep open between the members of one build to
// save system calls. The job keeps it in its block.
using EngineFileCache = platform::MemberFileCache;
// Readies `cache` and has the plain implementations use it (null: no cache).
void engineFileCacheOpen(EngineFileCache* cache);
// Closes the cache's handles; the plain implementations stop using it.
void engineFileCacheClose(EngineFileCache* cache);

// The table in use; tests may overwrite entries and restore with engineResetFileOps().
EngineFileOps& engineFileOps();
void engineResetFileOps();
// The plain implementations, for tests that wrap them.
const EngineFileOps& engineDefaultFileOps();
