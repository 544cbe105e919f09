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

// Appends `src` to the text of `dst`, which holds `len` bytes, up to the last byte of a
// kIdBufferSize buffer, as snprintf into that buffer would; returns the new length.
std::size_t appendCapped(char* dst, std::size_t len, const char* src) {
    while (*src && len + 1 < static_cast<std::size_t>(kIdBufferSize))
        dst[len++] = *src++;
    dst[len] = '\0';
    return len;
}

// Appends `count` bytes of text, each line feed stored as CR LF.
std::size_t appendText(char* out, std::size_t n, const char* text, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        if (text[i] == '\n') out[n++] = '\r';
        out[n++] = text[i];
    }
    return n;
}

// The decimal digits of `value` with a leading '-' when negative, as %d writes them.
std::size_t formatDecimal(int value, char* out) {
    char reversed[12];
    std::size_t n = 0;
    // Unsigned arithmetic reaches the magnitude of the most negative value too.
    unsigned magnitude = value < 0 ? 0u - static_cast<unsigned>(value) : static_cast<unsigned>(value);
    do {
        reversed[n++] = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude);
    std::size_t len = 0;
    if (value < 0) out[len++] = '-';
    while (n)
        out[len++] = reversed[--n];
    return len;
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
    // Cut to the buffer as "%s%s" would be, without a formatter: each member spells one.
    appendCapped(out, appendCapped(out, 0, prefix ? prefix : ""), name);
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
    // Tens of thousands of members make this line hot, so it is put together by
    // hand; the text is the one "#define %s\t(%d) \t/* %s */\n" gives, with the
    // comment cut to its 256-byte buffer like the FileID.
    char comment[kIdBufferSize];
    std::size_t commentLen = appendCapped(comment, 0, job->prefix ? job->prefix : "");
    commentLen = appendCapped(comment, commentLen, name);
    // The FileID is the same capped text, sanitised (makeFileId).
    char fileId[kIdBufferSize];
    std::memcpy(fileId, comment, commentLen + 1);
    sanitiseIdentifier(fileId);
    char line[2 * (3 * kIdBufferSize)];
    std::size_t n = 0;
    n = appendText(line, n, "#define ", 8);
    n = appendText(line, n, fileId, commentLen);
    n = appendText(line, n, "\t(", 2);
    char digits[16];
    std::size_t digitCount = formatDecimal(static_cast<int>(rec.index), digits);
    n = appendText(line, n, digits, digitCount);
    n = appendText(line, n, ") \t/* ", 6);
    n = appendText(line, n, comment, commentLen);
    n = appendText(line, n, " */\n", 4);
    if (engineFileOps().write(line, n, job->headerFile) != n) headerWriteFailed(job);
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
