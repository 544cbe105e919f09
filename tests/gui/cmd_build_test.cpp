// The build run of a real frame: Start, one engine step per tick with the progress in
// the title, the end of the build, Stop.
#include <wx/filefn.h>

#include <cstdio>

#include "cmd_test_util.h"

namespace {

using cmdtest::CreateAnswer;
using cmdtest::DialogScript;

class BuildRunTest : public cmdtest::FrameTest {
  protected:
    void SetUp() override {
        FrameTest::SetUp();
        answer.archive = dir.Path() + "/pack";
    }
    // Registers files of the given sizes at 0, 1, 2...
    void Members(std::initializer_list<size_t> sizes) {
        uint32_t slot = 0;
        for (size_t size : sizes) {
            paths.push_back(dir.AddFile("m" + std::to_string(slot) + ".qsd", size));
            ASSERT_TRUE(store->RegisterEntry(paths.back().c_str(), slot++));
        }
    }
    void Start() {
        DialogScript script;
        script.answer = std::ref(answer);
        frame->OnToolStart();
    }
    // Ticks until the build ends; the number of ticks it took.
    int TicksToEnd() {
        int ticks = 0;
        while (frame->IsBuildRunning() && ticks < 1000) {
            Tick();
            ++ticks;
        }
        return ticks;
    }
    bool Exists(const char* extension) { return wxFileExists(dir.Path() + "/pack" + extension); }

    CreateAnswer answer;
    std::vector<std::string> paths;
};

} // namespace

TEST_F(BuildRunTest, TheTitleFollowsEachStepAndTheEndRestoresIt) {
    Members({1 << 20, 1 << 20, 1 << 20});
    Start();
    ASSERT_TRUE(frame->IsBuildRunning());
    EXPECT_TRUE(frame->BuildTimer().IsRunning());
    EXPECT_EQ(frame->BuildTimer().GetId(), kBuildTimerId);
    EXPECT_EQ(frame->BuildTimer().GetInterval(), 10);

    Tick(7); // not the build's timer
    EXPECT_EQ(Title(), CMainFrame::kTitle);
    Tick();
    EXPECT_EQ(Title(), "   0.00% (1/3 : 0/0 KB)");
    Tick();
    EXPECT_EQ(Title(), "  66.67% (2/3 : 1024/1024 KB)");
    Tick();
    EXPECT_EQ(Title(), " 100.00% (3/3 : 1024/1024 KB)");
    Tick();
    EXPECT_EQ(Title(), CMainFrame::kIdleTitle);
    EXPECT_FALSE(frame->IsBuildRunning());
    EXPECT_FALSE(frame->BuildTimer().IsRunning());
    EXPECT_TRUE(Exists(".bxa") && Exists(".h") && Exists(".crg"));
}

TEST_F(BuildRunTest, StopBeforeTheFirstTickWritesNoFile) {
    Members({10, 20});
    Start();
    ASSERT_TRUE(frame->IsBuildRunning());
    frame->OnToolStop();
    EXPECT_FALSE(frame->IsBuildRunning());
    EXPECT_FALSE(frame->BuildTimer().IsRunning());
    EXPECT_EQ(Title(), CMainFrame::kIdleTitle);
    Tick(); // a tick already on its way finds no job
    EXPECT_FALSE(Exists(".bxa") || Exists(".h") || Exists(".crg"));
}

TEST_F(BuildRunTest, AMissingMemberFailsTheBuildAtItsTurn) {
    Members({10, 20, 30});
    Start();
    std::remove(paths[1].c_str());
    EXPECT_EQ(TicksToEnd(), 3); // open, first member, the missing one
    EXPECT_EQ(Title(), CMainFrame::kIdleTitle);
    EXPECT_TRUE(Exists(".bxa"));

    // One small member: the open step, then everything else in one.
    store->ClearEntry(1);
    store->ClearEntry(2);
    Start();
    EXPECT_EQ(TicksToEnd(), 2);
}

TEST_F(BuildRunTest, ClosingTheWindowDuringABuildReleasesTheJob) {
    Members({10, 20});
    Start();
    Tick();
    frame->Destroy();
    Pump();
    frame = new cmdtest::ScriptedFrame;
    Start();
    EXPECT_TRUE(frame->IsBuildRunning());
    EXPECT_EQ(TicksToEnd(), 3);
}
