#pragma once
#include <string>

namespace platform {

// The user's folder for program settings, without a trailing '/': $XDG_CONFIG_HOME when
// it is set to an absolute path, otherwise .config in the home folder ($HOME, or the
// account's when that is unset). Empty when there is none.
std::string userConfigDir();

// Creates `path` and any missing folders above it; new folders are private to the user.
// True when it exists as a folder afterwards.
bool makeFolders(const std::string& path);

} // namespace platform
