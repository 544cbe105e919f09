#include "cli_run.h"

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace clitest {

RunResult runBxa(const std::vector<std::string>& args, const std::string& cwd,
                 const std::vector<std::string>& env) {
    const std::string bin = std::string(CORVANE_BIN_DIR) + "/bxa";
    // The captured streams live beside, not inside, the folder under test.
    const std::string outPath = cwd + ".stdout";
    const std::string errPath = cwd + ".stderr";

    // Everything the child needs is prepared before fork, so the child only calls
    // async-signal-safe functions.
    std::vector<std::string> argStore{bin};
    argStore.insert(argStore.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : argStore)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    std::vector<std::string> envStore;
    for (char** e = environ; *e; ++e) {
        std::string entry = *e;
        bool overridden = false;
        for (const std::string& x : env)
            overridden |= entry.compare(0, x.find('=') + 1, x, 0, x.find('=') + 1) == 0;
        if (!overridden) envStore.push_back(entry);
    }
    envStore.insert(envStore.end(), env.begin(), env.end());
    std::vector<char*> envp;
    for (std::string& e : envStore)
        envp.push_back(e.data());
    envp.push_back(nullptr);

    pid_t pid = fork();
    if (pid == 0) {
        int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (out < 0 || err < 0 || chdir(cwd.c_str()) != 0) _exit(127);
        dup2(out, 1);
        dup2(err, 2);
        execve(bin.c_str(), argv.data(), envp.data());
        _exit(127);
    }
    RunResult r;
    int wstatus = 0;
    if (pid > 0 && waitpid(pid, &wstatus, 0) == pid && WIFEXITED(wstatus)) r.status = WEXITSTATUS(wstatus);
    r.out = readFile(outPath);
    r.err = readFile(errPath);
    unlink(outPath.c_str());
    unlink(errPath.c_str());
    return r;
}

std::string readFile(const std::string& path) {
    std::string data;
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return data;
    char buf[1 << 16];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0)
        data.append(buf, n);
    std::fclose(f);
    return data;
}

bool fileExists(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

void writeFile(const std::string& path, const std::string& data) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(data.data(), static_cast<std::streamsize>(data.size()));
    if (!out) throw std::runtime_error("cannot write " + path);
}

void setMtime(const std::string& path, int64_t epochSeconds) {
    struct timespec times[2];
    times[0].tv_sec = static_cast<time_t>(epochSeconds);
    times[0].tv_nsec = 0;
    times[1] = times[0];
    if (utimensat(AT_FDCWD, path.c_str(), times, 0) != 0)
        throw std::runtime_error("cannot set time of " + path);
}

TempDir::TempDir() {
    const char* base = std::getenv("TMPDIR");
    std::string tmpl = std::string(base && *base ? base : "/tmp") + "/bxa-test-XXXXXX";
    if (!mkdtemp(tmpl.data())) throw std::runtime_error("cannot make a temporary folder");
    path_ = tmpl;
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

} // namespace clitest
