// Temporaries that take their targets' places at the end of a build, and the signals
// that stop a build before that end.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <string>

#include "platform/output_files.h"
#include "support/files.h"

namespace {

using namespace testsupport;

// A signal that comes while the temporaries are renamed waits until they all are (a
// rename over a large file can take a while); it then finds the build done and must
// neither end it as stopped nor say the earlier file was kept. Before that, it stops.
TEST(StagedFilesDeathTest, ASignalStopsTheBuildOnlyBeforeTheCommit) {
    const struct {
        int signal;
        bool committed;
        int status;
        const char* said; // on standard error
        std::string left; // in the target afterwards
    } cases[] = {
        {SIGINT, false, 128 + SIGINT, "stopped", "old"},
        {SIGTERM, false, 128 + SIGTERM, "stopped", "old"},
        {SIGINT, true, 0, "^$", ""},
        {SIGTERM, true, 0, "^$", ""},
        {SIGHUP, true, 0, "^$", ""},
        {SIGPIPE, true, 0, "^$", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.signal) + (c.committed ? " after the commit" : " before it"));
        TempDir dir;
        const std::string target = dir / "out.bxa";
        writeFile(target, "old");
        auto stageAndSignal = [&] {
            platform::StagedFiles::setStopMessage("stopped\n");
            platform::StagedFiles staged;
            std::string why;
            std::string failed;
            if (!staged.add(target, true, 0644, &why)) std::_Exit(3);
            if (c.committed && !staged.commit(&failed, &why)) std::_Exit(4);
            std::raise(c.signal);
            std::_Exit(0);
        };
        EXPECT_EXIT(stageAndSignal(), ::testing::ExitedWithCode(c.status), c.said);
        EXPECT_EQ(readFile(target), c.left);
    }
}

} // namespace
