#pragma once
// The settings file: where it lives, reading it at start-up and writing it at exit.
#include <string>

#include "platform/file_replace.h"

class ProjectStore;

const char* SettingsFileName(); // "Corvane.ini"

// Where the settings file is read from and saved to. Beside the executable when the
// file there may be read and written, or when there is none and that folder may be
// written and is no system program folder. Otherwise (an installed program) in
// "corvane" under the user's config
// folder: read from there when that file exists or none sits beside the executable
// (a read-only one beside it is read until the user has saved settings of their own),
// and always saved there. `save` is empty when there is nowhere to save.
struct SettingsFilePaths {
    std::string read;
    std::string save;
};
SettingsFilePaths LocateSettingsFile(const std::string& programDir, const std::string& configDir);
SettingsFilePaths LocateSettingsFile(); // for the running executable and user

// Applies the file's first block when it is ours; false when nothing was applied.
bool LoadSettingsFile(ProjectStore* store, const std::string& path);

// Writes the block to `path` (creating its folder) without ever destroying the old file:
// see platform::replaceFile for what is refused and how.
platform::ReplaceResult SaveSettingsFile(const ProjectStore* store, const std::string& path);
