#include "support/system.h"

#include <cstdlib>
#include <windows.h>

namespace testsupport {

bool setFileTime(const std::string& path, int64_t epochSeconds) {
    // 100 ns steps since 1601, the system's own count.
    const uint64_t ticks = static_cast<uint64_t>(epochSeconds + 11644473600LL) * 10000000u;
    const FILETIME time{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
    HANDLE h = ::CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                             OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    const bool ok = ::SetFileTime(h, nullptr, &time, &time) != 0;
    ::CloseHandle(h);
    return ok;
}

// Windows pipes live in their own namespace, never at a path of the file system.
bool makeFifo(const std::string&) {
    return false;
}

std::string fullDevice() {
    return std::string();
}

// An empty value removes the variable here.
ScopedEnv::ScopedEnv(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    ::_putenv_s(name, value ? value : "");
}

ScopedEnv::~ScopedEnv() {
    ::_putenv_s(name_.c_str(), old_ ? old_->c_str() : "");
}

// The tests that run bxa drive signals, FIFOs and permissions the POSIX way and are not
// built here; bxa.exe is compared with the Linux bxa by scripts/windows-pack-compare.sh.
struct BxaProcess::State {};

BxaProcess::BxaProcess(const std::vector<std::string>&, const std::string&, RunOptions) : state_(new State) {}

BxaProcess::~BxaProcess() = default;

RunResult BxaProcess::wait() {
    RunResult r;
    r.err = "bxa is not run from the tests on this system\n";
    return r;
}

} // namespace testsupport
