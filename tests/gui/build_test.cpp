// The build run of a real frame: Start, one engine step per timer tick with the progress
// in the title, the end of the build, Stop, and a window build against the command line.
#include <wx/filefn.h>
#include <wx/statusbr.h>
#include <wx/stopwatch.h>
#include <wx/timer.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <tuple>

#include "corvane_version.h"
#include "dialogs/create_archive_dlg.h"
#include "engine/file_io.h"
#include "gui_test.h"
#include "support/system.h"

namespace {

// Closing the file named here fails, as on a disk that fills up while the last buffered
// bytes go out.
std::string g_failingClose;
int CloseFailingForOneFile(std::FILE* f) {
    struct stat open {
    }, named{};
    const bool chosen = fstat(fileno(f), &open) == 0 && stat(g_failingClose.c_str(), &named) == 0 &&
                        open.st_ino == named.st_ino && open.st_dev == named.st_dev;
    const int rc = engineDefaultFileOps().close(f);
    return chosen ? EOF : rc;
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
    std::string Status() const { return frame->GetStatusBar()->GetStatusText(0).ToStdString(); }
    // Ticks until the build ends (at most `limit`).
    void Finish(int limit = 100) {
        for (int i = 0; i < limit && frame->IsBuildRunning(); ++i)
            Tick();
    }

    std::vector<std::string> paths;
};

TEST_F(BuildRunTest, TheTitleFollowsEachStepAndTheEndRestoresIt) {
    Members({1 << 20, 1 << 20, 1 << 20});
    Start();
    Tick(7); // not the build's timer
    EXPECT_EQ(Title(), CORVANE_VERSION_TITLE);
    for (const char* title : {"   0.00% (1/3 : 0/0 KB)", "  66.67% (2/3 : 1024/1024 KB)",
                              " 100.00% (3/3 : 1024/1024 KB)", "Corvane for Windows"}) {
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

// The next step is armed only once the window has been idle, so whatever came in during
// a step is served first; the beat is kept from the start, not from the end of a step.
TEST_F(BuildRunTest, TheNextStepWaitsForTheIdleWindow) {
    Members({10, 20});
    Start();
    Tick();
    EXPECT_FALSE(frame->BuildTimer().IsRunning());
    wxIdleEvent idle;
    frame->ProcessWindowEvent(idle);
    EXPECT_TRUE(frame->BuildTimer().IsRunning());
}

// The first pane tells how the last build ended until the next command; the title is
// restored whatever the end.
TEST_F(BuildRunTest, TheStatusBarSaysHowTheLastBuildEnded) {
    const std::string archive = dir.path + "/pack";
    const struct {
        const char* name;
        std::string archive;
        std::function<void()> during; // after the first tick
        std::function<std::string()> status;
    } cases[] = {
        {"clean", archive, [] {},
         [&] {
             struct stat st {};
             stat((archive + ".bxa").c_str(), &st);
             return archive + ".bxa: 2 members, " + std::to_string(st.st_size) + " bytes written.";
         }},
        {"a member deleted", archive, [this] { std::remove(paths[1].c_str()); },
         [&] { return "File open failed[3]. \"" + paths[1] + "\" (No such file or directory)"; }},
        // Neither the list nor the build may wait on a pipe that no one writes.
        {"a member swapped for a FIFO", archive,
         [this] {
             std::remove(paths[1].c_str());
             ASSERT_TRUE(testsupport::makeFifo(paths[1]));
             frame->GetDocument()->UpdateAllViews(0);
         },
         [&] { return "File open failed[3]. \"" + paths[1] + "\" (Invalid argument)"; }},
        // A full disk fails every write from then on; the first failure is the one told.
        {"a full disk", archive,
         [] {
             engineFileOps().write = [](const void*, std::size_t, std::FILE*) -> std::size_t {
                 errno = ENOSPC;
                 return 0;
             };
         },
         [&] { return "write error in header file. " + archive + ".h (No space left on device)"; }},
        // The job is done; only closing its archive fails, after the last step.
        {"an error at the archive's close", archive,
         [&] {
             g_failingClose = archive + ".bxa";
             engineFileOps().close = CloseFailingForOneFile;
         },
         [&] { return "close error[0]. " + archive + ".bxa"; }},
        {"stopped", archive, [this] { frame->OnToolStop(); },
         [] { return std::string("The build was stopped."); }},
        {"a folder that does not exist", dir.path + "/no/pack", [] {},
         [&] { return "file open failed[0]. " + dir.path + "/no/pack.bxa (No such file or directory)"; }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        paths.clear();
        ClearTable();
        Members({10, 20});
        {
            DialogScript script;
            script.answer = Make(c.archive);
            frame->OnToolStart();
        }
        Tick();
        c.during();
        Finish();
        engineResetFileOps();
        EXPECT_FALSE(frame->IsBuildRunning() || frame->BuildTimer().IsRunning());
        EXPECT_EQ(Title(), "Corvane for Windows");
        EXPECT_EQ(Status(), c.status());
        DialogScript script;
        wxCommandEvent about(wxEVT_MENU, ID_APP_ABOUT);
        frame->ProcessWindowEvent(about);
        EXPECT_EQ(Status(), " ");
    }
}

// An output that is one of the members, by name or through a link, would destroy it before
// its turn: such a build does not start, and the status bar says which output it was.
TEST_F(BuildRunTest, ABuildThatWouldOverwriteAMemberDoesNotStart) {
    const std::string member = dir.AddFile("old.bxa", 100);
    const std::string linked = dir.AddFile("m.qsd", 200);
    std::error_code linkError;
    std::filesystem::create_hard_link(linked, dir.path + "/pack.h", linkError);
    ASSERT_FALSE(linkError) << linkError.message();
    const struct {
        const char* name;
        std::string archive, clash;
    } cases[] = {
        {"the archive", dir.path + "/old", dir.path + "/old.bxa"},
        {"the header, a link to a member", dir.path + "/pack", dir.path + "/pack.h"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ClearTable();
        ASSERT_TRUE(store->RegisterEntry(member.c_str(), 0) && store->RegisterEntry(linked.c_str(), 1));
        DialogScript script;
        script.answer = Make(c.archive);
        frame->OnToolStart();
        EXPECT_FALSE(frame->IsBuildRunning());
        EXPECT_EQ(Status(), c.clash + " is a registered file; the build did not start.");
        EXPECT_EQ(testsupport::readFile(member).size(), 100u);
        EXPECT_EQ(testsupport::readFile(linked).size(), 200u);
    }
}

// Start takes the remembered archive path back only from a dialog closed with Make; the
// first one proposed is "noname" in the home folder.
TEST_F(BuildRunTest, StartRemembersTheArchivePathOnlyAfterMake) {
    Members({10});
    wxString proposed;
    auto start = [&](bool make) {
        DialogScript script;
        script.answer = [&](wxDialog* dialog) {
            auto* create = static_cast<CCreateArchiveDlg*>(dialog);
            create->InitDialog();
            proposed = Edit(dialog, CCreateArchiveDlg::IDC_ARCHIVE)->GetValue();
            create->m_strArchivePath = make ? dir.path + "/made" : "/cancelled"; // as a browse does
            Edit(dialog, CCreateArchiveDlg::IDC_ARCHIVE)->SetValue(create->m_strArchivePath);
            if (!make) return static_cast<int>(wxID_CANCEL);
            Click(dialog, wxID_OK);
            return static_cast<int>(wxID_OK);
        };
        frame->OnToolStart();
    };
    start(false);
    EXPECT_EQ(proposed, std::string(std::getenv("HOME")) + "/noname");
    EXPECT_FALSE(frame->IsBuildRunning() ||
                 frame->BuildTimer().IsRunning()); // a cancelled Start builds nothing
    start(true);
    EXPECT_TRUE(frame->IsBuildRunning());
    Finish();
    start(false);
    EXPECT_EQ(proposed, dir.path + "/made");
}

TEST_F(BuildRunTest, AWindowBuildEqualsTheCommandLineBuild) {
    const std::string& d = dir.path;
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
        window[i] = testsupport::readFile(d + outputs[i]);
        ASSERT_FALSE(window[i].empty()) << outputs[i];
        std::remove((d + outputs[i]).c_str());
    }
    std::vector<std::string> args{"pack",         "-q",         "-a", "512",
                                  "-p",           "SE_",        "-m", "cut-overlapping",
                                  "-H",           d + "/ids.h", "-L", d + "/build.crg",
                                  d + "/pack.bxa"};
    args.insert(args.end(), files.begin(), files.end());
    testsupport::RunOptions sameZone; // the window wrote its dates in this process's zone
    sameZone.keepTz = true;
    const testsupport::RunResult r = testsupport::runBxa(args, d, sameZone);
    ASSERT_EQ(r.status, 0) << r.err;
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(testsupport::readFile(d + outputs[i]) == window[i]) << outputs[i] << " differs";
}

} // namespace
