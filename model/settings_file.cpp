#include "model/settings_file.h"

#include "model/project_store.h"
#include "platform/exe_path.h"
#include "platform/file_access.h"
#include "platform/user_dirs.h"

const char* SettingsFileName() {
    return "Corvane.ini";
}

SettingsFilePaths LocateSettingsFile(const std::string& programDir, const std::string& configDir) {
    const std::string beside = programDir.empty() ? std::string() : programDir + SettingsFileName();
    const bool besideExists = !beside.empty() && platform::pathKind(beside) != platform::PathKind::Missing;
    const bool besideUsable = besideExists ? platform::fileIsReadWrite(beside)
                                           : !beside.empty() && platform::folderIsWritable(programDir) &&
                                                 !platform::isSystemProgramFolder(programDir);
    if (besideUsable) return {beside, beside};

    const std::string own = configDir.empty() ? std::string() : configDir + "/corvane/" + SettingsFileName();
    const bool ownExists = !own.empty() && platform::pathKind(own) != platform::PathKind::Missing;
    return {ownExists || !besideExists ? own : beside, own};
}

SettingsFilePaths LocateSettingsFile() {
    return LocateSettingsFile(platform::executableDir(), platform::userConfigDir());
}

bool LoadSettingsFile(ProjectStore* store, const std::string& path) {
    if (!store || path.empty()) return false;
    // Only the first block counts; a longer file is ours when that block is.
    unsigned char image[kSettingsSize];
    const long size = platform::readFileStart(path, image, sizeof image);
    if (size < 0 || !ProjectStore::IsSettingsImage(image, size_t(size))) return false;
    store->LoadSettings(image, size_t(size));
    return true;
}

platform::ReplaceResult SaveSettingsFile(const ProjectStore* store, const std::string& path) {
    if (!store || path.empty()) return {platform::ReplaceResult::Failed, "no place for the settings file"};
    unsigned char image[kSettingsSize];
    store->SaveSettings(image);
    const std::string folder = platform::folderOf(path);
    if (platform::pathKind(folder) == platform::PathKind::Missing && !platform::makeFolders(folder))
        return {platform::ReplaceResult::Failed, "the folder " + folder + " cannot be created"};
    return platform::replaceFile(path, image, sizeof image);
}
