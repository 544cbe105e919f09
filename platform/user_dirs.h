#pragma once
#include <string>

namespace platform {

// The user's home folder without a trailing '/' ("/" for the root): $HOME when it is an
// absolute path, otherwise the account's. Empty when there is none.
std::string userHomeDir();

// The user's folder for program settings, without a trailing '/': $XDG_CONFIG_HOME when
// it is set to an absolute path, otherwise .config in the home folder ($HOME, or the
// account's when that is unset). Empty when there is none.
std::string userConfigDir();

// The archive name that the first build proposes: "noname" in the home folder, or in the
// current folder when there is no home.
std::string defaultArchivePath();

// Creates `path` and any missing folders above it; new folders are private to the user.
// True when it exists as a folder afterwards.
bool makeFolders(const std::string& path);

} // namespace platform
