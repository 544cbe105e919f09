#pragma once
// Every file the engine touches goes through this table, so tests can make
// opens, reads, writes and seeks fail where they choose.
#include <cstddef>
#include <cstdio>

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
};

// What the plain implementations keep between calls of one build to save system
// calls: the folder of the members being opened, while consecutive members share
// it, and the pipe of the kernel copy. The job keeps it in its block; -1 marks a
// handle not open.
struct EngineFileCache {
    int folder;
    int pipe[2];
    char folderPath[260];
};
// Readies `cache` and has the plain implementations use it (null: no cache).
void engineFileCacheOpen(EngineFileCache* cache);
// Closes the cache's handles; the plain implementations stop using it.
void engineFileCacheClose(EngineFileCache* cache);

// The table in use; tests may overwrite entries and restore with engineResetFileOps().
EngineFileOps& engineFileOps();
void engineResetFileOps();
// The plain implementations, for tests that wrap them.
const EngineFileOps& engineDefaultFileOps();
