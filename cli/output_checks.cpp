#include "cli/output_checks.h"

#include "cli/pack_options.h"
#include "engine/output_names.h"
#include "platform/output_files.h"

namespace {

bool fail(std::string* error, const std::string& name, const std::string& why) {
    *error = name + ": " + why;
    return false;
}

// Finds the file an output name stands for and whether it may be replaced.
bool resolve(OutputFile* out, std::string* error) {
    if (out->name.empty()) return fail(error, "''", "an output file needs a name");
    platform::OutputTarget found;
    std::string why;
    if (!platform::resolveOutput(out->name, &found, &why)) return fail(error, out->name, why);
    out->target = found.target;
    out->exists = found.exists;
    out->mode = found.mode;
    out->device = found.device;
    out->inode = found.id;
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

const FileIdentity* sameFileIn(const std::vector<FileIdentity>& among, uint64_t device, uint64_t inode) {
    for (const FileIdentity& f : among)
        if (f.device == device && f.inode == inode) return &f;
    return nullptr;
}

std::vector<FileIdentity> existingOutputs(const PackOutputs& outputs) {
    std::vector<FileIdentity> found;
    for (OutputFile out : {outputs.archive, outputs.header, outputs.log}) {
        std::string error;
        if (resolve(&out, &error) && out.exists) found.push_back(FileIdentity{out.device, out.inode});
    }
    return found;
}

bool checkOutputs(PackOutputs* outputs, const std::vector<FileIdentity>& inputs,
                  const std::function<std::string(std::size_t)>& labelOf, std::string* error) {
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
        if (const FileIdentity* input = sameFileIn(inputs, out->device, out->inode))
            return fail(error, out->name,
                        "is the same file as " + labelOf(static_cast<std::size_t>(input - inputs.data())) +
                            "; it would be overwritten");
    }
    return true;
}
