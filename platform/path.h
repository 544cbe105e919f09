#pragma once
// How paths are written on this system.
#include <cstddef>
#include <string>

namespace platform {

#ifdef _WIN32
// The separator the program writes, and the only one the header-name rules look for.
constexpr char kPathSeparator = '\\';
#else
constexpr char kPathSeparator = '/';
#endif

// Whether `c` separates folder and name when a path is opened: Windows takes '/' as
// well as its own backslash.
constexpr bool isPathSeparator(char c) {
#ifdef _WIN32
    return c == '\\' || c == '/';
#else
    return c == '/';
#endif
}

// Whether the path names its place without the current folder's help: from the root,
// and on Windows also anything with a drive ("C:\a", and "C:a", which no folder can prefix).
inline bool isAbsolutePath(const std::string& path) {
#ifdef _WIN32
    if (path.size() >= 2 && path[1] == ':') return true;
#endif
    return !path.empty() && isPathSeparator(path[0]);
}

// Position of the first separator at or after `from`, or npos.
inline std::size_t findPathSeparator(const std::string& path, std::size_t from = 0) {
    for (std::size_t i = from; i < path.size(); ++i)
        if (isPathSeparator(path[i])) return i;
    return std::string::npos;
}

// Position of the last separator, or npos.
inline std::size_t findLastPathSeparator(const std::string& path) {
    for (std::size_t i = path.size(); i > 0; --i)
        if (isPathSeparator(path[i - 1])) return i - 1;
    return std::string::npos;
}

} // namespace platform
