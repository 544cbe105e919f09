#include "engine/output_names.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

// The job keeps the archive name in a buffer of this size, so longer names are cut here too.
constexpr std::size_t kArchiveNameSize = 260;
constexpr std::size_t kBaseNameSize = 256;

void sideName(const char* archiveName, const char* given, const char* extension, char out[kNameBufferSize]) {
    std::memset(out, 0, kNameBufferSize);
    if (given) {
        std::snprintf(out, kNameBufferSize, "%s", given);
        return;
    }
    char base[kBaseNameSize];
    archiveBaseName(archiveName, base);
    std::snprintf(out, kNameBufferSize, "%s%s", base, extension);
}

} // namespace

void trimControlTail(char* text) {
    std::size_t n = std::strlen(text);
    if (n > 0 && static_cast<unsigned char>(text[n - 1]) >= 0x01 &&
        static_cast<unsigned char>(text[n - 1]) <= 0x1F)
        text[n - 1] = '\0';
}

void archiveBaseName(const char* archiveName, char out[kBaseNameSize]) {
    std::size_t n = strnlen(archiveName, kArchiveNameSize - 1);
    n = std::min(n, std::strcspn(archiveName, "."));
    if (n >= kBaseNameSize) n = kBaseNameSize - 1;
    std::memcpy(out, archiveName, n);
    out[n] = '\0';
}

void archiveFileNameOf(const char* archiveName, char out[kNameBufferSize]) {
    std::memset(out, 0, kNameBufferSize);
    std::size_t n = strnlen(archiveName, kArchiveNameSize - 1);
    if (std::memchr(archiveName, '.', n)) {
        std::memcpy(out, archiveName, n < kNameBufferSize ? n : kNameBufferSize - 1);
    } else {
        char base[kBaseNameSize];
        archiveBaseName(archiveName, base);
        std::snprintf(out, kNameBufferSize, "%s.bxa", base);
    }
    trimControlTail(out);
}

void headerFileNameOf(const char* archiveName, const char* headerName, char out[kNameBufferSize]) {
    sideName(archiveName, headerName, ".h", out);
}

void logFileNameOf(const char* archiveName, const char* logName, char out[kNameBufferSize]) {
    sideName(archiveName, logName, ".crg", out);
}
