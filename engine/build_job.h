#pragma once
// The build engine: turns a list of (index, name offset, path) records into a
// BXA archive, its FILE ID header and its log, one bounded step per jobExecute.
#include <cstddef>
#include <cstdint>
#include <cstdio>

enum class BuildJobState : uint32_t { Created = 0, Started = 1, Running = 2, Done = 3, Failed = 4 };

// One member to store; `path` points into the caller's entry table, which the
// engine reads in place (and trims of a trailing control character).
struct BuildRecord {
    uint32_t index;
    uint32_t nameOffset;
    char* path;
};

constexpr uint32_t kMaxEntries = 65535;
constexpr uint32_t kDefaultAlignment = 2048;
constexpr uint32_t kChunkSize = 67108864; // most bytes copied by one step
constexpr uint32_t kOutputHeader = 1u << 0;
constexpr uint32_t kOutputLog = 1u << 1;
// Context plus the largest table of contents (16 + 8 * 65535 bytes), with room to spare.
constexpr size_t kJobBlockSize = 1573732;

struct BuildJob {
    BuildJobState state;
    uint32_t outputFlags;
    uint32_t alignment;
    uint32_t memberCount;
    uint32_t entryCount;
    uint32_t current;
    uint32_t writeOffset;
    uint32_t copied;
    int32_t memberSize;
    uint32_t tocSize;
    uint32_t attrSize;
    char archiveName[260];
    char baseName[256];
    const char* headerName;
    const char* logName;
    const char* prefix;
    std::FILE* memberFile;
    std::FILE* archiveFile;
    std::FILE* headerFile;
    std::FILE* logFile;
    BuildRecord* list;
    uint32_t chunkSize;
    uint32_t* toc;
    unsigned char* copyBuffer;
};

int engineInit();
void engineFinish();

// Registers a job at the start of `block`; null when a job already exists or the block is too small.
BuildJob* jobCreate(const char* archiveName, void* block, size_t blockSize);
void jobSetList(BuildJob* job, BuildRecord* list, uint32_t count);
void jobSetEntryCount(BuildJob* job, uint32_t entryCount);
void jobSetAlignment(BuildJob* job, uint32_t alignment);
void jobSetPrefix(BuildJob* job, const char* prefix);
void jobSetHeaderName(BuildJob* job, const char* name);
void jobSetLogName(BuildJob* job, const char* name);
void jobStart(BuildJob* job);
void jobExecute();
BuildJobState jobGetState(const BuildJob* job);
void jobClose(BuildJob* job);
void jobDestroy(BuildJob* job);

// x raised to the next multiple of the alignment (x itself for alignment 0).
uint32_t alignUp(uint32_t x, uint32_t alignment);
