// The single-instance lock, and a second copy of the program meeting a running one.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <signal.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>
#include <vector>

#include "gui_test_util.h"
#include "platform/instance_lock.h"

namespace {

using platform::InstanceLock;

// Points the lock at folders of the test's own while it lives.
class LockPlaces {
  public:
    LockPlaces(const std::string& runtime, const std::string& home) {
        for (auto& [name, value] : {std::pair{"XDG_RUNTIME_DIR", &runtime}, std::pair{"HOME", &home}}) {
            const char* old = std::getenv(name);
            saved_.push_back({name, old ? old : "", old != nullptr});
            setenv(name, value->c_str(), 1);
        }
    }
    ~LockPlaces() {
        for (const Saved& s : saved_)
            s.set ? setenv(s.name, s.value.c_str(), 1) : unsetenv(s.name);
    }

  private:
    struct Saved {
        const char* name;
        std::string value;
        bool set;
    };
    std::vector<Saved> saved_;
};

} // namespace

TEST(InstanceLockTest, OneHolderAtATime) {
    TempDir run, home;
    LockPlaces places(run.Path(), home.Path());
    auto first = std::make_unique<InstanceLock>("CORVANE");
    ASSERT_EQ(first->Acquire(), InstanceLock::Result::Acquired);
    EXPECT_EQ(first->Path(), run.Path() + "/.CORVANE.lock");
    EXPECT_EQ(first->Acquire(), InstanceLock::Result::Acquired); // asking again changes nothing

    InstanceLock second("CORVANE");
    EXPECT_EQ(second.Acquire(), InstanceLock::Result::HeldElsewhere);
    InstanceLock other("OTHER");
    EXPECT_EQ(other.Acquire(), InstanceLock::Result::Acquired);

    first.reset(); // the first copy ends
    InstanceLock third("CORVANE");
    EXPECT_EQ(third.Acquire(), InstanceLock::Result::Acquired);
}

TEST(InstanceLockTest, GarbageInTheFileMeansNothing) {
    TempDir run, home;
    LockPlaces places(run.Path(), home.Path());
    std::ofstream(run.Path() + "/.CORVANE.lock") << "not a process id\n\x01\x02";
    InstanceLock lock("CORVANE");
    EXPECT_EQ(lock.Acquire(), InstanceLock::Result::Acquired);
}

TEST(InstanceLockTest, AKilledHolderDoesNotBlockTheNextStart) {
    TempDir run, home;
    LockPlaces places(run.Path(), home.Path());
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // Only system calls here: the child shares the parent's toolkit state.
        InstanceLock lock("CORVANE");
        char ok = lock.Acquire() == InstanceLock::Result::Acquired ? 'y' : 'n';
        if (write(ready[1], &ok, 1) != 1) _exit(2);
        for (;;)
            pause();
    }
    close(ready[1]);
    char ok = 0;
    ASSERT_EQ(read(ready[0], &ok, 1), 1);
    close(ready[0]);
    ASSERT_EQ(ok, 'y');
    {
        InstanceLock blocked("CORVANE");
        EXPECT_EQ(blocked.Acquire(), InstanceLock::Result::HeldElsewhere);
    }
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    InstanceLock next("CORVANE");
    EXPECT_EQ(next.Acquire(), InstanceLock::Result::Acquired);
}

TEST(InstanceLockTest, AnUnusablePlaceFallsBackToTheNext) {
    TempDir home;
    // A runtime folder that does not exist, then a lock path that is a folder.
    LockPlaces places(home.Path() + "/missing", home.Path());
    std::filesystem::create_directory(home.Path() + "/.CORVANE.lock");
    InstanceLock lock("CORVANE");
    ASSERT_EQ(lock.Acquire(), InstanceLock::Result::Acquired);
    EXPECT_EQ(lock.Path(), "/tmp/.CORVANE-" + std::to_string(getuid()) + ".lock");
}

// The real program, copied into a folder of its own so its settings file lands there.
TEST(SecondCopyTest, EndsAtOnceWithoutWritingSettings) {
    TempDir run, home, place;
    LockPlaces places(run.Path(), home.Path());
    std::string exe = place.Path() + "/corvane";
    std::filesystem::copy_file(std::string(CORVANE_BIN_DIR) + "/corvane", exe);
    std::filesystem::permissions(exe, std::filesystem::perms::owner_all);

    InstanceLock running("CORVANE");
    ASSERT_EQ(running.Acquire(), InstanceLock::Result::Acquired);
    wxStopWatch watch;
    int status = std::system((exe + " >/dev/null 2>&1").c_str());
    EXPECT_LT(watch.Time(), 20000);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_FALSE(std::filesystem::exists(place.Path() + "/Corvane.ini"));
}
