#include "cli/pack_options.h"

#include <cstring>

#include "cli/arguments.h"
#include "corvane_version.h"
#include "engine/output_names.h"
#include "model/project_store.h"
#include "platform/path.h"

namespace {

// Room in the fixed name and prefix buffers of the model and the job (terminator excluded).
constexpr size_t kMaxName = kNameBufferSize - 1;
constexpr size_t kMaxPrefix = kFolderSize - 1;
// A name without '.' gets ".bxa" appended inside the same buffer.
constexpr size_t kMaxBareArchive = kMaxName - (sizeof ".bxa" - 1);
static_assert(kNameBufferSize == kPathSize, "the job and the model keep names in buffers of one size");

constexpr int kStrict = 256;

const std::vector<CliOption> kPackOptions = {
    {'l', "list", true},   {'a', "align", true},    {'p', "prefix", true}, {'m', "names", true},
    {'H', "header", true}, {'L', "log", true},      {'q', "quiet", false}, {kStrict, "strict", false},
    {'h', "help", false},  {'V', "version", false},
};

bool applyOption(int id, const std::string& value, PackOptions* out, std::string* error) {
    switch (id) {
    case 'l':
        if (out->hasList) {
            *error = "only one list file can be given";
            return false;
        }
        if (value.empty()) {
            *error = "empty list file name";
            return false;
        }
        out->hasList = true;
        out->listFile = value;
        return true;
    case 'a':
        if (!parseAlignment(value, &out->alignment)) {
            *error = "invalid alignment '" + value + "' for -a/--align (a number of bytes, 0 to 2147483647)";
            return false;
        }
        return true;
    case 'p':
        if (value.size() > kMaxPrefix) {
            *error = "FileID prefix of " + std::to_string(value.size()) + " bytes is too long (at most 255)";
            return false;
        }
        out->prefix = value;
        return true;
    case 'm':
        if (!parseNameMode(value, &out->nameMode)) {
            *error = "invalid header-name mode '" + value + "' (only-filename, cut-overlapping or full-path)";
            return false;
        }
        return true;
    case 'H':
    case 'L': {
        std::string& target = id == 'H' ? out->headerName : out->logName;
        const char* what = id == 'H' ? "header" : "log";
        if (value.empty() || value.size() > kMaxName) {
            *error =
                std::string(value.empty() ? "empty " : "too long a ") + what + " file name (1 to 259 bytes)";
            return false;
        }
        target = value;
        return true;
    }
    case 'q':
        out->quiet = true;
        return true;
    case kStrict:
        out->strict = true;
        return true;
    case 'h':
        out->help = true;
        return true;
    case 'V':
        out->version = true;
        return true;
    default:
        return true;
    }
}

bool checkArchiveName(const std::string& name, std::string* error) {
    if (name.empty()) {
        *error = "empty archive name";
        return false;
    }
    if (platform::isPathSeparator(name.back())) {
        *error = "archive name '" + name + "' names a folder";
        return false;
    }
    size_t limit = name.find('.') == std::string::npos ? kMaxBareArchive : kMaxName;
    if (name.size() > limit) {
        *error = "archive name of " + std::to_string(name.size()) + " bytes is too long (at most " +
                 std::to_string(limit) + ")";
        return false;
    }
    return true;
}

} // namespace

bool parseAlignment(const std::string& text, uint32_t* out) {
    if (text.empty() || text.size() > 10) return false;
    uint64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + static_cast<uint64_t>(c - '0');
    }
    if (value > 2147483647u) return false;
    *out = static_cast<uint32_t>(value);
    return true;
}

bool parseNameMode(const std::string& text, uint32_t* out) {
    static const char* const kModes[] = {"only-filename", "cut-overlapping", "full-path"};
    for (uint32_t i = 0; i < 3; ++i) {
        if (text == kModes[i]) {
            *out = i;
            return true;
        }
    }
    return false;
}

std::string sideFileName(const std::string& archive, const char* extension) {
    size_t start = archive.size();
    while (start > 0 && !platform::isPathSeparator(archive[start - 1]))
        --start;
    size_t dot = archive.rfind('.');
    // A leading dot names a hidden file rather than starting an extension.
    if (dot != std::string::npos && dot > start) return archive.substr(0, dot) + extension;
    return archive + extension;
}

std::string archiveFileName(const std::string& archive) {
    char name[kNameBufferSize];
    archiveFileNameOf(archive.c_str(), name);
    return name;
}

bool parsePackOptions(const std::vector<std::string>& args, PackOptions* out, std::string* error) {
    std::vector<std::string> operands;
    if (!parseCommandLine(
            args, kPackOptions,
            [out](int id, const std::string& value, std::string* err) {
                return applyOption(id, value, out, err);
            },
            &operands, error))
        return false;
    if (out->help || out->version) return true;
    if (operands.empty()) {
        *error = "missing ARCHIVE";
        return false;
    }
    out->archive = operands[0];
    if (!checkArchiveName(out->archive, error)) return false;
    out->files.assign(operands.begin() + 1, operands.end());
    if (out->hasList && !out->files.empty()) {
        *error = "give members either with --list or as FILE arguments, not both";
        return false;
    }
    if (!out->hasList && out->files.empty()) {
        *error = "no members to pack (give FILE arguments or --list)";
        return false;
    }
    if (out->headerName.empty()) out->headerName = sideFileName(out->archive, ".h");
    if (out->logName.empty()) out->logName = sideFileName(out->archive, ".crg");
    if (out->headerName.size() > kMaxName || out->logName.size() > kMaxName) {
        *error = "header or log file name would exceed 259 bytes; give one with --header/--log";
        return false;
    }
    return true;
}

void printPackUsage(std::FILE* out) {
    std::fputs("Usage: bxa pack [options] ARCHIVE [FILE...]\n"
               "Pack files into a BXA archive, with a header of FILE ID defines and a log.\n"
               "\n"
               "  -l, --list FILE     members from a list file ('-': standard input); FILE\n"
               "                      arguments take the indexes 0, 1, 2... otherwise\n"
               "  -a, --align N       alignment in bytes (default 2048; 0 = none)\n"
               "  -p, --prefix TEXT   FileID prefix (default none)\n"
               "  -m, --names MODE    header-name mode: only-filename (default),\n"
               "                      cut-overlapping, full-path\n"
               "  -H, --header FILE   header file (default: ARCHIVE with its extension\n"
               "                      replaced by .h)\n"
               "  -L, --log FILE      log file (default: ARCHIVE with its extension\n"
               "                      replaced by .crg)\n"
               "  -q, --quiet         no progress display\n"
               "      --strict        refuse to build when a FileID is not a usable C name\n"
               "  -h, --help          show this help and exit\n"
               "  -V, --version       show the version and exit\n"
               "\n"
               "List file: one member per line, INDEX<TAB>PATH (INDEX 0 to 65534) or a bare\n"
               "PATH, which takes the index after the previous line's. Blank lines and lines\n"
               "starting with '#' are skipped. A relative PATH is resolved against the folder\n"
               "of the list file (the current folder for standard input).\n"
               "\n"
               "Exit status: 0 built without a fault; 1 the build failed or met a fault (the\n"
               "earlier outputs are left as they were); 2 bad usage, a member or output problem\n"
               "(nothing is written then); 128+N after signal N (SIGINT, SIGTERM, SIGHUP,\n"
               "SIGPIPE).\n",
               out);
}

void printVersion(std::FILE* out) {
    std::fputs("bxa (Corvane) " CORVANE_VERSION "\n", out);
}
