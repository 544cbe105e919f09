#include "bxa_run.h"

#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace bxarun {

namespace fs = std::filesystem;

TempDir::TempDir() {
    const char* base = std::getenv("TMPDIR");
    path = std::string(base && *base ? base : "/tmp") + "/bxa-test-XXXXXX";
    if (!::mkdtemp(path.data())) throw std::runtime_error("cannot make a temporary folder");
}

TempDir::~TempDir() {
    std::error_code ec;
    fs::remove_all(path, ec);
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void writeFile(const std::string& path, const std::string& data) {
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream(path, std::ios::binary).write(data.data(), static_cast<std::streamsize>(data.size()));
}

bool setFileTime(const std::string& path, int64_t epochSeconds) {
    const struct timespec times[2] = {{static_cast<time_t>(epochSeconds), 0},
                                      {static_cast<time_t>(epochSeconds), 0}};
    return utimensat(AT_FDCWD, path.c_str(), times, 0) == 0;
}

RunResult runBxa(const std::vector<std::string>& args, const std::string& cwd, const std::string& tz,
                 const std::string& input) {
    const std::string bin = std::string(CORVANE_BIN_DIR) + "/bxa";
    // Beside the folder under test, so they never show up in it.
    const std::string outPath = cwd + ".stdout", errPath = cwd + ".stderr", inPath = cwd + ".stdin";
    writeFile(inPath, input);
    // Everything is prepared before fork, so the child only calls async-signal-safe functions.
    std::vector<std::string> strings{bin};
    strings.insert(strings.end(), args.begin(), args.end());
    const size_t argc = strings.size();
    for (char** e = environ; *e; ++e)
        if (std::strncmp(*e, "TZ=", 3) != 0) strings.push_back(*e);
    strings.push_back("TZ=" + tz);
    std::vector<char*> ptrs;
    for (std::string& s : strings)
        ptrs.push_back(s.data());
    ptrs.insert(ptrs.begin() + argc, nullptr);
    ptrs.push_back(nullptr);

    const pid_t pid = fork();
    if (pid == 0) {
        const int in = open(inPath.c_str(), O_RDONLY);
        const int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (in < 0 || out < 0 || err < 0 || chdir(cwd.c_str()) != 0) _exit(127);
        dup2(in, 0);
        dup2(out, 1);
        dup2(err, 2);
        execve(bin.c_str(), ptrs.data(), ptrs.data() + argc + 1);
        _exit(127);
    }
    RunResult r;
    int wstatus = 0;
    if (pid > 0 && waitpid(pid, &wstatus, 0) == pid && WIFEXITED(wstatus)) r.status = WEXITSTATUS(wstatus);
    r.out = readFile(outPath);
    r.err = readFile(errPath);
    unlink(outPath.c_str());
    unlink(errPath.c_str());
    unlink(inPath.c_str());
    return r;
}

std::string content(size_t n, uint32_t seed) {
    std::string s(n, '\0');
    uint32_t x = seed * 2654435761u + 1;
    for (char& c : s) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        c = static_cast<char>(x);
    }
    return s;
}

} // namespace bxarun
