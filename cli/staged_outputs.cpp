#include "cli/staged_outputs.h"

StagedOutputs::~StagedOutputs() {
    discard();
}

bool StagedOutputs::create(const PackOutputs& outputs, std::string* error) {
    const OutputFile* files[] = {&outputs.archive, &outputs.header, &outputs.log};
    platform::StagedFiles::setStopMessage("bxa: building " + outputs.archive.name +
                                          " stopped; the previous files are left as they were\n");
    for (const OutputFile* file : files) {
        std::string why;
        if (!staged_.add(file->target, file->exists, file->mode, &why)) {
            *error = file->name + ": " + why;
            return false;
        }
    }
    return true;
}

bool StagedOutputs::commit(std::string* error) {
    std::string failed, why;
    if (staged_.commit(&failed, &why)) return true;
    *error = failed + ": cannot replace it: " + why;
    return false;
}

void StagedOutputs::abandon(int status) {
    platform::StagedFiles::abandon(status);
}

void StagedOutputs::discard() {
    staged_.discard();
}
