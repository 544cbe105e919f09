// What the reading commands share: opening an archive, usage errors, dates.
#include <cstdio>

#include "cli/commands.h"

int usageError(const std::string& command, const std::string& message) {
    std::fprintf(stderr, "bxa: %s\nTry 'bxa %s --help'\n", message.c_str(), command.c_str());
    return kExitUsage;
}

bool openArchive(const std::string& path, int64_t alignment, OpenedArchive* archive, std::FILE* out,
                 const char* linePrefix) {
    std::string error;
    if (!archive->file.open(path, &error) || !archive->reader.open(archive->source, alignment, &error)) {
        std::fprintf(stderr, "bxa: %s: %s\n", path.c_str(), error.c_str());
        return false;
    }
    for (const ArchiveProblem& p : archive->reader.problems())
        std::fprintf(out, "%s%s: %s\n", linePrefix, path.c_str(), p.text.c_str());
    return true;
}

std::string recordDate(const MemberRecord& r) {
    char text[64];
    std::snprintf(text, sizeof text, "%04u/%02u/%02u %02u:%02u:%02u", r.year, r.month, r.day, r.hour,
                  r.minute, r.second);
    return text;
}
