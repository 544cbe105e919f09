#pragma once
// Running the real bxa from tests, in a folder of its own.
#include <cstdint>
#include <string>
#include <vector>

namespace bxarun {

struct TempDir {
    std::string path;
    TempDir();
    ~TempDir();
    std::string operator/(const std::string& name) const { return path + "/" + name; }
};

std::string readFile(const std::string& path);
void writeFile(const std::string& path, const std::string& data); // creates the folders
// Sets both file times.
bool setFileTime(const std::string& path, int64_t epochSeconds);

struct RunResult {
    int status = -1; // exit status, or -1 when the process did not exit normally
    std::string out, err;
};

// Runs bxa with `args` in `cwd`, TZ replaced by `tz`, `input` on standard input.
RunResult runBxa(const std::vector<std::string>& args, const std::string& cwd, const std::string& tz = "UTC0",
                 const std::string& input = "");

// Different for every position and seed, so misplaced or mixed-up data shows.
std::string content(size_t n, uint32_t seed);

} // namespace bxarun
