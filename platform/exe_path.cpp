#include "platform/exe_path.h"

#include <climits>
#include <unistd.h>

namespace platform {

std::string executableDir() {
    char buf[PATH_MAX];
    ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return std::string();
    std::string path(buf, static_cast<size_t>(n));
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string fileBesideExecutable(const char* fileName) {
    return executableDir() + fileName;
}

} // namespace platform
