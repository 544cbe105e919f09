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

bool isSystemProgramFolder(const std::string& dir) {
    std::string folder = dir;
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    for (const char* system : {"/bin", "/sbin", "/usr/bin", "/usr/sbin", "/usr/games", "/usr/local/bin",
                               "/usr/local/sbin", "/usr/local/games"})
        if (folder == system) return true;
    return false;
}

} // namespace platform
