#include "support/system.h"

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <windows.h>

#include "support/files.h"

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

namespace {

// One argument as the C runtime splits the command line again: quotes around it when it
// holds a blank, and backslashes doubled only where a quote follows them.
std::string quoted(const std::string& arg) {
    if (!arg.empty() && arg.find_first_of(" \t\"") == std::string::npos) return arg;
    std::string out = "\"";
    size_t backslashes = 0;
    for (char c : arg) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        out.append(c == '"' ? 2 * backslashes + 1 : backslashes, '\\');
        backslashes = 0;
        out += c;
    }
    out.append(2 * backslashes, '\\');
    return out + "\"";
}

HANDLE inheritable(const std::string& path, bool write) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    return ::CreateFileA(path.c_str(), write ? GENERIC_WRITE : GENERIC_READ,
                         FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, write ? CREATE_ALWAYS : OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
}

} // namespace

// An empty value removes the variable here.
ScopedEnv::ScopedEnv(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    ::_putenv_s(name, value ? value : "");
}

ScopedEnv::~ScopedEnv() {
    ::_putenv_s(name_.c_str(), old_ ? old_->c_str() : "");
}

struct BxaProcess::State {
    RunOptions options;
    TempDir streams; // standard input, output and error
    HANDLE process = nullptr;
    bool waited = false;
};

BxaProcess::BxaProcess(const std::vector<std::string>& args, const std::string& cwd, RunOptions options)
    : state_(new State{std::move(options), {}, nullptr, false}) {
    // Neither a file-size limit nor signals exist here: such a run does not start.
    if (state_->options.fileSizeLimit >= 0 || state_->options.signal != 0) return;
    // Beside the tests' own executable, wherever the suite was copied to run.
    char module[MAX_PATH];
    std::string bin(module, ::GetModuleFileNameA(nullptr, module, MAX_PATH));
    bin.replace(bin.find_last_of("\\/") + 1, std::string::npos, "bxa.exe");
    std::string commandLine = quoted(bin);
    for (const std::string& arg : args)
        commandLine += " " + quoted(arg);
    // The environment block: every variable but TZ, then TZ, each ending in NUL, then one more.
    const bool keepTz = state_->options.keepTz;
    std::string environment;
    char* block = ::GetEnvironmentStringsA();
    for (const char* e = block; *e; e += std::strlen(e) + 1)
        if (keepTz || _strnicmp(e, "TZ=", 3) != 0) environment.append(e, std::strlen(e) + 1);
    ::FreeEnvironmentStringsA(block);
    if (!keepTz) environment += "TZ=" + state_->options.tz + '\0';
    environment += '\0';

    writeFile(state_->streams / "in", state_->options.input);
    HANDLE in = inheritable(state_->streams / "in", false);
    HANDLE out = inheritable(state_->streams / "out", true);
    HANDLE err = inheritable(state_->streams / "err", true);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = in;
    startup.hStdOutput = out;
    startup.hStdError = err;
    PROCESS_INFORMATION info{};
    if (in != INVALID_HANDLE_VALUE && out != INVALID_HANDLE_VALUE && err != INVALID_HANDLE_VALUE &&
        ::CreateProcessA(bin.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, environment.data(),
                         cwd.c_str(), &startup, &info)) {
        ::CloseHandle(info.hThread);
        state_->process = info.hProcess;
    }
    for (HANDLE h : {in, out, err})
        if (h != INVALID_HANDLE_VALUE) ::CloseHandle(h);
}

BxaProcess::~BxaProcess() {
    if (!state_->waited) wait();
}

RunResult BxaProcess::wait() {
    RunResult r;
    State& s = *state_;
    if (s.waited) return r;
    if (!s.process) {
        r.err = "bxa did not start\n";
        return r;
    }
    s.waited = true;
    DWORD code = 0;
    if (::WaitForSingleObject(s.process, INFINITE) == WAIT_OBJECT_0 && ::GetExitCodeProcess(s.process, &code))
        r.status = static_cast<int>(code);
    ::CloseHandle(s.process);
    r.out = readFile(s.streams / "out");
    r.err = readFile(s.streams / "err");
    return r;
}

} // namespace testsupport
