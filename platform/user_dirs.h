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
// current folder when there is no home ("c:\\noname" on Windows, where people keep
// their data on drives rather than in a home folder).
std::string defaultArchivePath();

// The two folders the Options dialog always offers below the remembered ones, in the
// order it adds them: where a user starts looking for data on this system (the root
// and the home folder; the first two drives on Windows).
std::string firstFixedFolder();
std::string secondFixedFolder();

// Creates `path` and any missing folders above it; new folders are private to the user.
// True when it exists as a folder afterwards.
bool makeFolders(const std::string& path);

} // namespace platform
