// The least any packer of whole files must do, to compare bxa pack against: per
// member one open, fstat, read straight into an aligned 1 MiB output buffer at the
// member's aligned place, close; one write per full MiB of output.
//
//   syscall_floor LIST OUT [ALIGNMENT]
//
// LIST names one member path per line (an "INDEX<TAB>" in front is skipped); the
// members land in OUT in list order, each padded with zeros to ALIGNMENT (default
// 2048, as an archive is), so OUT is as long as the archive's data part.
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr size_t kBufferSize = 1 << 20;

struct Output {
    int fd;
    unsigned char* buffer;
    size_t fill = 0;
    unsigned long long total = 0;

    bool flushFull() {
        if (fill < kBufferSize) return true;
        if (::write(fd, buffer, kBufferSize) != static_cast<ssize_t>(kBufferSize)) return false;
        total += kBufferSize;
        fill = 0;
        return true;
    }
    bool pad(size_t alignment) {
        if (alignment == 0) return true;
        size_t zeros = static_cast<size_t>((alignment - (total + fill) % alignment) % alignment);
        while (zeros > 0) {
            size_t n = std::min(zeros, kBufferSize - fill);
            std::memset(buffer + fill, 0, n);
            fill += n;
            zeros -= n;
            if (!flushFull()) return false;
        }
        return true;
    }
};

bool readList(const char* name, std::vector<std::string>* paths) {
    std::FILE* f = std::fopen(name, "rb");
    if (!f) return false;
    char line[4096];
    while (std::fgets(line, sizeof line, f)) {
        size_t n = std::strcspn(line, "\r\n");
        line[n] = '\0';
        if (n == 0) continue;
        const char* tab = std::strchr(line, '\t');
        paths->emplace_back(tab ? tab + 1 : line);
    }
    std::fclose(f);
    return true;
}

// Appends one member; false with errno set on any failure.
bool copyMember(const char* path, Output* out) {
    int in = ::open(path, O_RDONLY | O_CLOEXEC);
    if (in < 0) return false;
    struct stat st {};
    bool ok = ::fstat(in, &st) == 0;
    unsigned long long left = ok ? static_cast<unsigned long long>(st.st_size) : 0;
    while (ok && left > 0) {
        size_t want = static_cast<size_t>(std::min<unsigned long long>(left, kBufferSize - out->fill));
        ssize_t got = ::read(in, out->buffer + out->fill, want);
        if (got <= 0) {
            ok = got == 0;
            break;
        }
        out->fill += static_cast<size_t>(got);
        left -= static_cast<unsigned long long>(got);
        ok = out->flushFull();
    }
    ::close(in);
    return ok;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: syscall_floor LIST OUT [ALIGNMENT]\n");
        return 2;
    }
    size_t alignment = argc > 3 ? std::strtoul(argv[3], nullptr, 10) : 2048;
    std::vector<std::string> paths;
    if (!readList(argv[1], &paths)) {
        std::perror(argv[1]);
        return 1;
    }
    Output out;
    out.fd = ::open(argv[2], O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    out.buffer = static_cast<unsigned char*>(std::aligned_alloc(4096, kBufferSize));
    if (out.fd < 0 || !out.buffer) {
        std::perror(argv[2]);
        return 1;
    }
    for (const std::string& path : paths) {
        if (!copyMember(path.c_str(), &out) || !out.pad(alignment)) {
            std::perror(path.c_str());
            return 1;
        }
    }
    if (out.fill > 0 && ::write(out.fd, out.buffer, out.fill) != static_cast<ssize_t>(out.fill)) {
        std::perror(argv[2]);
        return 1;
    }
    return ::close(out.fd) == 0 ? 0 : 1;
}
