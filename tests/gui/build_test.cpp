// The build run of a real frame: Start, one engine step per timer tick with the progress
// in the title, the end of the build, Stop, and a window build against the command line.
#include <wx/filefn.h>
#include <wx/stopwatch.h>
#include <wx/timer.h>

#include <cstdio>
#include <iterator>
#include <tuple>

#include "dialogs/create_archive_dlg.h"
#include "gui_test.h"

namespace {

std::string Contents(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// The creation dialog filled in as a user would and closed with Make: the archive name,
// then for each further box its tick and the text for its edit.
std::function<int(wxDialog*)> Make(const std::string& archive,
                                   const std::vector<std::tuple<int, int, std::string>>& boxes = {}) {
    return [=](wxDialog* dialog) {
        dialog->InitDialog();
        Edit(dialog, CCreateArchiveDlg::IDC_ARCHIVE)->SetValue(archive);
        for (const auto& [box, edit, text] : boxes) {
            Toggle(dialog, box);
            Edit(dialog, edit)->SetValue(text);
        }
        Click(dialog, wxID_OK);
        return wxID_OK;
    };
}

class BuildRunTest : public FrameTest<> {
  protected:
    void Members(std::initializer_list<size_t> sizes) {
        uint32_t slot = 0;
        for (size_t size : sizes) {
            paths.push_back(dir.AddFile("m" + std::to_string(slot) + ".qsd", size));
            ASSERT_TRUE(store->RegisterEntry(paths.back().c_str(), slot++));
        }
    }
    void Start() {
        DialogScript script;
        script.answer = Make(dir.path + "/pack");
        frame->OnToolStart();
    }
    // One tick as the frame's timer delivers it.
    void Tick(int id = kBuildTimerId) {
        wxTimer timer(frame, id);
        wxTimerEvent event(timer);
        frame->OnTimer(event);
    }
    std::string Title() const { return frame->GetTitle().ToStdString(); }

    std::vector<std::string> paths;
};

TEST_F(BuildRunTest, TheTitleFollowsEachStepAndTheEndRestoresIt) {
    Members({1 << 20, 1 << 20, 1 << 20});
    Start();
    Tick(7); // not the build's timer
    EXPECT_EQ(Title(), CMainFrame::kTitle);
    for (const char* title : {"   0.00% (1/3 : 0/0 KB)", "  66.67% (2/3 : 1024/1024 KB)",
                              " 100.00% (3/3 : 1024/1024 KB)", CMainFrame::kIdleTitle}) {
        Tick();
        EXPECT_EQ(Title(), title);
    }
    EXPECT_FALSE(frame->IsBuildRunning() || frame->BuildTimer().IsRunning());
}

TEST_F(BuildRunTest, StopBeforeTheFirstTickWritesNoFile) {
    Members({10, 20});
    Start();
    ASSERT_TRUE(frame->IsBuildRunning());
    frame->OnToolStop();
    EXPECT_FALSE(frame->IsBuildRunning() || frame->BuildTimer().IsRunning());
    EXPECT_EQ(Title(), CMainFrame::kIdleTitle);
    Tick(); // a tick already on its way finds no job
    for (const char* extension : {".bxa", ".h", ".crg"})
        EXPECT_FALSE(wxFileExists(dir.path + "/pack" + extension)) << extension;
}

TEST_F(BuildRunTest, ADeletedMemberFailsTheBuildAtItsTurn) {
    Members({10, 20, 30});
    Start();
    std::remove(paths[1].c_str());
    for (int tick = 0; tick < 2; ++tick) // the open, the first member
        Tick();
    ASSERT_TRUE(frame->IsBuildRunning());
    Tick(); // the deleted member
    EXPECT_FALSE(frame->IsBuildRunning() || frame->BuildTimer().IsRunning());
    EXPECT_EQ(Title(), CMainFrame::kIdleTitle);
}

TEST_F(BuildRunTest, ClosingTheWindowMidBuildFreesTheEngineForTheNextOne) {
    Members({10, 20});
    Start();
    Tick();
    frame->Destroy();
    Pump();
    frame = new CMainFrame;
    Start();
    EXPECT_TRUE(frame->IsBuildRunning());
}

TEST_F(BuildRunTest, AWindowBuildEqualsTheCommandLineBuild) {
    const std::string& d = dir.path;
    ASSERT_TRUE(wxMkdir(d + "/snd") && wxMkdir(d + "/snd/se"));
    const std::vector<std::string> files = {
        dir.AddFile("snd/se/jump.qsd", 5000, 1100000000), dir.AddFile("snd/bgm.qmv", 70000, 1200000000),
        dir.AddFile("snd/se/hit.qsd", 1, 1300000000), dir.AddFile("readme", 2049, 1400000000)};
    store->SetHeaderNameMode(CutOverlapping);
    Drop(files);
    ASSERT_EQ(store->CountEntries(), files.size());
    DialogScript script;
    using Dlg = CCreateArchiveDlg;
    script.answer = Make(d + "/pack.bxa", {{Dlg::IDC_ALIGN_BOX, Dlg::IDC_ALIGN, "512"},
                                           {Dlg::IDC_PREFIX_BOX, Dlg::IDC_PREFIX, "SE_"},
                                           {Dlg::IDC_HEADER_BOX, Dlg::IDC_HEADER, d + "/ids"},
                                           {Dlg::IDC_LOG_BOX, Dlg::IDC_LOG, d + "/build"}});
    wxCommandEvent start(wxEVT_MENU, ID_TOOL_START);
    frame->ProcessWindowEvent(start);
    // The frame's own timer drives the build from here.
    for (wxStopWatch watch; frame->IsBuildRunning() && watch.Time() < 20000; wxMilliSleep(5))
        Pump();
    ASSERT_FALSE(frame->IsBuildRunning());

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

} // namespace
