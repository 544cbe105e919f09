#include "engine/header_output.h"

#include <cstdarg>
#include <cstring>

#include "engine/file_io.h"
#include "engine/messages.h"

namespace {

// Formats one piece of text and stores every line feed as CR LF; false when the write fell short.
bool textPrintf(std::FILE* f, const char* format, ...) __attribute__((format(printf, 2, 3)));
bool textPrintf(std::FILE* f, const char* format, ...) {
    if (!f) return true;
    char text[2048];
    va_list args;
    va_start(args, format);
    int n = std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    if (n < 0) return true;
    std::size_t len =
        static_cast<std::size_t>(n) < sizeof text ? static_cast<std::size_t>(n) : sizeof text - 1;
    char out[2 * sizeof text];
    std::size_t o = 0;
    for (std::size_t i = 0; i < len; ++i) {
        if (text[i] == '\n') out[o++] = '\r';
        out[o++] = text[i];
    }
    return engineFileOps().write(out, o, f) == o;
}

void headerWriteFailed(BuildJob* job) {
    char name[kNameBufferSize];
    headerFileNameOf(job->archiveName, job->headerName, name);
    jobFault(job, "write error in header file. %s\n", name);
}

// Copies at most size-1 bytes and always terminates.
void copyCapped(char* dst, std::size_t size, const char* src) {
    std::size_t n = std::strlen(src);
    if (n >= size) n = size - 1;
    std::memcpy(dst, src, n);
    dst[n] = '\0';
}

} // namespace

void sanitiseIdentifier(char* text) {
    for (unsigned char* p = reinterpret_cast<unsigned char*>(text); *p; ++p) {
        switch (*p) {
        case '!':
        case '#':
        case '$':
        case '%':
        case '&':
        case '+':
        case '-':
        case '.':
        case '/':
        case ':':
        case '=':
        case '?':
        case '@':
        case '\\':
        case '~':
            *p = '_';
            break;
        default:
            if (*p >= 'a' && *p <= 'z') *p = static_cast<unsigned char>(*p - 'a' + 'A');
        }
    }
}

void writeOpeningComment(BuildJob* job, const char* archiveFile) {
    if (!textPrintf(job->headerFile, "/*\n *\t'%s' FILE ID Header\n */\n\n", archiveFile))
        headerWriteFailed(job);
}

void makeFileId(const char* prefix, const char* path, uint32_t nameOffset, char out[kIdBufferSize]) {
    // The name part must stay inside the path, whatever offset the table carried.
    std::size_t pathLen = strnlen(path, kNameBufferSize);
    const char* name = nameOffset <= pathLen ? path + nameOffset : "";
    std::snprintf(out, kIdBufferSize, "%s%s", prefix ? prefix : "", name);
    sanitiseIdentifier(out);
}

void makeNumFilesName(const char* archiveName, char out[kNumFilesNameSize]) {
    char name[kIdBufferSize];
    copyCapped(name, sizeof name, archiveName);
    sanitiseIdentifier(name);
    std::snprintf(out, kNumFilesNameSize, "%s_NUM_FILES", name);
}

void writeMemberLine(BuildJob* job) {
    if (!job->headerFile) return;
    const BuildRecord& rec = job->list[job->current];
    std::size_t pathLen = strnlen(rec.path, kNameBufferSize);
    const char* name = rec.nameOffset <= pathLen ? rec.path + rec.nameOffset : "";
    char fileId[kIdBufferSize];
    char comment[kIdBufferSize];
    makeFileId(job->prefix, rec.path, rec.nameOffset, fileId);
    std::snprintf(comment, sizeof comment, "%s%s", job->prefix ? job->prefix : "", name);
    if (!textPrintf(job->headerFile, "#define %s\t(%d) \t/* %s */\n", fileId, static_cast<int>(rec.index),
                    comment))
        headerWriteFailed(job);
}

void writeClosingBlock(BuildJob* job) {
    if (!job->headerFile) return;
    char name[kNumFilesNameSize];
    makeNumFilesName(job->archiveName, name);
    bool ok = textPrintf(job->headerFile,
                         "\n/* number of inside files */\n#define %s\t(%d)\n/*\n"
                         " * It uses for calculation macros, such as \"size of BXA partition \n"
                         " * information\".\n"
                         " * zyn_qsdf.h : QSDF_CALC_PTINFO_SIZE or QSDF_CALC_PTINFO_FMGL_SIZE\n */\n",
                         name, static_cast<int>(job->entryCount));
    if (!ok) headerWriteFailed(job);
}

void writeLogLine(BuildJob* job) {
    if (!job->logFile) return;
    char name[kNameBufferSize];
    archiveFileNameOf(job->archiveName, name);
    if (!textPrintf(job->logFile, "%s %d %d\n", name, 0, static_cast<int>(job->writeOffset))) {
        logFileNameOf(job->archiveName, job->logName, name);
        jobFault(job, "write error in log file. %s\n", name);
    }
}
