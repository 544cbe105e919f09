#pragma once
#include <string>

namespace platform {

// Folder of the running executable, with a trailing '/'; empty when it cannot be found.
std::string executableDir();

// The named file beside the executable (the settings file lives there).
std::string fileBesideExecutable(const char* fileName);

// One of the system's folders for installed programs (/usr/bin and the like). A program
// there is installed for every user and keeps nothing of its own beside itself, even
// when started by root, who could write there.
bool isSystemProgramFolder(const std::string& dir);

} // namespace platform
