#include "support/system.h"

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "support/files.h"

extern char** environ;

namespace testsupport {

bool setFileTime(const std::string& path, int64_t epochSeconds) {
    const struct timespec times[2] = {{static_cast<time_t>(epochSeconds), 0},
                                      {static_cast<time_t>(epochSeconds), 0}};
    return ::utimensat(AT_FDCWD, path.c_str(), times, 0) == 0;
}

bool makeFifo(const std::string& path) {
    return ::mkfifo(path.c_str(), 0600) == 0;
}

std::string fullDevice() {
    return "/dev/full";
}

static void setEnv(const std::string& name, const char* value) {
    value ? ::setenv(name.c_str(), value, 1) : ::unsetenv(name.c_str());
}

ScopedEnv::ScopedEnv(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    setEnv(name_, value);
}

ScopedEnv::~ScopedEnv() {
    setEnv(name_, old_ ? old_->c_str() : nullptr);
}

struct BxaProcess::State {
    RunOptions options;
    TempDir streams; // standard input, output and error
    pid_t pid = -1;
    bool waited = false;
};

BxaProcess::BxaProcess(const std::vector<std::string>& args, const std::string& cwd, RunOptions options)
    : state_(new State{std::move(options), {}, -1, false}) {
    const std::string bin = std::string(CORVANE_BIN_DIR) + "/bxa";
    const std::string in = state_->streams / "in", out = state_->streams / "out",
                      err = state_->streams / "err";
    writeFile(in, state_->options.input);
    // Everything is prepared before fork, so the child only calls async-signal-safe functions.
    std::vector<std::string> strings{bin};
    strings.insert(strings.end(), args.begin(), args.end());
    const size_t argc = strings.size();
    const bool keepTz = state_->options.keepTz;
    for (char** e = environ; *e; ++e)
        if (keepTz || std::strncmp(*e, "TZ=", 3) != 0) strings.push_back(*e);
    if (!keepTz) strings.push_back("TZ=" + state_->options.tz);
    std::vector<char*> ptrs;
    for (std::string& s : strings)
        ptrs.push_back(s.data());
    ptrs.insert(ptrs.begin() + static_cast<std::ptrdiff_t>(argc), nullptr);
    ptrs.push_back(nullptr);
    const int64_t fileSizeLimit = state_->options.fileSizeLimit;
    const rlimit limit{static_cast<rlim_t>(fileSizeLimit), static_cast<rlim_t>(fileSizeLimit)};

    state_->pid = ::fork();
    if (state_->pid == 0) {
        const int inFd = ::open(in.c_str(), O_RDONLY);
        const int outFd = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int errFd = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (inFd < 0 || outFd < 0 || errFd < 0 || ::chdir(cwd.c_str()) != 0) ::_exit(127);
        if (fileSizeLimit >= 0 && ::setrlimit(RLIMIT_FSIZE, &limit) != 0) ::_exit(127);
        ::dup2(inFd, 0);
        ::dup2(outFd, 1);
        ::dup2(errFd, 2);
        ::execve(bin.c_str(), ptrs.data(), ptrs.data() + argc + 1);
        ::_exit(127);
    }
}

BxaProcess::~BxaProcess() {
    if (!state_->waited) wait();
}

RunResult BxaProcess::wait() {
    RunResult r;
    State& s = *state_;
    if (s.waited) return r;
    s.waited = true;
    if (s.pid > 0 && s.options.signal != 0) {
        for (int i = 0; i < 10000 && !r.whenHeld; ++i) {
            r.whenHeld = s.options.signalWhen();
            if (!r.whenHeld) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        ::kill(s.pid, s.options.signal);
    }
    int wstatus = 0;
    if (s.pid > 0 && ::waitpid(s.pid, &wstatus, 0) == s.pid && WIFEXITED(wstatus))
        r.status = WEXITSTATUS(wstatus);
    r.out = readFile(s.streams / "out");
    r.err = readFile(s.streams / "err");
    return r;
}

} // namespace testsupport
