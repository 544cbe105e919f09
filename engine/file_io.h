#pragma once
// Every file the engine touches goes through this table, so tests can make
// opens, reads, writes and seeks fail where they choose.
#include <cstddef>
#include <cstdio>

#include "platform/member_files.h"

struct EngineFileOps {
    std::FILE* (*open)(const char* path, const char* mode);
    int (*close)(std::FILE* f);
    std::size_t (*read)(void* buf, std::size_t size, std::FILE* f);
    std::size_t (*write)(const void* buf, std::size_t size, std::FILE* f);
    long (*tell)(std::FILE* f);
    int (*seek)(std::FILE* f, long offset, int whence);
    int (*flush)(std::FILE* f);
    int (*error)(std::FILE* f);
    // Length and last-write time (seconds since the epoch) of an open file; negative when unknown.
    long (*size)(std::FILE* f);
    long long (*lastWrite)(std::FILE* f);
    // Optional fast path: moves up to `size` bytes from the read position of `from`
    // to the write position of `to` and returns how many were moved. Whatever it
    // leaves undone goes through read and write, which also report the faults.
    std::size_t (*copy)(std::FILE* from, std::FILE* to, std::size_t size);
    // Optional fast path: opens for reading a member whose length and date the caller
    // carried (jobSetMemberFacts), without asking the system about it again. Null: open.
    std::FILE* (*openChecked)(const char* path);
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
