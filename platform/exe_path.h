#pragma once
#include <string>

namespace platform {

// Folder of the running executable, with a trailing '/'; empty when it cannot be found.
std::string executableDir();

// The named file beside the executable (the settings file lives there).
std::string fileBesideExecutable(const char* fileName);

} // namespace platform
