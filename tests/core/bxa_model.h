#pragma once
// A second, deliberately simple writer of the archive, header and log, used only
// to tell the tests what `bxa pack` must produce. It builds each output as one
// string in memory, from the format's rules, without any of the program's code.
#include <cstdint>
#include <string>
#include <vector>

namespace bxamodel {

struct Stamp {
    uint16_t year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};

struct Entry {
    uint32_t index = 0;
    std::string path;     // as registered
    std::string namePart; // what the header's FileID is made from
    std::string data;
    Stamp stamp;
};

struct Build {
    std::vector<Entry> entries; // any order
    uint32_t alignment = 2048;
    std::string prefix;
    std::string archiveName; // as handed to the build
};

struct Output {
    std::string archive;
    std::string header;
    std::string log;
};

Output build(const Build& b);

// Name parts for paths listed in ascending index order, for mode 0 (file name: behind
// the last `separator`), 1 (cut the common leading part, never fewer than 3 bytes) or
// 2 (full path).
std::vector<std::string> nameParts(const std::vector<std::string>& pathsInIndexOrder, int mode,
                                   char separator = '/');

// Local time `utcOffsetSeconds` away from UTC, reduced to even seconds.
Stamp stampAt(int64_t epochSeconds, int utcOffsetSeconds);

} // namespace bxamodel
