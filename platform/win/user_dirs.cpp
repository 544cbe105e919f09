#include "platform/user_dirs.h"

#include <cstdlib>
#include <windows.h>

#include "platform/path.h"

namespace platform {

std::string userConfigDir() {
    // The roaming application-data folder, where programs keep their users' settings.
    const char* appData = std::getenv("APPDATA");
    if (!appData || !*appData || !isAbsolutePath(appData)) return std::string();
    std::string dir = appData;
    while (dir.size() > 3 && isPathSeparator(dir.back()))
        dir.pop_back();
    return dir;
}

std::string defaultArchivePath() {
    return "c:\\noname";
}

std::string firstFixedFolder() {
    return "C:\\";
}

std::string secondFixedFolder() {
    return "D:\\";
}

bool makeFolders(const std::string& path) {
    if (path.empty()) return false;
    for (size_t at = findPathSeparator(path, 1); at != std::string::npos;
         at = findPathSeparator(path, at + 1)) {
        const std::string part = path.substr(0, at);
        if (part.size() == 2 && part[1] == ':') continue; // the drive itself
        ::CreateDirectoryA(part.c_str(), nullptr);
    }
    ::CreateDirectoryA(path.c_str(), nullptr);
    DWORD attributes = ::GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

} // namespace platform
