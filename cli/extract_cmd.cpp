// bxa extract: members back into files of one folder, under their recorded
// names and dates, never outside that folder.
#include <cstdio>
#include <set>

#include "cli/arguments.h"
#include "cli/commands.h"
#include "engine/build_job.h"
#include "platform/file_time.h"
#include "platform/output_folder.h"

namespace {

// Why the recorded name cannot be a file name here; empty when it can.
std::string unsafeName(const std::string& name) {
    if (name.empty()) return "the name is empty";
    if (name == "." || name == "..") return "the name '" + name + "' is not a file name";
    if (name.find_first_of("/\\") != std::string::npos) return "the name holds a path separator";
    for (unsigned char c : name) {
        if (c < 0x20 || c == 0x7F) {
            char text[48];
            std::snprintf(text, sizeof text, "the name holds the control byte 0x%02x", c);
            return text;
        }
    }
    return "";
}

bool parseIndex(const std::string& text, uint32_t* out) {
    if (text.empty() || text.size() > 5) return false;
    uint32_t v = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        v = v * 10 + static_cast<uint32_t>(c - '0');
    }
    if (v >= kMaxEntries) return false;
    *out = v;
    return true;
}

int64_t fileTimeOf(const MemberRecord* m) {
    int64_t when = -1;
    if (!m || !m->hasDate()) return when;
    platform::LocalTime t;
    t.year = m->year;
    t.month = m->month;
    t.day = m->day;
    t.hour = m->hour;
    t.minute = m->minute;
    t.second = m->second;
    return platform::fromLocalTime(t, &when) ? when : -1;
}

} // namespace

void printExtractUsage(std::FILE* out) {
    std::fputs("Usage: bxa extract [-C DIR] [-f] ARCHIVE [INDEX...]\n"
               "Write members of a BXA archive (all used indexes by default) into DIR, each\n"
               "under its recorded name and with its recorded date.\n"
               "\n"
               "  -C, --directory DIR  the folder to write into (default: the current one)\n"
               "  -f, --force          replace existing regular files\n"
               "  -h, --help           show this help and exit\n"
               "\n"
               "A name that is empty, '.' or '..', holds '/', '\\' or a control byte, or was\n"
               "taken earlier in the run is written as INDEX.bin instead. Nothing is written\n"
               "outside DIR, no link is followed and no file is replaced without -f.\n"
               "Exit status: 0 all written as recorded, 1 a member was renamed, skipped or\n"
               "damaged, 2 bad usage.\n",
               out);
}

int extractCommand(const std::vector<std::string>& args) {
    std::string dir = ".";
    bool force = false, help = false;
    std::vector<std::string> operands;
    std::string error;
    const std::vector<CliOption> options = {
        {'C', "directory", true}, {'f', "force", false}, {'h', "help", false}};
    if (!parseCommandLine(
            args, options,
            [&](int id, const std::string& value, std::string* err) {
                if (id == 'C') {
                    if (value.empty()) {
                        *err = "empty folder name for -C/--directory";
                        return false;
                    }
                    dir = value;
                }
                if (id == 'f') force = true;
                if (id == 'h') help = true;
                return true;
            },
            &operands, &error))
        return usageError("extract", error);
    if (help) {
        printExtractUsage(stdout);
        return kExitOk;
    }
    if (operands.empty()) return usageError("extract", "missing ARCHIVE");
    std::vector<uint32_t> chosen;
    for (std::size_t k = 1; k < operands.size(); ++k) {
        uint32_t index;
        if (!parseIndex(operands[k], &index))
            return usageError("extract", "invalid INDEX '" + operands[k] + "' (0 to 65534)");
        chosen.push_back(index);
    }

    const std::string& path = operands[0];
    OpenedArchive archive;
    if (!openArchive(path, kInferAlignment, &archive, stderr, "bxa: ")) return kExitDiffers;
    const ArchiveReader& r = archive.reader;
    if (operands.size() == 1) chosen = r.usedIndexes();

    platform::OutputFolder folder;
    if (!folder.open(dir, &error)) {
        std::fprintf(stderr, "bxa: %s\n", error.c_str());
        return kExitDiffers;
    }
    int status = r.isSound() ? kExitOk : kExitDiffers;
    std::set<std::string> taken;
    std::set<uint32_t> done;
    for (uint32_t i : chosen) {
        if (!done.insert(i).second) continue;
        if (i >= r.entryCount() || !r.isUsed(i)) {
            std::fprintf(stderr, "bxa: %s: index %u holds no member\n", path.c_str(), i);
            status = kExitDiffers;
            continue;
        }
        if (!r.isReadable(i)) {
            std::fprintf(stderr, "bxa: %s: index %u not extracted: its data is damaged\n", path.c_str(), i);
            status = kExitDiffers;
            continue;
        }
        const MemberRecord* m = r.record(i);
        std::string why = m ? unsafeName(m->name) : "the attribute table cannot be read";
        if (why.empty() && taken.count(m->name))
            why = "the name '" + m->name + "' is taken earlier in this run";
        const std::string name = why.empty() ? m->name : std::to_string(i) + ".bin";
        if (!why.empty()) status = kExitDiffers;
        if (!taken.insert(name).second) {
            std::fprintf(stderr, "bxa: %s: index %u not extracted: %s (%s) is taken earlier in this run\n",
                         path.c_str(), i, name.c_str(), why.c_str());
            status = kExitDiffers;
            continue;
        }
        bool ok =
            folder.begin(name, force, &error) &&
            r.readMember(
                i, [&](const unsigned char* data, std::size_t n) { return folder.write(data, n, &error); },
                &error) &&
            error.empty() && folder.commit(fileTimeOf(m), &error);
        if (!ok) {
            folder.abort();
            std::fprintf(stderr, "bxa: %s: index %u not extracted: %s\n", path.c_str(), i, error.c_str());
            error.clear();
            status = kExitDiffers;
            continue;
        }
        if (why.empty())
            std::printf("%u %s\n", i, name.c_str());
        else
            std::printf("%u %s (%s)\n", i, name.c_str(), why.c_str());
    }
    return status;
}
