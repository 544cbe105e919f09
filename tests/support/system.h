#pragma once
// What tests ask of the system beyond the standard library, one file per system:
// file times, FIFOs, a full device, and the real bxa run in a folder of its own.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace testsupport {

// Sets both file times to `epochSeconds`.
bool setFileTime(const std::string& path, int64_t epochSeconds);

// Makes a FIFO at `path`; false where the system has no such thing.
bool makeFifo(const std::string& path);

// A device every write to which fails for want of room; empty where there is none.
std::string fullDevice();

// Sets an environment variable, or removes it given nullptr, until the end of the scope.
class ScopedEnv {
  public:
    ScopedEnv(const char* name, const char* value);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

  private:
    std::string name_;
    std::optional<std::string> old_;
};

struct RunOptions {
    std::string tz = "UTC0"; // replaces TZ in the environment
    bool keepTz = false;     // keeps the environment's TZ instead
    std::string input;       // standard input
    // Bytes a file may take before its writes fail as on a full disk; -1: no limit.
    // Only where the system can limit a process's file size.
    int64_t fileSizeLimit = -1;
    // When non-zero: sent once `signalWhen` holds (asked every millisecond for up to
    // ten seconds). Only where the system has signals.
    int signal = 0;
    std::function<bool()> signalWhen;
};

struct RunResult {
    int status = -1; // exit status, or -1 when the process did not exit normally
    std::string out, err;
    bool whenHeld = false; // `signalWhen` held before the signal was sent
};

// The real bxa from the build's bin folder, started at once in `cwd`; several may run
// side by side. Its output is kept outside `cwd`, so it never shows up there.
class BxaProcess {
  public:
    BxaProcess(const std::vector<std::string>& args, const std::string& cwd, RunOptions options = {});
    ~BxaProcess(); // waits if nobody did
    BxaProcess(const BxaProcess&) = delete;
    BxaProcess& operator=(const BxaProcess&) = delete;
    // Sends the signal the options ask for, waits for the end and collects the output.
    RunResult wait();

    struct State;

  private:
    std::unique_ptr<State> state_;
};

inline RunResult runBxa(const std::vector<std::string>& args, const std::string& cwd, RunOptions options) {
    return BxaProcess(args, cwd, std::move(options)).wait();
}
inline RunResult runBxa(const std::vector<std::string>& args, const std::string& cwd,
                        const std::string& tz = "UTC0", const std::string& input = "") {
    RunOptions options;
    options.tz = tz;
    options.input = input;
    return runBxa(args, cwd, std::move(options));
}

} // namespace testsupport
