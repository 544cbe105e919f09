#include "cli/staged_outputs.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// SIGPIPE comes when standard error leads to a reader that has gone away.
const int kSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGPIPE};
// A base name longer than this is cut in the temporary's name, which must stay a valid name.
constexpr std::size_t kMaxTempStem = 200;

// What the signal handler removes; only written with the signals blocked.
char g_temps[3][PATH_MAX];
volatile sig_atomic_t g_tempCount = 0;
// Said on standard error when a signal ends the build; made before the first temporary exists.
char g_stopMessage[PATH_MAX + 96];
std::size_t g_stopLength = 0;

void removeTemps() {
    for (sig_atomic_t i = 0; i < g_tempCount; ++i)
        ::unlink(g_temps[i]);
}

extern "C" void removeTempsAndExit(int sig) {
    removeTemps();
    ssize_t ignored = ::write(STDERR_FILENO, g_stopMessage, g_stopLength);
    (void)ignored;
    ::_exit(128 + sig);
}

class BlockSignals {
  public:
    BlockSignals() {
        sigset_t set;
        sigemptyset(&set);
        for (int sig : kSignals)
            sigaddset(&set, sig);
        sigprocmask(SIG_BLOCK, &set, &old_);
    }
    ~BlockSignals() { sigprocmask(SIG_SETMASK, &old_, nullptr); }

  private:
    sigset_t old_;
};

void installHandlers() {
    struct sigaction action {};
    action.sa_handler = removeTempsAndExit;
    sigemptyset(&action.sa_mask);
    for (int sig : kSignals)
        sigaddset(&action.sa_mask, sig);
    for (int sig : kSignals) {
        struct sigaction old {};
        // A signal ignored by whoever started us stays ignored.
        if (sigaction(sig, nullptr, &old) == 0 && old.sa_handler == SIG_IGN) continue;
        sigaction(sig, &action, nullptr);
    }
    // Past a file-size limit a write then fails like one on a full disk: the build
    // reports it and removes its temporaries, where the signal would kill us first.
    std::signal(SIGXFSZ, SIG_IGN);
}

mode_t newFileMode() {
    mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

} // namespace

StagedOutputs::~StagedOutputs() {
    discard();
}

bool StagedOutputs::create(const PackOutputs& outputs, std::string* error) {
    const OutputFile* files[] = {&outputs.archive, &outputs.header, &outputs.log};
    {
        BlockSignals blocked;
        int n = std::snprintf(g_stopMessage, sizeof g_stopMessage,
                              "bxa: building %s stopped; the previous files are left as they were\n",
                              outputs.archive.name.c_str());
        g_stopLength = n < 0 ? 0 : std::min(static_cast<std::size_t>(n), sizeof g_stopMessage - 1);
    }
    installHandlers();
    for (int i = 0; i < 3; ++i) {
        const std::string& target = files[i]->target;
        std::size_t slash = target.rfind('/');
        std::string stem = target.substr(slash + 1, kMaxTempStem);
        std::string temp = target.substr(0, slash + 1) + "." + stem + ".XXXXXX";
        if (temp.size() >= PATH_MAX) {
            *error = files[i]->name + ": the path is too long";
            return false;
        }
        BlockSignals blocked;
        int fd = ::mkostemp(temp.data(), O_CLOEXEC);
        if (fd < 0) {
            *error = files[i]->name + ": cannot create a file beside it: " + std::strerror(errno);
            return false;
        }
        std::memcpy(g_temps[i], temp.c_str(), temp.size() + 1);
        g_tempCount = i + 1;
        temps_[i] = temp;
        targets_[i] = target;
        // The new file gets the mode of the one it replaces, or that of any new file.
        ::fchmod(fd, files[i]->exists ? static_cast<mode_t>(files[i]->mode) : newFileMode());
        ::close(fd);
    }
    return true;
}

bool StagedOutputs::commit(std::string* error) {
    BlockSignals blocked;
    for (int i = 0; i < 3; ++i) {
        if (temps_[i].empty()) continue;
        if (::rename(temps_[i].c_str(), targets_[i].c_str()) != 0) {
            *error = targets_[i] + ": cannot replace it: " + std::strerror(errno);
            discard();
            return false;
        }
        temps_[i].clear();
    }
    g_tempCount = 0;
    return true;
}

void StagedOutputs::abandon(int status) {
    BlockSignals blocked;
    removeTemps();
    std::fflush(stderr);
    ::_exit(status);
}

void StagedOutputs::discard() {
    BlockSignals blocked;
    for (std::string& temp : temps_) {
        if (!temp.empty()) ::unlink(temp.c_str());
        temp.clear();
    }
    g_tempCount = 0;
}
