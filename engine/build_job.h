#pragma once
// The build engine: turns a list of (index, name offset, path) records into a
// BXA archive, its FILE ID header and its log, one bounded step per jobExecute.
#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "engine/archive_layout.h"
#include "engine/file_io.h"

enum class BuildJobState : uint32_t { Created = 0, Started = 1, Running = 2, Done = 3, Failed = 4 };

// One member to store; `path` points into the caller's entry table, which the
// engine reads in place (and trims of a trailing control character).
struct BuildRecord {
    uint32_t index;
    uint32_t nameOffset;
    char* path;
};

// What the caller learnt of a member just before the build: its length and its
// packed last-write stamp (dosStampOf). They stand for the member as it was seen
// then: the job copies at most that length (fewer bytes when the file has shrunk
// since) and records that date, without asking the system about the file again.
struct MemberFacts {
    uint32_t size;
    uint32_t stamp;
};

constexpr uint32_t kChunkSize = 67108864; // most bytes copied by one step
// The copy buffer's first bytes: the archive's own buffer, then the header's and the
// log's stream buffers. The header of a full table is then a dozen writes.
constexpr uint32_t kOutputBufferSize = 1u << 20;
constexpr uint32_t kTextBufferSize = 256u * 1024;
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
    MemberHandle memberFile; // kNoMember when none is open
    std::FILE* archiveFile;
    std::FILE* headerFile;
    std::FILE* logFile;
    BuildRecord* list;
    uint32_t chunkSize;
    uint32_t* toc;
    unsigned char* copyBuffer;
    // Where the outputs are really created, when the caller wants them under other
    // paths than the names the job prints and writes into them; null: those names.
    const char* archivePath;
    const char* headerPath;
    const char* logPath;
    uint32_t errorCount;       // failed calls met so far, each one reported by a message
    EngineFileCache fileCache; // handles the file layer keeps open while the job runs
    uint32_t tocCleared;       // bytes of the table of contents known to be zero
    // The archive's bytes wait in the first kOutputBufferSize bytes of the copy buffer
    // (members are read straight into their place there) until it is full or the
    // archive is positioned; then they go out in one write.
    uint32_t outputFill;      // bytes waiting
    uint32_t outputHolds;     // what kinds of bytes wait (member data, padding, attribute records)
    uint32_t lastBuffered;    // list position + 1 of the last member whose data entered the buffer
    uint32_t lossReported;    // list position + 1 of the last member whose lost data was reported
    uint32_t probed;          // bytes of the current member read while it was opened
    const MemberFacts* facts; // the caller's, one per BuildList record; null: none
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
// Creates the outputs under these paths (each may be null) while every text still
// names the files by the job's own names.
void jobSetOutputPaths(BuildJob* job, const char* archivePath, const char* headerPath, const char* logPath);
// `facts` (null: none) pairs with the list record by record and stays the caller's.
void jobSetMemberFacts(BuildJob* job, const MemberFacts* facts);
void jobStart(BuildJob* job);
void jobExecute();
BuildJobState jobGetState(const BuildJob* job);
void jobClose(BuildJob* job);
void jobDestroy(BuildJob* job);
// Failed opens, reads, writes, flushes, seeks and closes met by the job, including
// those of jobClose. A build is clean only when it is Done and this is 0.
uint32_t jobGetErrorCount(const BuildJob* job);

// Every numbered message is also handed to `hook` (null: none), right after the call
// that failed, so errno still tells its reason. The text keeps its line end.
using EngineMessageHook = void (*)(const char* text, void* context);
void engineSetMessageHook(EngineMessageHook hook, void* context);
// Whether the messages also go to standard output, as they do unless told otherwise.
void engineSetStdoutMessages(bool on);
