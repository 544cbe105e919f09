#include "bxa_model.h"

#include <algorithm>
#include <cstring>

namespace bxamodel {
namespace {

// Little-endian, `bytes` wide.
void put(std::string& s, size_t at, uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i)
        s[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

uint64_t up(uint64_t x, uint32_t a) {
    return a == 0 ? x : (x + a - 1) / a * a;
}

std::string attributeName(const std::string& path) {
    size_t cut = path.find_last_of("\\/");
    std::string name = cut == std::string::npos ? path : path.substr(cut + 1);
    return name.substr(0, 32);
}

std::string archiveFileName(const std::string& archiveName) {
    if (archiveName.find('.') != std::string::npos) return archiveName;
    return archiveName + ".bxa";
}

// The identifier rule of FileIDs and of the _NUM_FILES constant.
std::string sanitise(std::string text) {
    static const char kToUnderscore[] = "!#$%&+-./:=?@\\~";
    for (char& c : text) {
        if (c != '\0' && std::strchr(kToUnderscore, c))
            c = '_';
        else if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    }
    return text;
}

} // namespace

std::vector<std::string> nameParts(const std::vector<std::string>& paths, int mode, char separator) {
    std::vector<std::string> parts;
    if (paths.empty()) return parts;
    // Mode 1 cuts where any path first differs from the lowest one, never below byte 3.
    size_t k = 3;
    auto same = [&paths](size_t i) {
        for (const std::string& p : paths)
            if (i >= p.size() || p[i] != paths[0][i]) return false;
        return true;
    };
    while (mode == 1 && k < paths[0].size() && same(k))
        ++k;
    for (const std::string& p : paths) {
        const size_t slash = p.rfind(separator);
        const size_t from = mode == 1                                 ? std::min(k, p.size())
                            : mode == 0 && slash != std::string::npos ? slash + 1
                                                                      : 0;
        parts.push_back(p.substr(from));
    }
    return parts;
}

// Calendar arithmetic of its own, so the model leans on no C library's time zone
// or range: days since 1970 to a civil date (proleptic Gregorian).
Stamp stampAt(int64_t epochSeconds, int utcOffsetSeconds) {
    const int64_t local = epochSeconds + utcOffsetSeconds;
    const int64_t days = (local >= 0 ? local : local - 86399) / 86400;
    const int64_t secs = local - days * 86400;
    const int64_t z = days + 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const int64_t doe = z - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    const int64_t day = doy - (153 * mp + 2) / 5 + 1;
    const int64_t month = mp < 10 ? mp + 3 : mp - 9;
    const int64_t year = yoe + era * 400 + (month <= 2 ? 1 : 0);
    auto u = [](int64_t x) { return static_cast<uint16_t>(x); };
    return {u(year), u(month), u(day), u(secs / 3600), u(secs / 60 % 60), u(secs % 60 / 2 * 2)};
}

Output build(const Build& b) {
    std::vector<Entry> entries = b.entries;
    std::sort(entries.begin(), entries.end(),
              [](const Entry& x, const Entry& y) { return x.index < y.index; });
    const uint32_t n = entries.back().index + 1;
    const uint32_t a = b.alignment;
    const uint64_t h = 16 + 8ull * n;
    std::vector<uint32_t> words(2ull * n + 4, 0); // the first H bytes as u32 words
    words[0] = 'B' | ('X' << 8) | ('A' << 16);
    words[1] = n;

    Output out;
    std::string& ar = out.archive;
    ar.assign(up(h, a), '\0');
    words[2] = static_cast<uint32_t>(ar.size()); // entry 0 starts the data even when it is a hole
    for (const Entry& e : entries) {
        words[2 + 2 * e.index] = static_cast<uint32_t>(ar.size());
        words[3 + 2 * e.index] = static_cast<uint32_t>(e.data.size());
        ar += e.data;
        ar.resize(up(ar.size(), a), '\0');
    }
    const uint64_t t = ar.size();
    words[2 * n + 2] = static_cast<uint32_t>(t);
    words[2 * n + 3] = 48 * n;

    std::string attrs(48ull * n, '\0');
    uint32_t k = 0;
    for (const Entry& e : entries) {
        size_t at = 48ull * e.index;
        std::string name = attributeName(e.path);
        std::memcpy(&attrs[at], name.data(), name.size());
        const uint16_t date[6] = {e.stamp.year, e.stamp.month,  e.stamp.day,
                                  e.stamp.hour, e.stamp.minute, e.stamp.second};
        for (int i = 0; i < 6; ++i)
            put(attrs, at + 32 + 2 * i, date[i], 2);
        put(attrs, at + 44, words[++k], 4);
    }
    ar += attrs;
    ar.resize(up(ar.size(), a), '\0');
    for (size_t i = 0; i < words.size(); ++i)
        put(ar, 4 * i, words[i], 4);

    const std::string file = archiveFileName(b.archiveName);
    out.header = "/*\r\n *\t'" + file + "' FILE ID Header\r\n */\r\n\r\n";
    for (const Entry& e : entries) {
        // The writer builds the FileID and the comment in 256-byte buffers, and stores
        // every line feed as CR LF, those inside names too.
        const std::string id = (b.prefix + e.namePart).substr(0, 255);
        const std::string line =
            "#define " + sanitise(id) + "\t(" + std::to_string(e.index) + ") \t/* " + id + " */\n";
        for (char c : line)
            out.header += c == '\n' ? std::string("\r\n") : std::string(1, c);
    }
    out.header +=
        "\r\n/* number of inside files */\r\n#define " + sanitise(b.archiveName) + "_NUM_FILES\t(" +
        std::to_string(n) +
        ")\r\n/*\r\n * It uses for calculation macros, such as \"size of BXA partition \r\n"
        " * information\".\r\n * zyn_qsdf.h : QSDF_CALC_PTINFO_SIZE or QSDF_CALC_PTINFO_FMGL_SIZE\r\n"
        " */\r\n";
    out.log = file + " 0 " + std::to_string(t) + "\r\n";
    return out;
}

} // namespace bxamodel
