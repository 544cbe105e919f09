#include "cli/output_checks.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

#include "cli/pack_options.h"
#include "engine/output_names.h"

namespace {

bool fail(std::string* error, const std::string& name, const std::string& why) {
    *error = name + ": " + why;
    return false;
}

std::string folderOf(const std::string& path) {
    std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string realPath(const std::string& path) {
    char resolved[PATH_MAX];
    return ::realpath(path.c_str(), resolved) ? std::string(resolved) : std::string();
}

// Finds the file an output name stands for and whether it may be replaced.
bool resolve(OutputFile* out, std::string* error) {
    if (out->name.empty()) return fail(error, "''", "an output file needs a name");
    const std::string& name = out->name;
    if (name.back() == '/') return fail(error, name, "names a folder, not a file");
    struct stat st {};
    if (::lstat(name.c_str(), &st) == 0) {
        std::string real = realPath(name);
        if (real.empty()) return fail(error, name, std::string("cannot follow it: ") + std::strerror(errno));
        if (::stat(real.c_str(), &st) != 0) return fail(error, name, std::strerror(errno));
        if (!S_ISREG(st.st_mode)) return fail(error, name, "exists and is not a regular file");
        // A file its owner keeps from being written is not replaced behind their back.
        if (::access(real.c_str(), W_OK) != 0) return fail(error, name, std::strerror(errno));
        out->target = real;
        out->exists = true;
        out->mode = static_cast<uint32_t>(st.st_mode & 07777);
        out->device = static_cast<uint64_t>(st.st_dev);
        out->inode = static_cast<uint64_t>(st.st_ino);
    } else if (errno != ENOENT) {
        return fail(error, name, std::strerror(errno));
    } else {
        std::string folder = realPath(folderOf(name));
        if (folder.empty()) return fail(error, name, "its folder does not exist");
        std::string base = name.substr(name.rfind('/') == std::string::npos ? 0 : name.rfind('/') + 1);
        out->target = (folder == "/" ? "" : folder) + "/" + base;
    }
    // The new file is made beside its target and renamed over it.
    std::string folder = folderOf(out->target);
    struct stat fst {};
    if (::stat(folder.c_str(), &fst) != 0 || !S_ISDIR(fst.st_mode))
        return fail(error, name, "its folder does not exist");
    if (::access(folder.c_str(), W_OK | X_OK) != 0) return fail(error, name, "its folder cannot be written");
    return true;
}

} // namespace

PackOutputs outputNamesOf(const PackOptions& options) {
    char name[kNameBufferSize];
    PackOutputs outputs;
    const char* archive = options.archive.c_str();
    archiveFileNameOf(archive, name);
    outputs.archive.name = name;
    headerFileNameOf(archive, options.headerName.empty() ? nullptr : options.headerName.c_str(), name);
    outputs.header.name = name;
    logFileNameOf(archive, options.logName.empty() ? nullptr : options.logName.c_str(), name);
    outputs.log.name = name;
    return outputs;
}

bool checkOutputs(PackOutputs* outputs, const std::vector<InputFile>& inputs, std::string* error) {
    OutputFile* all[] = {&outputs->archive, &outputs->header, &outputs->log};
    static const char* const kRoles[] = {"archive", "header", "log"};
    for (OutputFile* out : all)
        if (!resolve(out, error)) return false;
    for (int i = 0; i < 3; ++i) {
        for (int k = i + 1; k < 3; ++k)
            if (all[i]->target == all[k]->target ||
                (all[i]->exists && all[k]->exists && all[i]->device == all[k]->device &&
                 all[i]->inode == all[k]->inode))
                return fail(error, all[k]->name,
                            std::string("the ") + kRoles[k] + " would be the same file as the " + kRoles[i] +
                                " " + all[i]->name);
    }
    for (OutputFile* out : all) {
        if (!out->exists) continue;
        for (const InputFile& in : inputs) {
            if (in.device == out->device && in.inode == out->inode)
                return fail(error, out->name,
                            "is the same file as " + in.label + "; it would be overwritten");
        }
    }
    return true;
}
