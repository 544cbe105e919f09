#include "platform/user_dirs.h"

#include <cerrno>
#include <cstdlib>

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/file_access.h"

namespace platform {

std::string userHomeDir() {
    std::string home;
    if (const char* env = std::getenv("HOME"); env && env[0] == '/') {
        home = env;
    } else if (const passwd* account = ::getpwuid(::geteuid()); account && account->pw_dir) {
        home = account->pw_dir;
    }
    if (home.empty() || home[0] != '/') return std::string();
    while (home.size() > 1 && home.back() == '/')
        home.pop_back();
    return home;
}

std::string userConfigDir() {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    if (config && config[0] == '/') return config;
    const std::string home = userHomeDir();
    if (home.empty()) return std::string();
    return (home == "/" ? std::string() : home) + "/.config";
}

std::string defaultArchivePath() {
    const std::string home = userHomeDir();
    if (home.empty()) return "noname";
    return (home == "/" ? std::string() : home) + "/noname";
}

std::string firstFixedFolder() {
    return "/";
}

std::string secondFixedFolder() {
    return userHomeDir();
}

bool makeFolders(const std::string& path) {
    if (path.empty()) return false;
    for (size_t at = path.find('/', 1);; at = path.find('/', at + 1)) {
        const std::string part = at == std::string::npos ? path : path.substr(0, at);
        if (pathKind(part) == PathKind::Missing) {
            // Held to the same rules as every other write, root included.
            if (!folderIsWritable(folderOf(part)) || (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST))
                return false;
        }
        if (at == std::string::npos) break;
    }
    return pathKind(path) == PathKind::Folder;
}

} // namespace platform
