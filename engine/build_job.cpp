#include "engine/build_job.h"

#include <cstdarg>
#include <cstdlib>
#include <cstring>

#include "engine/file_io.h"
#include "engine/header_output.h"
#include "engine/member_attributes.h"

namespace {

constexpr uint32_t kMaxTocBytes = 16 + 8 * kMaxEntries;
// Behind the table of contents the job keeps each member's packed last-write
// date, indexed by slot, taken from the open handle while the member is copied:
// the date then describes the bytes stored, and no path is looked up again.
constexpr std::size_t kStampBytes = 4 * static_cast<std::size_t>(kMaxEntries);
static_assert(sizeof(BuildJob) + kMaxTocBytes + kStampBytes <= kJobBlockSize,
              "the caller's block holds it all");
// Offsets are signed 32-bit for the reader, so an archive stays below 2 GiB.
constexpr uint64_t kArchiveLimit = 0x80000000ull;
// Data moves in pieces that stay in the processor's cache; one step still
// copies up to a whole chunk, exactly as if it were read in one go.
constexpr std::size_t kPieceSize = 512 * 1024;
// Below this a member is cheaper to pass through the archive's stream buffer.
constexpr std::size_t kDirectCopyMin = 1 << 20;

int g_useCount = 0;
BuildJob* g_slot = nullptr;

unsigned char g_zeros[64 * 1024];

// The numbered messages go out at once, so they stand in order with whatever the
// caller prints around a build.
void report(const char* format, ...) __attribute__((format(printf, 1, 2)));
void report(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::vprintf(format, args);
    va_end(args);
    std::fflush(stdout);
}

void putU32(unsigned char* p, uint32_t value) {
    p[0] = static_cast<unsigned char>(value);
    p[1] = static_cast<unsigned char>(value >> 8);
    p[2] = static_cast<unsigned char>(value >> 16);
    p[3] = static_cast<unsigned char>(value >> 24);
}

void putWord(BuildJob* job, uint32_t word, uint32_t value) {
    putU32(reinterpret_cast<unsigned char*>(job->toc) + 4 * static_cast<std::size_t>(word), value);
}

uint32_t getWord(const BuildJob* job, uint32_t word) {
    const unsigned char* p =
        reinterpret_cast<const unsigned char*>(job->toc) + 4 * static_cast<std::size_t>(word);
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

void putU16(unsigned char* p, uint16_t v) {
    p[0] = static_cast<unsigned char>(v);
    p[1] = static_cast<unsigned char>(v >> 8);
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

void padTo(BuildJob* job, uint32_t end) {
    uint32_t aligned = jobAlign(job, end);
    uint64_t want = aligned - end;
    uint64_t written = writeZeros(job->archiveFile, want);
    if (written < want) {
        report("write error in bxa file[3]. ret = %d\n", static_cast<int>(written));
    }
}

void closeStream(std::FILE*& f) {
    if (f) engineFileOps().close(f);
    f = nullptr;
}

void failJob(BuildJob* job) {
    jobClose(job);
    job->state = BuildJobState::Failed;
}

// Creates the header or log file: the caller's name, or the base name with `extension`.
bool openText(BuildJob* job, std::FILE** file, const char* given, const char* extension, int place) {
    char name[kNameBufferSize] = {};
    if (given)
        std::snprintf(name, sizeof name, "%s", given);
    else
        std::snprintf(name, sizeof name, "%s%s", job->baseName, extension);
    *file = engineFileOps().open(name, "wb");
    if (*file) return true;
    report("file open failed[%d]. %s\n", place, name);
    return false;
}

void openStep(BuildJob* job) {
    const EngineFileOps& ops = engineFileOps();
    char name[kNameBufferSize];
    archiveFileName(job, name);
    job->archiveFile = ops.open(name, "wb");
    if (!job->archiveFile) {
        report("file open failed[0]. %s\n", name);
        return failJob(job);
    }
    uint32_t lastIndex = job->memberCount ? job->list[job->memberCount - 1].index : 0;
    if (lastIndex >= kMaxEntries) lastIndex = kMaxEntries - 1;
    job->tocSize = 8 * lastIndex + 24;
    job->writeOffset = jobAlign(job, job->tocSize);
    ops.seek(job->archiveFile, static_cast<long>(job->writeOffset), SEEK_SET);

    if ((job->outputFlags & kOutputHeader) && !openText(job, &job->headerFile, job->headerName, ".h", 1))
        return failJob(job);
    if (job->headerFile) writeOpeningComment(job, name);
    if ((job->outputFlags & kOutputLog) && !openText(job, &job->logFile, job->logName, ".crg", 2))
        return failJob(job);
    std::memcpy(job->toc, "BXA", 4);
    putWord(job, 1, job->entryCount);
    job->state = BuildJobState::Running;
}

// Opens the current member; false when the build cannot go on.
bool openMember(BuildJob* job) {
    const EngineFileOps& ops = engineFileOps();
    job->copied = 0;
    BuildRecord& rec = job->list[job->current];
    trimControlTail(rec.path);
    std::FILE* f = ops.open(rec.path, "rb");
    if (!f) {
        report("File open failed[3]. \"%s\"\n", rec.path);
        job->state = BuildJobState::Failed;
        return false;
    }
    long size = ops.size ? ops.size(f) : -1;
    if (size < 0) {
        ops.seek(f, 0, SEEK_END);
        size = ops.tell(f);
        ops.seek(f, 0, SEEK_SET);
    }
    if (size < 0) size = 0;
    // Refuse before writing a byte that the archive's 32-bit offsets could not describe.
    uint64_t end = static_cast<uint64_t>(job->writeOffset) + static_cast<uint64_t>(size);
    uint64_t a = job->alignment;
    uint64_t attr = 48ull * job->entryCount;
    if (end + a + attr + a >= kArchiveLimit) {
        report("archive too large[4]. \"%s\"\n", rec.path);
        ops.close(f);
        job->state = BuildJobState::Failed;
        return false;
    }
    job->memberFile = f;
    job->memberSize = static_cast<int32_t>(size);
    if (rec.index < kMaxEntries) stampsOf(job)[rec.index] = ops.lastWrite ? dosStampOf(ops.lastWrite(f)) : 0;
    writeMemberLine(job);
    return true;
}

void writeAttributeTable(BuildJob* job) {
    const EngineFileOps& ops = engineFileOps();
    int rc = ops.seek(job->archiveFile, 0, SEEK_END);
    if (rc != 0) {
        report("seek error[1]. ret = %d\n", rc);
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
                    putU16(record + 32 + 2 * k, fields[k]);
            }
            ++used;
            putU32(record + 44, used < 2 * job->entryCount + 4 ? getWord(job, used) : 0);
            ++r;
        }
        std::size_t w = ops.write(record, sizeof record, job->archiveFile);
        if (w != sizeof record) {
            report("write error in bxa file[2]. ret = %d\n", static_cast<int>(w / sizeof record));
        }
        job->attrSize += kAttrRecordSize;
    }
}

void finishArchive(BuildJob* job) {
    const EngineFileOps& ops = engineFileOps();
    writeClosingBlock(job);
    writeLogLine(job);
    writeAttributeTable(job);
    padTo(job, job->writeOffset + job->attrSize);
    uint32_t n = job->entryCount;
    putWord(job, 2 * n + 2, job->writeOffset);
    putWord(job, 2 * n + 3, job->attrSize);
    int rc = ops.seek(job->archiveFile, 0, SEEK_SET);
    if (rc != 0) {
        report("seek error[0]. ret = %d\n", rc);
    }
    std::size_t w = ops.write(job->toc, job->tocSize, job->archiveFile);
    if (w < job->tocSize) {
        report("write error[0]. ret = %d\n", static_cast<int>(w));
    }
    job->state = BuildJobState::Done;
}

void copyStep(BuildJob* job) {
    const EngineFileOps& ops = engineFileOps();
    if (job->current >= job->memberCount) return finishArchive(job);
    if (!job->memberFile && !openMember(job)) return;

    std::size_t want = job->chunkSize;
    if (job->memberSize >= 0 && static_cast<uint32_t>(job->memberSize) < want)
        want = static_cast<uint32_t>(job->memberSize);
    std::size_t got = 0;
    if (ops.copy && want >= kDirectCopyMin) got = ops.copy(job->memberFile, job->archiveFile, want);
    bool shortWrite = false;
    while (got < want) {
        std::size_t n = want - got < kPieceSize ? want - got : kPieceSize;
        std::size_t r = ops.read(job->copyBuffer, n, job->memberFile);
        if (r > 0 && ops.write(job->copyBuffer, r, job->archiveFile) < r) shortWrite = true;
        got += r;
        if (r < n) break;
    }
    bool readFailed = got == 0 && ops.error(job->memberFile);
    if (readFailed)
        report("read error in crs file.\n");
    else if (shortWrite)
        report("write error in bxa file.[1]\n");
    job->copied += static_cast<uint32_t>(got);
    if (!readFailed && got == job->chunkSize) return;

    const BuildRecord& rec = job->list[job->current];
    if (rec.index < job->entryCount) {
        putWord(job, 2 + 2 * rec.index, job->writeOffset);
        putWord(job, 3 + 2 * rec.index, job->copied);
    }
    if (job->writeOffset != 0 && getWord(job, 2) == 0) putWord(job, 2, job->writeOffset);
    closeStream(job->memberFile);
    uint32_t end = job->writeOffset + job->copied;
    padTo(job, end);
    job->writeOffset = jobAlign(job, end);
    ++job->current;
    if (job->current < job->memberCount) return;
    finishArchive(job);
}

} // namespace

uint32_t alignUp(uint32_t x, uint32_t alignment) {
    // The alignment is a signed quantity; zero and anything below it mean no alignment.
    int32_t a = static_cast<int32_t>(alignment);
    if (a <= 0) return x;
    uint64_t ua = static_cast<uint64_t>(a);
    return static_cast<uint32_t>((static_cast<uint64_t>(x) + ua - 1) / ua * ua);
}

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
    std::memset(block, 0, blockSize);
    BuildJob* job = static_cast<BuildJob*>(block);
    g_slot = job;
    job->state = BuildJobState::Created;
    job->outputFlags = kOutputHeader | kOutputLog;
    job->alignment = kDefaultAlignment;
    std::snprintf(job->archiveName, sizeof job->archiveName, "%s", archiveName);
    job->chunkSize = kChunkSize;
    job->toc = reinterpret_cast<uint32_t*>(job + 1);
    job->copyBuffer = static_cast<unsigned char*>(std::malloc(kChunkSize));
    if (!job->copyBuffer) {
        report("not enough memory.[5]\r\n");
        std::exit(0);
    }
    std::size_t n = std::strcspn(job->archiveName, ".");
    if (n >= sizeof job->baseName) n = sizeof job->baseName - 1;
    std::memcpy(job->baseName, job->archiveName, n);
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

void jobStart(BuildJob* job) {
    if (job->state != BuildJobState::Created) jobClose(job);
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
    closeStream(job->memberFile);
    closeStream(job->archiveFile);
    closeStream(job->headerFile);
    closeStream(job->logFile);
}

void jobDestroy(BuildJob* job) {
    if (job == g_slot) {
        jobClose(job);
        g_slot = nullptr;
    }
    std::free(job->copyBuffer);
    job->copyBuffer = nullptr;
}
