// One running copy per user, on every system: one holder at a time until it goes.
#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>

#include "platform/instance_lock.h"
#include "support/files.h"
#include "support/system.h"

namespace {

using platform::InstanceLock;
using Result = InstanceLock::Result;

TEST(InstanceLock, OneHolderAtATimeAndALeftoverFileDoesNotBlock) {
    const testsupport::TempDir run;
    const testsupport::ScopedEnv runtime("XDG_RUNTIME_DIR", run.path.c_str());
    // Its own name, so that a running copy or a parallel run of the tests is no holder.
    const std::string name = "CORVANE-test-" + std::to_string(std::random_device{}());
    const std::string file = run / ("." + name + ".lock");
    // What a holder that was killed leaves behind where the lock is a file: the file, but no lock on it.
    run.put("." + name + ".lock", "not a process id\n\x01\x02");
    auto first = std::make_unique<InstanceLock>(name.c_str());
    EXPECT_EQ(first->Acquire(), Result::Acquired);
    EXPECT_EQ(first->Acquire(), Result::Acquired); // asking again keeps it
    EXPECT_TRUE(first->Path() == file || first->Path() == name) << first->Path();
    InstanceLock second(name.c_str());
    EXPECT_EQ(second.Acquire(), Result::HeldElsewhere);
    first.reset();
    EXPECT_EQ(second.Acquire(), Result::Acquired);
    EXPECT_EQ(InstanceLock("").Acquire(), Result::Unavailable);
}

} // namespace
