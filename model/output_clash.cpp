#include "model/output_clash.h"

#include <cstring>
#include <vector>

#include "engine/output_names.h"
#include "platform/file_access.h"
#include "platform/output_files.h"

std::string OutputOverwritingMember(const BuildJob& job) {
    struct Existing {
        std::string name;
        uint64_t device, id;
    };
    std::vector<Existing> existing;
    char name[kNameBufferSize];
    for (int place = 0; place < 3; ++place) {
        if (place == 0)
            archiveFileNameOf(job.archiveName, name);
        else if (place == 1 && (job.outputFlags & kOutputHeader))
            headerFileNameOf(job.archiveName, job.headerName, name);
        else if (place == 2 && (job.outputFlags & kOutputLog))
            logFileNameOf(job.archiveName, job.logName, name);
        else
            continue;
        platform::OutputTarget target;
        std::string why;
        // An output that cannot be made fails the build at its open step, destroying nothing.
        if (platform::resolveOutput(name, &target, &why) && target.exists)
            existing.push_back({name, target.device, target.id});
    }
    if (existing.empty()) return "";
    platform::FileLookup lookup;
    for (uint32_t k = 0; k < job.memberCount; ++k) {
        // The member the engine will open: its path less a trailing control byte.
        std::string path = job.list[k].path;
        trimControlTail(path.data());
        path.resize(std::strlen(path.c_str()));
        platform::FileFacts facts;
        std::string why;
        if (!lookup.find(path, &facts, &why)) continue;
        for (const Existing& e : existing)
            if (facts.device == e.device && facts.id == e.id) return e.name;
    }
    return "";
}
