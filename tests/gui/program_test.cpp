// The program itself: a second copy ends at once, and a main window destroyed from outside
// ends it as File > Exit does.
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include "gui_test.h"
#include "platform/instance_lock.h"

namespace {

using platform::InstanceLock;
using Result = InstanceLock::Result;

// A file's bytes and time of last change: a save of the same bytes still shows.
std::string Snapshot(const std::string& path) {
    std::error_code ec;
    const auto changed = std::filesystem::last_write_time(path, ec);
    if (ec) return "(none)";
    return std::to_string(changed.time_since_epoch().count()) + ":" + testsupport::readFile(path);
}

// The program itself, started while this process holds the lock: it ends at once and
// writes no settings, neither beside itself nor in the user's folders.
TEST(ProgramTest, ASecondCopyEndsAtOnceAndSavesNoSettings) {
    TempDir run;
    const testsupport::ScopedEnv runtime("XDG_RUNTIME_DIR", run.path.c_str());
    InstanceLock first("CORVANE");
    ASSERT_EQ(first.Acquire(), Result::Acquired);
    const std::string beside = std::string(CORVANE_BIN_DIR) + "/Corvane.ini";
    const std::string before = Snapshot(beside);
    const std::string command = "env HOME='" + run.path + "' XDG_CONFIG_HOME='" + run.path +
                                "/config' timeout 20 '" + CORVANE_BIN_DIR + "/corvane'";
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
    EXPECT_EQ(Snapshot(beside), before);
    size_t files = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(run.path))
        files += entry.path().filename() != ".CORVANE.lock";
    EXPECT_EQ(files, 0u);
}

// The program's main window destroyed from outside, without a close request: the
// program ends as File > Exit ends it and saves its settings.
TEST(ProgramTest, AMainWindowDestroyedFromOutsideEndsTheProgram) {
    TempDir run;
    const std::string beside = std::string(CORVANE_BIN_DIR) + "/Corvane.ini";
    const std::string before = Snapshot(beside);
    const std::string program = std::string(CORVANE_BIN_DIR) + "/corvane";
    const std::string home = "HOME=" + run.path, runtime = "XDG_RUNTIME_DIR=" + run.path,
                      config = "XDG_CONFIG_HOME=" + run.path + "/config";
    std::vector<char*> env;
    for (char** e = environ; *e; ++e)
        env.push_back(*e);
    for (const std::string* var : {&home, &runtime, &config})
        env.push_back(const_cast<char*>(var->c_str()));
    env.push_back(nullptr);
    char* args[] = {const_cast<char*>(program.c_str()), nullptr};
    pid_t pid = 0;
    ASSERT_EQ(posix_spawn(&pid, program.c_str(), nullptr, nullptr, args, env.data()), 0);
    const std::string close = "timeout 20 xdotool search --sync --onlyvisible --pid " + std::to_string(pid) +
                              " --name '^Corvane for Windows' windowclose >/dev/null";
    EXPECT_EQ(std::system(close.c_str()), 0);
    int status = -1;
    for (int i = 0; i < 200 && waitpid(pid, &status, WNOHANG) == 0; ++i)
        usleep(50000);
    if (status == -1) kill(pid, SIGKILL), waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    bool saved = Snapshot(beside) != before;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(run.path))
        saved = saved || entry.path().filename() == "Corvane.ini";
    EXPECT_TRUE(saved);
}

} // namespace
