// The single-instance lock: one holder at a time, and a holder's leftover file does not block.
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

} // namespace
