// The build run of a real frame: Start, one engine step per timer tick with the progress
// in the title, the end of the build and Stop. A window build against the command line
// is in list_test.cpp.
#include <wx/filefn.h>
#include <wx/statusbr.h>
#include <wx/timer.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>

#include "corvane_version.h"
#include "engine/file_io.h"
#include "gui_test.h"

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

class BuildRunTest : public FrameTest<> {
  protected:
    void Members(std::initializer_list<size_t> sizes) {
        uint32_t slot = 0;
        for (size_t size : sizes) {
            paths.push_back(dir.AddFile("m" + std::to_string(slot) + ".qsd", size));
            ASSERT_TRUE(store->RegisterEntry(paths.back().c_str(), slot++));
        }
    }
    void Start(const std::string& archive = "") {
        DialogScript script;
        script.answer = Make(archive.empty() ? dir.path + "/pack" : archive);
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

// The next step is armed only once the window has been idle, so whatever came in during
// a step is served first; the beat is kept from the start, not from the end of a step.
TEST_F(BuildRunTest, TheTitleFollowsEachStepTheNextWaitsForTheIdleWindowAndTheEndRestoresIt) {
    Members({1 << 20, 1 << 20, 1 << 20});
    Start();
    Tick(7); // not the build's timer
    EXPECT_EQ(Title(), CORVANE_VERSION_TITLE);
    for (const char* title : {"   0.00% (1/3 : 0/0 KB)", "  66.67% (2/3 : 1024/1024 KB)",
                              " 100.00% (3/3 : 1024/1024 KB)", "Corvane for Windows"}) {
        Tick();
        EXPECT_EQ(Title(), title);
        EXPECT_FALSE(frame->BuildTimer().IsRunning());
        wxIdleEvent idle;
        frame->ProcessWindowEvent(idle);
        EXPECT_EQ(frame->BuildTimer().IsRunning(), frame->IsBuildRunning());
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

// The first pane tells how the last build ended until the next command; the title is
// restored whatever the end.
TEST_F(BuildRunTest, TheStatusBarSaysHowTheLastBuildEnded) {
    const std::string archive = dir.path + "/pack", m1 = dir.path + "/m1.qsd"; // as Members names it
    const struct {
        const char* name;
        std::function<void()> during; // after the first tick
        std::string status;
        std::string archive = ""; // the default one when empty
    } cases[] = {
        // Two members of 10 and 20 bytes and the attribute table, each in a block of 2048.
        {"clean", [] {}, archive + ".bxa: 2 members, 8192 bytes written."},
        {"a member deleted", [&] { std::remove(m1.c_str()); },
         "File open failed[3]. \"" + m1 + "\" (No such file or directory)"},
        // Neither the list nor the build may wait on a pipe that no one writes.
        {"a member swapped for a FIFO",
         [&] {
             std::remove(m1.c_str());
             ASSERT_TRUE(testsupport::makeFifo(m1));
             frame->GetDocument()->UpdateAllViews(0);
         },
         "File open failed[3]. \"" + m1 + "\" (Invalid argument)"},
        // A full disk fails every write from then on; the first failure is the one told.
        {"a full disk",
         [] {
             engineFileOps().write = [](const void*, std::size_t, std::FILE*) -> std::size_t {
                 errno = ENOSPC;
                 return 0;
             };
         },
         "write error in header file. " + archive + ".h (No space left on device)"},
        // The job is done; only closing its archive fails, after the last step.
        {"an error at the archive's close",
         [&] {
             g_failingClose = archive + ".bxa";
             engineFileOps().close = CloseFailingForOneFile;
         },
         "close error[0]. " + archive + ".bxa"},
        {"stopped", [this] { frame->OnToolStop(); }, "The build was stopped."},
        {"a folder that does not exist", [] {},
         "file open failed[0]. " + dir.path + "/no/pack.bxa (No such file or directory)",
         dir.path + "/no/pack"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        paths.clear();
        ClearTable();
        Members({10, 20});
        Start(c.archive);
        Tick();
        c.during();
        Finish();
        engineResetFileOps();
        EXPECT_FALSE(frame->IsBuildRunning() || frame->BuildTimer().IsRunning());
        EXPECT_EQ(Title(), "Corvane for Windows");
        EXPECT_EQ(Status(), c.status);
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
        Start(c.archive);
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

} // namespace
