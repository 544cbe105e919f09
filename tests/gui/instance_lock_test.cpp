// The single-instance lock: one holder at a time, wherever a lock file can be kept.
#include <unistd.h>

#include <cstdio>
#include <memory>

#include "gui_test.h"
#include "platform/instance_lock.h"

namespace {

using platform::InstanceLock;
using Result = InstanceLock::Result;

// An environment variable set for the variable's life and put back afterwards.
class EnvVar {
  public:
    EnvVar(const char* name, const std::string& value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old, wasSet_ = true;
        setenv(name, value.c_str(), 1);
    }
    ~EnvVar() { wasSet_ ? setenv(name_, old_.c_str(), 1) : unsetenv(name_); }

  private:
    const char* name_;
    std::string old_;
    bool wasSet_ = false;
};

TEST(InstanceLockTest, OneHolderAtATimeAndAStaleFileDoesNotBlock) {
    TempDir run, home;
    EnvVar runtime("XDG_RUNTIME_DIR", run.Path()), homeDir("HOME", home.Path());
    // What a holder that was killed leaves behind: the file, but no lock on it.
    std::ofstream(run.Path() + "/.CORVANE.lock") << "not a process id\n\x01\x02";
    auto first = std::make_unique<InstanceLock>("CORVANE");
    ASSERT_EQ(first->Acquire(), Result::Acquired);
    EXPECT_EQ(first->Path(), run.Path() + "/.CORVANE.lock");
    InstanceLock second("CORVANE");
    EXPECT_EQ(second.Acquire(), Result::HeldElsewhere);
    first.reset();
    EXPECT_EQ(second.Acquire(), Result::Acquired);
}

TEST(InstanceLockTest, UnusablePlacesFallBackToTheNext) {
    TempDir home;
    // /tmp is shared with every other run on the machine: a name of this process's own.
    const std::string name = "CORVANE-TEST-" + std::to_string(getpid());
    EnvVar runtime("XDG_RUNTIME_DIR", home.Path() + "/missing"), homeDir("HOME", home.Path());
    std::filesystem::create_directory(home.Path() + "/." + name + ".lock"); // a folder in the way
    const std::string fallback = "/tmp/." + name + "-" + std::to_string(getuid()) + ".lock";
    {
        InstanceLock lock(name.c_str());
        EXPECT_EQ(lock.Acquire(), Result::Acquired);
        EXPECT_EQ(lock.Path(), fallback);
    }
    std::remove(fallback.c_str());
}

} // namespace
