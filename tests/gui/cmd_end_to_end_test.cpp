// From files dropped on the window through the creation dialog and the timer to the
// archive, header and log, which must equal what the command line writes.
#include <wx/filefn.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "cmd_test_util.h"

namespace {

std::string Contents(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

class EndToEndTest : public cmdtest::FrameTest {
  protected:
    void TearDown() override {
        store->SetHeaderNameMode(OnlyFileName);
        FrameTest::TearDown();
    }
};

} // namespace

TEST_F(EndToEndTest, AWindowBuildEqualsTheCommandLineBuild) {
    const std::string& d = dir.Path();
    ASSERT_TRUE(wxMkdir(d + "/snd") && wxMkdir(d + "/snd/se"));
    const std::vector<std::string> files = {
        dir.AddFile("snd/se/jump.qsd", 5000, 1100000000), dir.AddFile("snd/bgm.qmv", 70000, 1200000000),
        dir.AddFile("snd/se/hit.qsd", 1, 1300000000), dir.AddFile("readme", 2049, 1400000000)};
    store->SetHeaderNameMode(CutOverlapping);

    Drop(files);
    ASSERT_EQ(store->CountEntries(), files.size());

    cmdtest::CreateAnswer answer;
    answer.archive = d + "/pack.bxa";
    answer.alignment = "512";
    answer.prefix = "SE_";
    answer.header = d + "/ids";
    answer.log = d + "/build";
    {
        cmdtest::DialogScript script;
        script.answer = std::ref(answer);
        wxCommandEvent start(wxEVT_MENU, ID_TOOL_START);
        frame->GetEventHandler()->ProcessEvent(start);
    }
    ASSERT_TRUE(frame->IsBuildRunning());
    // The frame's own timer drives the build now.
    ASSERT_TRUE(PumpUntil([this] { return !frame->IsBuildRunning(); }, 20000));
    EXPECT_EQ(Title(), CMainFrame::kIdleTitle);

    const std::string outputs[] = {"/pack.bxa", "/ids.h", "/build.crg"};
    std::string window[3];
    for (int i = 0; i < 3; ++i) {
        window[i] = Contents(d + outputs[i]);
        ASSERT_FALSE(window[i].empty()) << outputs[i];
        std::remove((d + outputs[i]).c_str());
    }

    std::string command = std::string(CORVANE_BIN_DIR) +
                          "/bxa pack -q -a 512 -p SE_ -m cut-overlapping -H '" + d + "/ids.h' -L '" + d +
                          "/build.crg' '" + d + "/pack.bxa'";
    for (const std::string& f : files)
        command += " '" + f + "'";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(Contents(d + outputs[i]) == window[i]) << outputs[i] << " differs";
}
