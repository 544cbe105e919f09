// bxa list: the used indexes of an archive with their places, sizes, dates and names.
#include <cstdio>

#include "cli/arguments.h"
#include "cli/commands.h"
#include "platform/file_access.h"

namespace {

constexpr int kJson = 256;

// Control bytes would break the one-line-per-member promise; they are shown escaped.
std::string printableName(const std::string& name) {
    std::string out;
    for (unsigned char c : name) {
        if (c < 0x20 || c == 0x7F) {
            char esc[8];
            std::snprintf(esc, sizeof esc, "\\x%02x", c);
            out += esc;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

// Length of the valid UTF-8 sequence at `p` (at most `n` bytes), 0 when there is none.
std::size_t utf8Length(const unsigned char* p, std::size_t n) {
    const unsigned char c = p[0];
    std::size_t len;
    uint32_t cp;
    if (c < 0x80) return 1;
    if (c >= 0xC2 && c <= 0xDF) {
        len = 2;
        cp = c & 0x1F;
    } else if (c >= 0xE0 && c <= 0xEF) {
        len = 3;
        cp = c & 0x0F;
    } else if (c >= 0xF0 && c <= 0xF4) {
        len = 4;
        cp = c & 0x07;
    } else {
        return 0;
    }
    if (len > n) return 0;
    for (std::size_t k = 1; k < len; ++k) {
        if ((p[k] & 0xC0) != 0x80) return 0;
        cp = cp << 6 | (p[k] & 0x3F);
    }
    const bool overlong = (len == 3 && cp < 0x800) || (len == 4 && cp < 0x10000);
    const bool surrogate = cp >= 0xD800 && cp <= 0xDFFF;
    return overlong || surrogate || cp > 0x10FFFF ? 0 : len;
}

// A JSON string. Bytes that are not UTF-8 become \udcXX, the code unit that
// surrogate escaping gives them, so a reader can get the exact bytes back.
std::string jsonString(const std::string& text) {
    std::string out = "\"";
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    for (std::size_t i = 0; i < text.size();) {
        const unsigned char c = p[i];
        char esc[8];
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
            ++i;
        } else if (c < 0x20 || c == 0x7F) {
            std::snprintf(esc, sizeof esc, "\\u%04x", c);
            out += esc;
            ++i;
        } else if (std::size_t len = utf8Length(p + i, text.size() - i)) {
            out.append(text, i, len);
            i += len;
        } else {
            std::snprintf(esc, sizeof esc, "\\udc%02x", c);
            out += esc;
            ++i;
        }
    }
    return out + "\"";
}

std::string jsonDate(const MemberRecord& r) {
    if (!r.hasDate()) return "null";
    char text[40];
    std::snprintf(text, sizeof text, "\"%04u-%02u-%02uT%02u:%02u:%02u\"", r.year, r.month, r.day, r.hour,
                  r.minute, r.second);
    return text;
}

} // namespace

void printListUsage(std::FILE* out) {
    std::fputs("Usage: bxa list [--json] ARCHIVE\n"
               "List the members of a BXA archive: index, offset, size, date, time and name.\n"
               "\n"
               "      --json   one JSON array of objects with index, offset, size, date\n"
               "               (ISO 8601 local time, null when none) and name\n"
               "  -h, --help   show this help and exit\n"
               "\n"
               "Holes are not listed. Problems with the archive go to standard error.\n"
               "Exit status: 0 the archive is sound, 1 it is not, 2 bad usage.\n",
               out);
}

int listCommand(const std::vector<std::string>& args) {
    bool json = false, help = false;
    std::vector<std::string> operands;
    std::string error;
    const std::vector<CliOption> options = {{kJson, "json", false}, {'h', "help", false}};
    if (!parseCommandLine(
            args, options,
            [&](int id, const std::string&, std::string*) {
                (id == kJson ? json : help) = true;
                return true;
            },
            &operands, &error))
        return usageError("list", error);
    if (help) {
        printListUsage(stdout);
        return kExitOk;
    }
    if (operands.size() != 1)
        return usageError("list", operands.empty() ? "missing ARCHIVE" : "list takes one ARCHIVE");

    OpenedArchive archive;
    if (!openArchive(operands[0], kInferAlignment, &archive, stderr, "bxa: ")) return kExitDiffers;
    const ArchiveReader& r = archive.reader;
    const std::vector<uint32_t> used = r.usedIndexes();
    const MemberRecord none;
    if (json) {
        std::string out = "[";
        for (std::size_t k = 0; k < used.size(); ++k) {
            const uint32_t i = used[k];
            const MemberRecord& m = r.record(i) ? *r.record(i) : none;
            out += k ? ",\n " : "\n ";
            out += "{\"index\": " + std::to_string(i) + ", \"offset\": " + std::to_string(r.entry(i).offset) +
                   ", \"size\": " + std::to_string(r.entry(i).size) + ", \"date\": " + jsonDate(m) +
                   ", \"name\": " + jsonString(m.name) + "}";
        }
        out += used.empty() ? "]\n" : "\n]\n";
        std::fputs(out.c_str(), stdout);
    } else {
        const bool terminal = platform::isTerminal(stdout);
        if (terminal) std::printf("%5s %10s %10s %-19s %s\n", "INDEX", "OFFSET", "SIZE", "DATE", "NAME");
        for (uint32_t i : used) {
            const MemberRecord& m = r.record(i) ? *r.record(i) : none;
            std::printf("%5u %10u %10u %s %s\n", i, r.entry(i).offset, r.entry(i).size, recordDate(m).c_str(),
                        printableName(m.name).c_str());
        }
        if (terminal) std::printf("%u entries, %zu members\n", r.entryCount(), used.size());
    }
    return r.isSound() ? kExitOk : kExitDiffers;
}
