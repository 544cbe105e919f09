#pragma once
// Running the real `bxa` binary from tests, in a folder of its own.
#include <cstdint>
#include <string>
#include <vector>

namespace clitest {

struct RunResult {
    int status = -1; // exit status, or -1 when the process did not exit normally
    std::string out;
    std::string err;
};

// Runs bxa with `args` in `cwd`; `env` entries ("TZ=...") are added to the environment.
RunResult runBxa(const std::vector<std::string>& args, const std::string& cwd,
                 const std::vector<std::string>& env = {});

std::string readFile(const std::string& path);
bool fileExists(const std::string& path);
void writeFile(const std::string& path, const std::string& data);
// Sets the last-write time (seconds since the epoch).
void setMtime(const std::string& path, int64_t epochSeconds);

// A fresh folder under the system's temporary folder, removed with everything in it.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }

  private:
    std::string path_;
};

} // namespace clitest
