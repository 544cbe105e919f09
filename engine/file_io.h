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
    int (*error)(std::FILE* f);
};

// The table in use; tests may overwrite entries and restore with engineResetFileOps().
EngineFileOps& engineFileOps();
void engineResetFileOps();
// The plain implementations, for tests that wrap them.
const EngineFileOps& engineDefaultFileOps();
