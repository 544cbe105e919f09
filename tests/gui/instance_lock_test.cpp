// The single-instance lock: one holder at a time, and a holder's leftover file does not block.
#include <iterator>
#include <memory>

#include "gui_test.h"
#include "platform/instance_lock.h"

namespace {

using platform::InstanceLock;
using Result = InstanceLock::Result;

TEST(InstanceLockTest, OneHolderAtATimeAndAStaleFileDoesNotBlock) {
    TempDir run;
    const char* old = std::getenv("XDG_RUNTIME_DIR");
    const std::string saved = old ? old : "";
    setenv("XDG_RUNTIME_DIR", run.path.c_str(), 1);
    // What a holder that was killed leaves behind: the file, but no lock on it.
    std::ofstream(run.path + "/.CORVANE.lock") << "not a process id\n\x01\x02";
    auto first = std::make_unique<InstanceLock>("CORVANE");
    EXPECT_EQ(first->Acquire(), Result::Acquired);
    EXPECT_EQ(first->Path(), run.path + "/.CORVANE.lock");
    InstanceLock second("CORVANE");
    EXPECT_EQ(second.Acquire(), Result::HeldElsewhere);
    first.reset();
    EXPECT_EQ(second.Acquire(), Result::Acquired);
    old ? setenv("XDG_RUNTIME_DIR", saved.c_str(), 1) : unsetenv("XDG_RUNTIME_DIR");
}

// A file's bytes and time of last change: a save of the same bytes still shows.
std::string Snapshot(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return "(none)";
    std::error_code ec;
    const auto changed = std::filesystem::last_write_time(path, ec).time_since_epoch().count();
    return std::to_string(changed) + ":" + std::string(std::istreambuf_iterator<char>(in), {});
}

// The program itself, started while this process holds the lock: it ends at once and
// writes no settings, neither beside itself nor in the user's folders.
TEST(InstanceLockTest, ASecondCopyEndsAtOnceAndSavesNoSettings) {
    TempDir run;
    const char* old = std::getenv("XDG_RUNTIME_DIR");
    const std::string saved = old ? old : "";
    setenv("XDG_RUNTIME_DIR", run.path.c_str(), 1);
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
    old ? setenv("XDG_RUNTIME_DIR", saved.c_str(), 1) : unsetenv("XDG_RUNTIME_DIR");
}

} // namespace
