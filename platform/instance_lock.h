#pragma once
// One running copy per user: an exclusive lock on a small file, held for the
// process's whole life. The kernel drops it when the process ends, however it
// ends, so a copy that was killed never blocks the next start.
#include <string>

namespace platform {

class InstanceLock {
  public:
    enum class Result {
        Acquired,      // this process is the running copy
        HeldElsewhere, // another process holds the lock
        Unavailable,   // no place for a lock file could be used
    };

    // `name` names the lock; the file is ".<name>.lock" in the first usable folder of
    // $XDG_RUNTIME_DIR, $HOME and /tmp (there with the user id added).
    explicit InstanceLock(const char* name);
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    Result Acquire();
    // The lock file in use once Acquire has found one (empty before or when none was usable).
    const std::string& Path() const { return path_; }

  private:
    std::string name_;
    std::string path_;
#ifdef _WIN32
    void* handle_ = nullptr; // the named mutex
#else
    int fd_ = -1;
#endif
};

} // namespace platform
