#include "engine/build_job.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "engine/file_io.h"
#include "engine/header_output.h"
#include "engine/little_endian.h"
#include "engine/member_attributes.h"
#include "engine/messages.h"
#include "engine/output_names.h"

namespace {

constexpr uint32_t kMaxTocBytes = 16 + 8 * kMaxEntries;
// Behind the table of contents the job keeps each member's packed last-write
// date, indexed by slot, taken from the open handle while the member is copied:
// the date then describes the bytes stored, and no path is looked up again.
constexpr std::size_t kStampBytes = 4 * static_cast<std::size_t>(kMaxEntries);
static_assert(sizeof(BuildJob) + kMaxTocBytes + kStampBytes <= kJobBlockSize,
              "the caller's block holds it all");
// Data moves in pieces that stay in the processor's cache; one step still
// copies up to a whole chunk, exactly as if it were read in one go.
constexpr std::size_t kPieceSize = 512 * 1024;
// Below this a member is cheaper to pass through the archive's stream buffer; above
// it the kernel copy saves the second pass over the bytes.
constexpr std::size_t kDirectCopyMin = 64 * 1024;

// Places of the files in the flush and close messages.
enum FilePlace { kArchivePlace = 0, kHeaderPlace = 1, kLogPlace = 2, kMemberPlace = 3 };

int g_useCount = 0;
BuildJob* g_slot = nullptr;

unsigned char g_zeros[64 * 1024];

void putWord(BuildJob* job, uint32_t word, uint32_t value) {
    storeU32(reinterpret_cast<unsigned char*>(job->toc) + 4 * static_cast<std::size_t>(word), value);
}

uint32_t getWord(const BuildJob* job, uint32_t word) {
    return loadU32(reinterpret_cast<const unsigned char*>(job->toc) + 4 * static_cast<std::size_t>(word));
}

uint32_t* stampsOf(BuildJob* job) {
    return reinterpret_cast<uint32_t*>(reinterpret_cast<unsigned char*>(job->toc) + kMaxTocBytes);
}

uint32_t jobAlign(const BuildJob* job, uint32_t x) {
    return alignUp(x, job->alignment);
}

// Writes `count` zero bytes; returns how many were written.
uint64_t writeZeros(std::FILE* f, uint64_t count) {
    uint64_t done = 0;
    while (done < count) {
        std::size_t n =
            count - done < sizeof g_zeros ? static_cast<std::size_t>(count - done) : sizeof g_zeros;
        std::size_t w = engineFileOps().write(g_zeros, n, f);
        done += w;
        if (w < n) break;
    }
    return done;
}

// The archive stream holds member data in its buffer, so a failure of any later call
// that writes the buffer out (a write, flush, seek or close) may be those bytes failing.
// A full disk then says first what the user lost: member data, as a write of it that
// fell short at once says. The call's own message follows.
void archiveFault(BuildJob* job) {
    if (!job->memberDataBuffered) return;
    job->memberDataBuffered = 0;
    jobFault(job, "write error in bxa file.[1]\n");
}

// A call on the archive that wrote its buffer out: what it held is on the disk now.
void archiveWrittenOut(BuildJob* job) {
    job->memberDataBuffered = 0;
}

void padTo(BuildJob* job, uint32_t end) {
    uint32_t aligned = jobAlign(job, end);
    uint64_t want = aligned - end;
    uint64_t written = writeZeros(job->archiveFile, want);
    if (written < want) {
        archiveFault(job);
        jobFault(job, "write error in bxa file[3]. ret = %d\n", static_cast<int>(written));
    }
}

// The name a message gives the file at `place`: the job's own, never the path it was created under.
void placeName(const BuildJob* job, int place, char name[kNameBufferSize]) {
    if (place == kArchivePlace)
        archiveFileNameOf(job->archiveName, name);
    else if (place == kHeaderPlace)
        headerFileNameOf(job->archiveName, job->headerName, name);
    else if (place == kLogPlace)
        logFileNameOf(job->archiveName, job->logName, name);
    else
        std::snprintf(name, kNameBufferSize, "%s", job->list[job->current].path);
}

// Closing writes out what the stream still buffers, so its result counts like a write.
void closeStream(BuildJob* job, std::FILE*& f, int place) {
    if (!f) return;
    if (engineFileOps().close(f) != 0) {
        if (place == kArchivePlace) archiveFault(job);
        char name[kNameBufferSize];
        placeName(job, place, name);
        jobFault(job, "close error[%d]. %s\n", place, name);
    }
    f = nullptr;
}

bool flushStream(BuildJob* job, std::FILE* f, int place) {
    if (!f) return true;
    if (engineFileOps().flush(f) == 0) {
        if (place == kArchivePlace) archiveWrittenOut(job);
        return true;
    }
    if (place == kArchivePlace) archiveFault(job);
    char name[kNameBufferSize];
    placeName(job, place, name);
    jobFault(job, "flush error[%d]. %s\n", place, name);
    return false;
}

void failJob(BuildJob* job) {
    jobClose(job);
    job->state = BuildJobState::Failed;
}

// Creates an output under `path` when the caller gave one, else under its own `name`.
std::FILE* createOutput(BuildJob* job, const char* name, const char* path, int place) {
    std::FILE* f = engineFileOps().open(path ? path : name, "wb");
    if (!f) jobFault(job, "file open failed[%d]. %s\n", place, name);
    return f;
}

// The table of contents starts out zero. Only the words this build can reach are
// cleared, once: a small build then leaves most of the caller's block untouched.
void clearToc(BuildJob* job) {
    std::size_t need = std::max<std::size_t>(job->tocSize, 4 * (2 * std::size_t{job->entryCount} + 4));
    if (need > kMaxTocBytes) need = kMaxTocBytes;
    if (need <= job->tocCleared) return;
    std::memset(reinterpret_cast<unsigned char*>(job->toc) + job->tocCleared, 0, need - job->tocCleared);
    job->tocCleared = static_cast<uint32_t>(need);
}

void openStep(BuildJob* job) {
    const EngineFileOps& ops = engineFileOps();
    char name[kNameBufferSize];
    archiveFileNameOf(job->archiveName, name);
    engineFileCacheOpen(&job->fileCache);
    job->archiveFile = createOutput(job, name, job->archivePath, kArchivePlace);
    if (!job->archiveFile) return failJob(job);
    uint32_t lastIndex = job->memberCount ? job->list[job->memberCount - 1].index : 0;
    if (lastIndex >= kMaxEntries) lastIndex = kMaxEntries - 1;
    job->tocSize = headerRegionSize(lastIndex + 1);
    clearToc(job);
    job->writeOffset = jobAlign(job, job->tocSize);
    int rc = ops.seek(job->archiveFile, static_cast<long>(job->writeOffset), SEEK_SET);
    if (rc != 0) jobFault(job, "seek error[2]. ret = %d\n", rc);

    if (job->outputFlags & kOutputHeader) {
        char header[kNameBufferSize];
        headerFileNameOf(job->archiveName, job->headerName, header);
        job->headerFile = createOutput(job, header, job->headerPath, kHeaderPlace);
        if (!job->headerFile) return failJob(job);
        writeOpeningComment(job, name);
    }
    if (job->outputFlags & kOutputLog) {
        char log[kNameBufferSize];
        logFileNameOf(job->archiveName, job->logName, log);
        job->logFile = createOutput(job, log, job->logPath, kLogPlace);
        if (!job->logFile) return failJob(job);
    }
    std::memcpy(job->toc, "BXA", 4);
    putWord(job, 1, job->entryCount);
    job->state = BuildJobState::Running;
}

// The member's length when the table has no size of its own: the end's position.
long measureBySeeking(BuildJob* job, std::FILE* f) {
    const EngineFileOps& ops = engineFileOps();
    int rc = ops.seek(f, 0, SEEK_END);
    long size = rc == 0 ? ops.tell(f) : -1;
    if (rc == 0) rc = ops.seek(f, 0, SEEK_SET);
    if (rc != 0 || size < 0) {
        jobFault(job, "seek error[3]. ret = %d\n", rc != 0 ? rc : -1);
        return 0;
    }
    return size;
}

// Opens the current member; false when the build cannot go on.
bool openMember(BuildJob* job) {
    const EngineFileOps& ops = engineFileOps();
    job->copied = 0;
    BuildRecord& rec = job->list[job->current];
    trimControlTail(rec.path);
    // A member the caller has just looked at is not looked at again: its length and
    // date are the ones carried, and the open asks the system nothing more.
    const MemberFacts* known = job->facts ? &job->facts[job->current] : nullptr;
    std::FILE* f = known && ops.openChecked ? ops.openChecked(rec.path) : ops.open(rec.path, "rb");
    if (!f) {
        jobFault(job, "File open failed[3]. \"%s\"\n", rec.path);
        job->state = BuildJobState::Failed;
        return false;
    }
    // The length now is all that is copied, however the file changes meanwhile.
    // (A carried length past what a signed 32-bit position holds fails the size check below.)
    long size = known      ? static_cast<long>(std::min<uint32_t>(known->size, INT32_MAX))
                : ops.size ? ops.size(f)
                           : measureBySeeking(job, f);
    if (size < 0) size = 0;
    // Refuse before writing a byte that the archive's 32-bit offsets could not describe.
    uint64_t dataEnd = alignUp64(uint64_t{job->writeOffset} + static_cast<uint64_t>(size), job->alignment);
    if (!archiveFits(archiveEnd(dataEnd, job->entryCount, job->alignment))) {
        errno = 0; // no call failed: the message has no system reason
        jobFault(job, "archive too large[4]. \"%s\"\n", rec.path);
        job->memberFile = f;
        closeStream(job, job->memberFile, kMemberPlace);
        job->state = BuildJobState::Failed;
        return false;
    }
    job->memberFile = f;
    job->memberSize = static_cast<int32_t>(size);
    if (rec.index < kMaxEntries)
        stampsOf(job)[rec.index] = known ? known->stamp : ops.lastWrite ? dosStampOf(ops.lastWrite(f)) : 0;
    writeMemberLine(job);
    return true;
}

void writeAttributeTable(BuildJob* job) {
    const EngineFileOps& ops = engineFileOps();
    // At the data's end, which is the file's end only when some member left bytes there.
    int rc = ops.seek(job->archiveFile, static_cast<long>(job->writeOffset), SEEK_SET);
    if (rc != 0) {
        archiveFault(job);
        jobFault(job, "seek error[1]. ret = %d\n", rc);
    } else {
        archiveWrittenOut(job);
    }
    uint32_t r = 0;
    uint32_t used = 0;
    for (uint32_t i = 0; i < job->entryCount; ++i) {
        unsigned char record[kAttrRecordSize] = {};
        if (r < job->memberCount && job->list[r].index == i) {
            const char* path = job->list[r].path;
            attributeName(path, record);
            uint16_t fields[6] = {};
            uint32_t stamp = stampsOf(job)[i];
            if (stamp) unpackDosStamp(stamp, fields);
            if (stamp || readMemberTimestamp(path, fields)) {
                for (int k = 0; k < 6; ++k)
                    storeU16(record + 32 + 2 * k, fields[k]);
            }
            ++used;
            storeU32(record + 44, used < 2 * job->entryCount + 4 ? getWord(job, used) : 0);
            ++r;
        }
        std::size_t w = ops.write(record, sizeof record, job->archiveFile);
        if (w != sizeof record) {
            archiveFault(job);
            jobFault(job, "write error in bxa file[2]. ret = %d\n", static_cast<int>(w / sizeof record));
        }
        job->attrSize += kAttrRecordSize;
    }
}

void finishArchive(BuildJob* job) {
    const EngineFileOps& ops = engineFileOps();
    clearToc(job); // the entry count may have been raised since the open step
    writeClosingBlock(job);
    writeLogLine(job);
    writeAttributeTable(job);
    padTo(job, job->writeOffset + job->attrSize);
    uint32_t n = job->entryCount;
    putWord(job, 2 * n + 2, job->writeOffset);
    putWord(job, 2 * n + 3, job->attrSize);
    int rc = ops.seek(job->archiveFile, 0, SEEK_SET);
    if (rc != 0) {
        archiveFault(job);
        jobFault(job, "seek error[0]. ret = %d\n", rc);
    }
    std::size_t w = ops.write(job->toc, job->tocSize, job->archiveFile);
    if (w < job->tocSize) jobFault(job, "write error[0]. ret = %d\n", static_cast<int>(w));
    // What the streams still hold must reach the disk before the build may call itself done.
    flushStream(job, job->archiveFile, kArchivePlace);
    flushStream(job, job->headerFile, kHeaderPlace);
    flushStream(job, job->logFile, kLogPlace);
    job->state = BuildJobState::Done;
}

void copyStep(BuildJob* job) {
    const EngineFileOps& ops = engineFileOps();
    if (job->current >= job->memberCount) return finishArchive(job);
    if (!job->memberFile && !openMember(job)) return;

    std::size_t want = job->chunkSize;
    uint32_t left = static_cast<uint32_t>(job->memberSize) - job->copied;
    if (left < want) want = left;
    std::size_t got = 0;
    // The kernel copy writes behind the stream's buffer, which must be empty first.
    if (ops.copy && want >= kDirectCopyMin && flushStream(job, job->archiveFile, kArchivePlace))
        got = ops.copy(job->memberFile, job->archiveFile, want);
    bool shortWrite = false;
    int writeReason = 0; // the reads that follow a short write must not lose its reason
    bool shortRead = false;
    while (got < want) {
        std::size_t n = want - got < kPieceSize ? want - got : kPieceSize;
        std::size_t r = ops.read(job->copyBuffer, n, job->memberFile);
        if (r > 0) {
            if (ops.write(job->copyBuffer, r, job->archiveFile) < r && !shortWrite) {
                shortWrite = true;
                writeReason = errno;
            }
            job->memberDataBuffered = 1;
        }
        got += r;
        if (r < n) {
            shortRead = true;
            break;
        }
    }
    bool readFailed = shortRead && ops.error(job->memberFile);
    if (readFailed) jobFault(job, "read error in crs file.\n");
    if (shortWrite) {
        // Said once for this member: nothing of it is left to fail silently.
        job->memberDataBuffered = 0;
        errno = writeReason;
        jobFault(job, "write error in bxa file.[1]\n");
    }
    job->copied += static_cast<uint32_t>(got);
    if (!readFailed && got == job->chunkSize) return;

    const BuildRecord& rec = job->list[job->current];
    if (rec.index < job->entryCount) {
        putWord(job, 2 + 2 * rec.index, job->writeOffset);
        putWord(job, 3 + 2 * rec.index, job->copied);
    }
    if (job->writeOffset != 0 && getWord(job, 2) == 0) putWord(job, 2, job->writeOffset);
    closeStream(job, job->memberFile, kMemberPlace);
    uint32_t end = job->writeOffset + job->copied;
    padTo(job, end);
    job->writeOffset = jobAlign(job, end);
    ++job->current;
    if (job->current < job->memberCount) return;
    finishArchive(job);
}

} // namespace

int engineInit() {
    if (g_useCount == 0) g_slot = nullptr;
    ++g_useCount;
    return 1;
}

void engineFinish() {
    if (g_useCount <= 0) {
        g_useCount = 0;
        return;
    }
    if (--g_useCount == 0) g_slot = nullptr;
}

BuildJob* jobCreate(const char* archiveName, void* block, std::size_t blockSize) {
    if (g_slot || !block || !archiveName || blockSize < sizeof(BuildJob) + kMaxTocBytes + kStampBytes)
        return nullptr;
    // The table of contents and the dates behind it are cleared or written as the build reaches them.
    std::memset(block, 0, sizeof(BuildJob));
    BuildJob* job = static_cast<BuildJob*>(block);
    g_slot = job;
    job->fileCache = platform::emptyMemberFileCache();
    job->state = BuildJobState::Created;
    job->outputFlags = kOutputHeader | kOutputLog;
    job->alignment = kDefaultAlignment;
    std::snprintf(job->archiveName, sizeof job->archiveName, "%s", archiveName);
    job->chunkSize = kChunkSize;
    job->toc = reinterpret_cast<uint32_t*>(job + 1);
    job->copyBuffer = static_cast<unsigned char*>(std::malloc(kChunkSize));
    if (!job->copyBuffer) {
        engineNotice("not enough memory.[5]\r\n");
        std::exit(0);
    }
    archiveBaseName(job->archiveName, job->baseName);
    return job;
}

void jobSetList(BuildJob* job, BuildRecord* list, uint32_t count) {
    job->list = list;
    job->memberCount = list ? count : 0;
}

void jobSetEntryCount(BuildJob* job, uint32_t entryCount) {
    // The table of contents has room for 65535 entries and no more.
    if (entryCount > kMaxEntries) entryCount = kMaxEntries;
    job->entryCount = entryCount;
}

void jobSetAlignment(BuildJob* job, uint32_t alignment) {
    job->alignment = alignment;
}
void jobSetPrefix(BuildJob* job, const char* prefix) {
    job->prefix = prefix;
}

void jobSetHeaderName(BuildJob* job, const char* name) {
    if (name)
        job->headerName = name;
    else
        job->outputFlags &= ~kOutputHeader;
}

void jobSetLogName(BuildJob* job, const char* name) {
    if (name)
        job->logName = name;
    else
        job->outputFlags &= ~kOutputLog;
}

void jobSetOutputPaths(BuildJob* job, const char* archivePath, const char* headerPath, const char* logPath) {
    job->archivePath = archivePath;
    job->headerPath = headerPath;
    job->logPath = logPath;
}

void jobSetMemberFacts(BuildJob* job, const MemberFacts* facts) {
    job->facts = facts;
}

void jobStart(BuildJob* job) {
    if (job->state != BuildJobState::Created) jobClose(job);
    job->errorCount = 0;
    job->state = BuildJobState::Started;
}

void jobExecute() {
    BuildJob* job = g_slot;
    if (!job) return;
    if (job->state == BuildJobState::Started)
        openStep(job);
    else if (job->state == BuildJobState::Running)
        copyStep(job);
}

BuildJobState jobGetState(const BuildJob* job) {
    return job->state;
}

void jobClose(BuildJob* job) {
    if (job->state == BuildJobState::Created) return;
    closeStream(job, job->memberFile, kMemberPlace);
    closeStream(job, job->archiveFile, kArchivePlace);
    closeStream(job, job->headerFile, kHeaderPlace);
    closeStream(job, job->logFile, kLogPlace);
    engineFileCacheClose(&job->fileCache);
}

void jobDestroy(BuildJob* job) {
    if (job == g_slot) {
        jobClose(job);
        g_slot = nullptr;
    }
    std::free(job->copyBuffer);
    job->copyBuffer = nullptr;
}

uint32_t jobGetErrorCount(const BuildJob* job) {
    return job->errorCount;
}
