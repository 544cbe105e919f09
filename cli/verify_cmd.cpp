// bxa verify: the archive is sound, and holds what its sources and header say.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>

#include "cli/arguments.h"
#include "cli/commands.h"
#include "cli/pack_options.h"
#include "engine/header_output.h"
#include "engine/member_attributes.h"

namespace {

constexpr uint64_t kMaxHeaderBytes = 64u << 20;

struct Report {
    std::string archive;
    int problems = 0;
    void operator()(const std::string& text) {
        std::printf("%s: %s\n", archive.c_str(), text.c_str());
        ++problems;
    }
};

std::string num(uint64_t v) {
    return std::to_string(v);
}

// The bytes of `path` against index `i`; reads both in step, never the whole file at once.
void compareData(const ArchiveReader& r, uint32_t i, const std::string& path, Report& report) {
    const std::string at = "index " + num(i) + ": ";
    platform::ReadOnlyFile file;
    std::string error;
    if (!file.open(path, &error)) return report(at + path + ": " + error);
    if (file.size() != r.entry(i).size)
        return report(at + "size " + num(r.entry(i).size) + " in the archive, " + num(file.size()) + " in " +
                      path);
    if (!r.isReadable(i)) return; // already named among the archive's problems
    uint64_t offset = 0;
    std::vector<unsigned char> mine;
    bool differs = false;
    r.readMember(
        i,
        [&](const unsigned char* data, std::size_t n) {
            mine.resize(n);
            if (!file.readAt(offset, mine.data(), n)) {
                report(at + path + ": read failed at offset " + num(offset));
                differs = true;
                return false;
            }
            if (std::memcmp(mine.data(), data, n) != 0) {
                const std::size_t k =
                    static_cast<std::size_t>(std::mismatch(data, data + n, mine.begin()).first - data);
                report(at + "the data differs from " + path + " at offset " + num(offset + k));
                differs = true;
                return false;
            }
            offset += n;
            return true;
        },
        &error);
    if (!error.empty() && !differs) report(error);
}

void compareRecord(const ArchiveReader& r, uint32_t i, const std::string& path, Report& report) {
    const MemberRecord* m = r.record(i);
    if (!m) return;
    const std::string at = "index " + num(i) + ": ";
    unsigned char field[kAttrNameSize] = {};
    attributeName(path.c_str(), field);
    const std::string name(reinterpret_cast<const char*>(field),
                           strnlen(reinterpret_cast<const char*>(field), kAttrNameSize));
    if (name != m->name) report(at + "name '" + m->name + "' in the archive, '" + name + "' from " + path);
    uint16_t f[6] = {};
    readMemberTimestamp(path.c_str(), f); // a file whose time cannot be read is recorded with zeros
    MemberRecord now;
    now.year = f[0], now.month = f[1], now.day = f[2], now.hour = f[3], now.minute = f[4], now.second = f[5];
    if (recordDate(now) != recordDate(*m))
        report(at + "date " + recordDate(*m) + " in the archive, " + recordDate(now) + " for " + path);
}

struct Define {
    std::string name;
    int64_t value;
    uint32_t line;
};

// "#define NAME<TAB>(VALUE)..." lines, as the header writer prints them.
bool readDefines(const std::string& path, std::vector<Define>* out, Report& report) {
    platform::ReadOnlyFile file;
    std::string error;
    if (!file.open(path, &error)) {
        report("header " + path + ": " + error);
        return false;
    }
    if (file.size() > kMaxHeaderBytes) {
        report("header " + path + ": " + num(file.size()) + " bytes is too large for a FILE ID header");
        return false;
    }
    std::string text(static_cast<std::size_t>(file.size()), '\0');
    if (!file.readAt(0, text.data(), text.size())) {
        report("header " + path + ": read failed");
        return false;
    }
    uint32_t lineNo = 0;
    for (std::size_t pos = 0; pos < text.size();) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(pos, end - pos);
        pos = end + 1;
        ++lineNo;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.compare(0, 8, "#define ") != 0) continue;
        const std::size_t tab = line.find('\t', 8);
        std::size_t v = tab == std::string::npos ? tab : tab + 1;
        int64_t value = -1;
        if (v != std::string::npos && v < line.size() && line[v] == '(') {
            std::size_t k = v + 1;
            value = 0;
            while (k < line.size() && line[k] >= '0' && line[k] <= '9' && value < (1 << 30))
                value = value * 10 + (line[k++] - '0');
            if (k == v + 1 || k >= line.size() || line[k] != ')') value = -1;
        }
        if (value < 0) {
            report("header line " + num(lineNo) + ": not a #define of a number: " + line);
            continue;
        }
        out->push_back({line.substr(8, tab - 8), value, lineNo});
    }
    return true;
}

void compareHeader(const ArchiveReader& r, const std::string& archive, const std::string& header,
                   Report& report) {
    std::vector<Define> defines;
    if (!readDefines(header, &defines, report)) return;
    // The entry-count name is made from the archive name handed to the build, which
    // may have been given with or without its extension.
    std::vector<std::string> countNames;
    for (const std::string& name :
         {archive, archive.size() > 4 && archive.compare(archive.size() - 4, 4, ".bxa") == 0
                       ? archive.substr(0, archive.size() - 4)
                       : archive}) {
        char text[kNumFilesNameSize];
        makeNumFilesName(name.c_str(), text);
        countNames.push_back(text);
    }
    const Define* count = nullptr;
    std::map<int64_t, std::vector<const Define*>> byValue;
    for (const Define& d : defines) {
        if (!count && std::find(countNames.begin(), countNames.end(), d.name) != countNames.end())
            count = &d;
        else
            byValue[d.value].push_back(&d);
    }
    if (!count) {
        // Another entry-count name still tells the count; name the difference.
        for (auto it = byValue.begin(); it != byValue.end() && !count; ++it)
            for (const Define* d : it->second)
                if (d->name.size() > 10 && d->name.compare(d->name.size() - 10, 10, "_NUM_FILES") == 0)
                    count = d;
        if (count) {
            report("header line " + num(count->line) + ": the entry count is named " + count->name +
                   ", not " + countNames[0]);
            auto& list = byValue[count->value];
            list.erase(std::find(list.begin(), list.end(), count));
        } else {
            report("header: no #define " + countNames[0] + " (the entry count)");
        }
    }
    if (count && count->value != r.entryCount())
        report("header line " + num(count->line) + ": " + count->name + " is " + num(count->value) +
               ", but the archive has " + num(r.entryCount()) + " entries");
    for (uint32_t i : r.usedIndexes()) {
        auto it = byValue.find(i);
        if (it == byValue.end() || it->second.empty()) {
            report("index " + num(i) + ": no #define in the header");
        } else if (it->second.size() > 1) {
            std::string names;
            for (const Define* d : it->second)
                names += (names.empty() ? "" : ", ") + d->name;
            report("index " + num(i) + ": " + num(it->second.size()) + " #defines in the header (" + names +
                   ")");
        }
    }
    for (const auto& [value, list] : byValue) {
        if (value < r.entryCount() && r.isUsed(static_cast<uint32_t>(value))) continue;
        for (const Define* d : list)
            report("header line " + num(d->line) + ": " + d->name + " is " + num(value) +
                   ", which is not a used index of the archive");
    }
}

} // namespace

void printVerifyUsage(std::FILE* out) {
    std::fputs("Usage: bxa verify [-a N] [-H HEADER] [-l LIST] ARCHIVE [FILE...]\n"
               "Check that a BXA archive is sound; with members, that each index holds exactly\n"
               "that file's bytes, name and date; with a header, that its #defines name exactly\n"
               "the used indexes and the entry count.\n"
               "\n"
               "  -a, --align N       the alignment the archive was built with (default: the one\n"
               "                      its layout fits)\n"
               "  -H, --header FILE   the FILE ID header to check against the archive\n"
               "  -l, --list FILE     members from a list file, as for bxa pack ('-': standard\n"
               "                      input); FILE arguments take the indexes 0, 1, 2... otherwise\n"
               "  -h, --help          show this help and exit\n"
               "\n"
               "One line per problem on standard output; nothing is written.\n"
               "Exit status: 0 all holds, 1 something differs, 2 bad usage or unreadable members.\n",
               out);
}

int verifyCommand(const std::vector<std::string>& args) {
    int64_t alignment = kInferAlignment;
    std::string header, list;
    bool help = false;
    std::vector<std::string> operands;
    std::string error;
    const std::vector<CliOption> options = {
        {'a', "align", true}, {'H', "header", true}, {'l', "list", true}, {'h', "help", false}};
    if (!parseCommandLine(
            args, options,
            [&](int id, const std::string& value, std::string* err) {
                uint32_t a = 0;
                switch (id) {
                case 'a':
                    if (!parseAlignment(value, &a)) {
                        *err = "invalid alignment '" + value + "' for -a/--align (0 to 2147483647)";
                        return false;
                    }
                    alignment = a;
                    return true;
                case 'H':
                case 'l':
                    if (value.empty()) {
                        *err =
                            std::string("empty file name for ") + (id == 'H' ? "-H/--header" : "-l/--list");
                        return false;
                    }
                    (id == 'H' ? header : list) = value;
                    return true;
                default:
                    help = true;
                    return true;
                }
            },
            &operands, &error))
        return usageError("verify", error);
    if (help) {
        printVerifyUsage(stdout);
        return kExitOk;
    }
    if (operands.empty()) return usageError("verify", "missing ARCHIVE");
    const std::string path = operands[0];
    const std::vector<std::string> files(operands.begin() + 1, operands.end());
    if (!list.empty() && !files.empty())
        return usageError("verify", "give members either with --list or as FILE arguments, not both");

    std::vector<Member> members;
    bool parsed = !list.empty() ? membersFromList(list, &members, &error)
                                : membersFromArguments(files, &members, &error);
    if (!parsed) {
        std::fprintf(stderr, "bxa: %s\n", error.c_str());
        return kExitUsage;
    }
    std::sort(members.begin(), members.end(),
              [](const Member& a, const Member& b) { return a.index < b.index; });

    OpenedArchive archive;
    if (!openArchive(path, alignment, &archive, stdout, "")) return kExitDiffers;
    const ArchiveReader& r = archive.reader;
    Report report{path, static_cast<int>(r.problems().size())};
    if (!members.empty()) {
        std::vector<unsigned char> listed(r.entryCount(), 0);
        for (const Member& m : members) {
            if (m.index >= r.entryCount() || !r.isUsed(m.index)) {
                report("index " + num(m.index) + ": not in the archive (" + m.path + ")");
                continue;
            }
            listed[m.index] = 1;
            compareData(r, m.index, m.path, report);
            compareRecord(r, m.index, m.path, report);
        }
        for (uint32_t i : r.usedIndexes())
            if (!listed[i]) report("index " + num(i) + ": in the archive but not among the members");
    }
    if (!header.empty()) compareHeader(r, path, header, report);
    return report.problems ? kExitDiffers : kExitOk;
}
