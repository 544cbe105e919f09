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
// Below this a member is cheaper to read into the archive's buffer; above it the
// kernel copy saves the pass over the bytes.
constexpr std::size_t kDirectCopyMin = 64 * 1024;
static_assert(kOutputBufferSize + 2 * kTextBufferSize <= kChunkSize && kDirectCopyMin < kOutputBufferSize,
              "the output buffers lie in the copy buffer, and the archive's holds a small member whole");

// What may wait in the archive's buffer, for the message a failed write of it gives.
constexpr uint32_t kHoldsMemberData = 1u << 0;
constexpr uint32_t kHoldsPadding = 1u << 1;
constexpr uint32_t kHoldsAttributes = 1u << 2;

// Places of the files in the flush and close messages.
enum FilePlace { kArchivePlace = 0, kHeaderPlace = 1, kLogPlace = 2, kMemberPlace = 3 };

int g_useCount = 0;
BuildJob* g_slot = nullptr;

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

// Sends what waits in the archive's buffer to the archive; false when it fell short.
// Those bytes are then lost; the message tells what they were: member data first,
// said once per member, as a short write of it says at once.
bool writeOut(BuildJob* job) {
    const uint32_t fill = job->outputFill;
    const uint32_t holds = job->outputHolds;
    job->outputFill = 0;
    job->outputHolds = 0;
    if (fill == 0) return true;
    const std::size_t w = engineFileOps().write(job->copyBuffer, fill, job->archiveFile);
    if (w == fill) return true;
    if (holds & kHoldsMemberData) {
        if (job->lastBuffered > job->lossReported) {
            job->lossReported = job->lastBuffered;
            jobFault(job, "write error in bxa file.[1]\n");
        }
    } else if (holds & kHoldsAttributes) {
        // The buffer starts with the table's first record waiting: see writeAttributeTable.
        jobFault(job, "write error in bxa file[2]. ret = %d\n", static_cast<int>(w / kAttrRecordSize));
    } else {
        jobFault(job, "write error in bxa file[3]. ret = %d\n", static_cast<int>(w));
    }
    return false;
}

// Room for at least `count` more bytes in the archive's buffer (count <= its size).
void makeRoom(BuildJob* job, uint32_t count) {
    if (kOutputBufferSize - job->outputFill < count) writeOut(job);
}

void putBytes(BuildJob* job, const void* bytes, uint32_t count, uint32_t kind) {
    makeRoom(job, count);
    std::memcpy(job->copyBuffer + job->outputFill, bytes, count);
    job->outputFill += count;
    job->outputHolds |= kind;
}

void putZeros(BuildJob* job, uint64_t count) {
    while (count > 0) {
        if (job->outputFill == kOutputBufferSize) writeOut(job);
        const uint32_t n =
            static_cast<uint32_t>(std::min<uint64_t>(count, kOutputBufferSize - job->outputFill));
        std::memset(job->copyBuffer + job->outputFill, 0, n);
        job->outputFill += n;
        job->outputHolds |= kHoldsPadding;
        count -= n;
    }
}

// Member bytes that a read has just put at the buffer's end.
void memberBytesPlaced(BuildJob* job, uint32_t count) {
    if (count == 0) return;
    job->outputFill += count;
    job->outputHolds |= kHoldsMemberData;
    job->lastBuffered = job->current + 1;
}

void padTo(BuildJob* job, uint32_t end) {
    putZeros(job, jobAlign(job, end) - end);
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
    // What still waits in the archive's buffer stays with the partial archive.
    if (place == kArchivePlace) writeOut(job);
    if (engineFileOps().close(f) != 0) {
        char name[kNameBufferSize];
        placeName(job, place, name);
        jobFault(job, "close error[%d]. %s\n", place, name);
    }
    f = nullptr;
}

bool flushStream(BuildJob* job, std::FILE* f, int place) {
    if (!f) return true;
    if (engineFileOps().flush(f) == 0) return true;
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
    // The archive goes out through the job's own buffer; header and log, a line at a
    // time, through their streams' buffers behind it in the copy buffer.
    char* buffer = nullptr;
    if (place != kArchivePlace)
        buffer = reinterpret_cast<char*>(job->copyBuffer) + kOutputBufferSize + (place - 1) * kTextBufferSize;
    std::FILE* f = engineFileOps().create(path ? path : name, buffer, kTextBufferSize);
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
    job->outputFill = job->outputHolds = job->lastBuffered = job->lossReported = job->probed = 0;
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

// Closes the member, which counts like any other file's close.
void closeMember(BuildJob* job) {
    if (job->memberFile == kNoMember) return;
    const MemberHandle member = job->memberFile;
    job->memberFile = kNoMember;
    if (engineFileOps().closeMember(member) != 0) {
        char name[kNameBufferSize];
        placeName(job, kMemberPlace, name);
        jobFault(job, "close error[%d]. %s\n", kMemberPlace, name);
    }
}

// A member opened on the caller's word (openSeen) is a regular file of the carried
// length when a read of one byte more from its start gives exactly that length (a pipe,
// even one holding just that many bytes, fails such a read); a small one is read so,
// whole, straight into its place in the archive's buffer. Anything else (another
// length, a failed read, an empty or large member) has the system say what it is.
// False when it is no regular file; `probed` counts the bytes already in place.
bool confirmSeenMember(BuildJob* job, uint32_t size) {
    const EngineFileOps& ops = engineFileOps();
    job->probed = 0;
    if (ops.readHead && size > 0 && size < kDirectCopyMin && size < job->chunkSize) {
        makeRoom(job, size + 1);
        if (ops.readHead(job->memberFile, job->copyBuffer + job->outputFill, size + 1) == size) {
            job->probed = size;
            return true;
        }
    }
    // A regular file after all, grown or shrunk since it was seen, is copied from its
    // start, where the read of its head left it.
    platform::FileStatus status;
    return ops.status(job->memberFile, &status);
}

// Opens the current member; false when the build cannot go on.
bool openMember(BuildJob* job) {
    const EngineFileOps& ops = engineFileOps();
    job->copied = 0;
    job->probed = 0;
    BuildRecord& rec = job->list[job->current];
    trimControlTail(rec.path);
    // A member the caller has just looked at is not looked at again: its length and
    // date are the ones carried, and its first read tells whether it is still the file seen.
    const MemberFacts* known = job->facts ? &job->facts[job->current] : nullptr;
    platform::FileStatus status;
    const bool seen = known && ops.openSeen;
    job->memberFile = seen ? ops.openSeen(rec.path) : ops.open(rec.path, &status);
    if (job->memberFile != kNoMember && seen && !confirmSeenMember(job, known->size)) {
        const int reason = errno;
        ops.closeMember(job->memberFile);
        job->memberFile = kNoMember;
        errno = reason;
    }
    if (job->memberFile == kNoMember) {
        jobFault(job, "File open failed[3]. \"%s\"\n", rec.path);
        job->state = BuildJobState::Failed;
        return false;
    }
    // The length now is all that is copied, however the file changes meanwhile.
    // (A length past what a signed 32-bit position holds fails the size check below.)
    const uint64_t size = known ? known->size : std::min<uint64_t>(status.size, UINT32_MAX);
    // Refuse before writing a byte that the archive's 32-bit offsets could not describe.
    uint64_t dataEnd = memberEnd(job->writeOffset, size, job->alignment);
    if (size > INT32_MAX || !archiveFits(archiveEnd(dataEnd, job->entryCount, job->alignment))) {
        errno = 0; // no call failed: the message has no system reason
        jobFault(job, "archive too large[4]. \"%s\"\n", rec.path);
        job->probed = 0;
        closeMember(job);
        job->state = BuildJobState::Failed;
        return false;
    }
    job->memberSize = static_cast<int32_t>(size);
    if (rec.index < kMaxEntries)
        stampsOf(job)[rec.index] = known ? known->stamp : dosStampOf(status.lastWrite);
    writeMemberLine(job);
    return true;
}

void writeAttributeTable(BuildJob* job) {
    const EngineFileOps& ops = engineFileOps();
    // At the data's end, which is the file's end only when some member left bytes there.
    // The buffer goes out first, so the table's first record starts it afresh.
    writeOut(job);
    int rc = ops.seek(job->archiveFile, static_cast<long>(job->writeOffset), SEEK_SET);
    if (rc != 0) jobFault(job, "seek error[1]. ret = %d\n", rc);
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
        putBytes(job, record, sizeof record, kHoldsAttributes);
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
    writeOut(job);
    int rc = ops.seek(job->archiveFile, 0, SEEK_SET);
    if (rc != 0) jobFault(job, "seek error[0]. ret = %d\n", rc);
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
    if (job->memberFile == kNoMember && !openMember(job)) return;

    std::size_t want = job->chunkSize;
    uint32_t left = static_cast<uint32_t>(job->memberSize) - job->copied;
    if (left < want) want = left;
    // Bytes the open already read lie at the buffer's end.
    std::size_t got = std::min<std::size_t>(job->probed, want);
    memberBytesPlaced(job, static_cast<uint32_t>(got));
    job->probed = 0;
    // The kernel copy writes behind the buffer, which must be out first.
    if (ops.copy && want - got >= kDirectCopyMin && writeOut(job))
        got += ops.copy(job->memberFile, job->archiveFile, want - got);
    bool readFailed = false;
    while (got < want) {
        if (job->outputFill == kOutputBufferSize) writeOut(job);
        const std::size_t n = std::min<std::size_t>(want - got, kOutputBufferSize - job->outputFill);
        const long long r = ops.read(job->memberFile, job->copyBuffer + job->outputFill, n);
        if (r < 0) {
            readFailed = true;
            break;
        }
        memberBytesPlaced(job, static_cast<uint32_t>(r));
        got += static_cast<std::size_t>(r);
        if (static_cast<std::size_t>(r) < n) break; // the member ends early: it has shrunk
    }
    if (readFailed) jobFault(job, "read error in crs file.\n");
    job->copied += static_cast<uint32_t>(got);
    if (!readFailed && got == job->chunkSize) return;

    const BuildRecord& rec = job->list[job->current];
    if (rec.index < job->entryCount) {
        putWord(job, 2 + 2 * rec.index, job->writeOffset);
        putWord(job, 3 + 2 * rec.index, job->copied);
    }
    if (job->writeOffset != 0 && getWord(job, 2) == 0) putWord(job, 2, job->writeOffset);
    closeMember(job);
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
    closeMember(job);
    closeStream(job, job->archiveFile, kArchivePlace);
    closeStream(job, job->headerFile, kHeaderPlace);
    closeStream(job, job->logFile, kLogPlace);
    engineFileCacheClose(&job->fileCache);
}

void jobDestroy(BuildJob* job) {
    if (job == g_slot) g_slot = nullptr;
    // Header and log buffer inside the copy buffer: whatever is still open goes before it,
    // also for a job whose slot was emptied under it.
    jobClose(job);
    std::free(job->copyBuffer);
    job->copyBuffer = nullptr;
}

uint32_t jobGetErrorCount(const BuildJob* job) {
    return job->errorCount;
}
