#pragma once
// How paths are written on this system.

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

} // namespace platform
