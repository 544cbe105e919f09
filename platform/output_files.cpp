#include "platform/output_files.h"

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

namespace platform {

namespace {

// SIGPIPE comes when standard error leads to a reader that has gone away.
const int kSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGPIPE};
// A base name longer than this is cut in the temporary's name, which must stay a valid name.
constexpr std::size_t kMaxTempStem = 200;

// What the signal handler removes; only written with the signals blocked.
char g_temps[StagedFiles::kMax][PATH_MAX];
volatile sig_atomic_t g_tempCount = 0;
// Said on standard error when a signal ends the build; made before the first temporary exists.
char g_stopMessage[PATH_MAX + 96];
std::size_t g_stopLength = 0;
// Set once every temporary has taken its target's place: the build is then done, and a
// signal held back meanwhile (a rename over a large file can take a while) stops
// nothing: it must not end the process as stopped, nor say the earlier files were kept.
volatile sig_atomic_t g_committed = 0;

void removeTemps() {
    for (sig_atomic_t i = 0; i < g_tempCount; ++i)
        ::unlink(g_temps[i]);
}

extern "C" void removeTempsAndExit(int sig) {
    if (g_committed) return;
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

std::string folderOf(const std::string& path) {
    std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string realPath(const std::string& path) {
    char resolved[PATH_MAX];
    return ::realpath(path.c_str(), resolved) ? std::string(resolved) : std::string();
}

} // namespace

bool resolveOutput(const std::string& name, OutputTarget* out, std::string* why) {
    if (name.back() == '/') return *why = "names a folder, not a file", false;
    struct stat st {};
    if (::lstat(name.c_str(), &st) == 0) {
        std::string real = realPath(name);
        if (real.empty()) return *why = std::string("cannot follow it: ") + std::strerror(errno), false;
        if (::stat(real.c_str(), &st) != 0) return *why = std::strerror(errno), false;
        if (!S_ISREG(st.st_mode)) return *why = "exists and is not a regular file", false;
        // A file its owner keeps from being written is not replaced behind their back.
        if (::access(real.c_str(), W_OK) != 0) return *why = std::strerror(errno), false;
        out->target = real;
        out->exists = true;
        out->mode = static_cast<uint32_t>(st.st_mode & 07777);
        out->device = static_cast<uint64_t>(st.st_dev);
        out->id = static_cast<uint64_t>(st.st_ino);
    } else if (errno != ENOENT) {
        return *why = std::strerror(errno), false;
    } else {
        std::string folder = realPath(folderOf(name));
        if (folder.empty()) return *why = "its folder does not exist", false;
        std::string base = name.substr(name.rfind('/') == std::string::npos ? 0 : name.rfind('/') + 1);
        out->target = (folder == "/" ? "" : folder) + "/" + base;
    }
    // The new file is made beside its target and renamed over it.
    std::string folder = folderOf(out->target);
    struct stat fst {};
    if (::stat(folder.c_str(), &fst) != 0 || !S_ISDIR(fst.st_mode))
        return *why = "its folder does not exist", false;
    if (::access(folder.c_str(), W_OK | X_OK) != 0) return *why = "its folder cannot be written", false;
    return true;
}

void StagedFiles::setStopMessage(const std::string& text) {
    BlockSignals blocked;
    g_stopLength = std::min(text.size(), sizeof g_stopMessage - 1);
    std::memcpy(g_stopMessage, text.data(), g_stopLength);
}

StagedFiles::~StagedFiles() {
    discard();
}

bool StagedFiles::add(const std::string& target, bool replaces, uint32_t mode, std::string* why) {
    if (count_ == kMax) return *why = "too many files", false;
    if (count_ == 0) {
        g_committed = 0;
        installHandlers();
    }
    std::size_t slash = target.rfind('/');
    std::string stem = target.substr(slash + 1, kMaxTempStem);
    std::string temp = target.substr(0, slash + 1) + "." + stem + ".XXXXXX";
    if (temp.size() >= PATH_MAX) return *why = "the path is too long", false;
    BlockSignals blocked;
    int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0) return *why = std::string("cannot create a file beside it: ") + std::strerror(errno), false;
    std::memcpy(g_temps[count_], temp.c_str(), temp.size() + 1);
    temps_[count_] = temp;
    targets_[count_] = target;
    g_tempCount = ++count_;
    // The new file gets the mode of the one it replaces, or that of any new file.
    ::fchmod(fd, replaces ? static_cast<mode_t>(mode) : newFileMode());
    ::close(fd);
    return true;
}

bool StagedFiles::commit(std::string* failed, std::string* why) {
    BlockSignals blocked;
    for (int i = 0; i < count_; ++i) {
        if (temps_[i].empty()) continue;
        if (::rename(temps_[i].c_str(), targets_[i].c_str()) != 0) {
            *failed = targets_[i];
            *why = std::strerror(errno);
            discard();
            return false;
        }
        temps_[i].clear();
    }
    g_tempCount = 0;
    count_ = 0;
    g_committed = 1;
    return true;
}

void StagedFiles::abandon(int status) {
    BlockSignals blocked;
    removeTemps();
    std::fflush(stderr);
    ::_exit(status);
}

void StagedFiles::discard() {
    BlockSignals blocked;
    for (std::string& temp : temps_) {
        if (!temp.empty()) ::unlink(temp.c_str());
        temp.clear();
    }
    g_tempCount = 0;
    count_ = 0;
}

} // namespace platform
