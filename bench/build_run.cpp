// The window's build run in a real frame, two figures:
//  - steps a second over a build of 1,000 small members (one step each), against the
//    100 a second of the 10 ms beat;
//  - the stop delay: Shift+F5 pressed (through the X server, as a user's key) at some
//    moment during a build of 256 MiB members, and the number of steps that still
//    began after the key had been delivered.
// Needs a display and xdotool: xvfb-run -a build/bin/build_run
#include <fcntl.h>
#include <unistd.h>
#include <wx/app.h>
#include <wx/evtloop.h>
#include <wx/init.h>
#include <wx/modalhook.h>
#include <wx/textctrl.h>
#include <wx/utils.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "app/corvane_view.h"
#include "app/main_frame.h"
#include "dialogs/create_archive_dlg.h"
#include "model/project_store.h"

namespace {

using Clock = std::chrono::steady_clock;

// Answers the creation dialog with an archive name and Make.
class MakeArchive : public wxModalDialogHook {
  public:
    std::string archive;
    MakeArchive() { Register(); }
    ~MakeArchive() override { Unregister(); }

  protected:
    int Enter(wxDialog* dialog) override {
        dialog->InitDialog();
        static_cast<wxTextCtrl*>(dialog->FindWindow(CCreateArchiveDlg::IDC_ARCHIVE))->SetValue(archive);
        wxCommandEvent make(wxEVT_BUTTON, wxID_OK);
        dialog->FindWindow(wxID_OK)->ProcessWindowEvent(make);
        return wxID_OK;
    }
    void Exit(wxDialog*) override {}
};

std::string MakeFile(const std::string& path, off_t size) {
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0 || ::ftruncate(fd, size) != 0) std::perror(path.c_str());
    if (fd >= 0) ::close(fd);
    return path;
}

struct Run {
    int steps = 0;      // steps begun
    double seconds = 0; // from Start to the end of the build
};

// Starts a build of the registered slots and runs the event loop until it ends;
// `during` is called on every step, before it runs.
Run Build(CMainFrame* frame, const std::string& archive, const std::function<void(int)>& during) {
    MakeArchive hook;
    hook.archive = archive;
    Run run;
    wxGUIEventLoop loop;
    // The handlers stay with the frame after this returns; they then do nothing.
    auto active = std::make_shared<bool>(true);
    frame->Bind(wxEVT_TIMER, [&, active](wxTimerEvent& event) {
        event.Skip();
        if (*active) during(++run.steps);
    });
    frame->Bind(wxEVT_IDLE, [&, active](wxIdleEvent& event) {
        event.Skip();
        if (*active && !frame->IsBuildRunning() && loop.IsRunning()) loop.Exit();
    });
    const Clock::time_point start = Clock::now();
    frame->OnToolStart();
    loop.Run();
    run.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    *active = false;
    return run;
}

void ClearTable(ProjectStore* store) {
    for (uint32_t i = store->GetEntryEnd(); i-- > 0;)
        store->ClearEntry(i);
}

} // namespace

int main(int argc, char** argv) {
    wxApp::SetInstance(new wxApp);
    if (!wxEntryStart(argc, argv)) {
        std::fputs("build_run: needs a display; run under xvfb-run\n", stderr);
        return 1;
    }
    wxTheApp->CallOnInit();
    ProjectStore* store = GetProjectStore();
    const std::filesystem::path dir = std::filesystem::temp_directory_path() / "corvane-build-run";
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);

    // 1,000 small members.
    std::vector<std::string> small;
    for (int i = 0; i < 1000; ++i)
        small.push_back(MakeFile((dir / ("s" + std::to_string(i))).string(), 1));
    for (uint32_t i = 0; i < small.size(); ++i)
        store->RegisterEntry(small[i].c_str(), i);
    {
        auto* frame = new CMainFrame;
        frame->Show();
        const Run run = Build(frame, (dir / "small").string(), [](int) {});
        std::printf("1000 small members: %d steps in %.3f s = %.1f steps/s (the beat allows 100)\n",
                    run.steps, run.seconds, run.steps / run.seconds);
        frame->Destroy();
    }

    // Stop at different moments of a build of three 256 MiB members (sparse files).
    ClearTable(store);
    for (uint32_t i = 0; i < 3; ++i)
        store->RegisterEntry(MakeFile((dir / ("big" + std::to_string(i))).string(), 256 << 20).c_str(), i);
    const int pressAfterMs[] = {250, 400, 550, 700, 850};
    for (int ms : pressAfterMs) {
        auto* frame = new CMainFrame;
        frame->Show();
        frame->Raise(); // without a window manager the keyboard goes nowhere otherwise
        frame->GetView()->InputWindow()->SetFocus();
        for (int i = 0; i < 20; ++i)
            wxTheApp->Yield(true), wxMilliSleep(5);
        std::atomic<int> begun{0};
        std::atomic<int> atPress{-1};
        Clock::time_point lastStep;
        double longest = 0;
        std::thread key([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(ms));
            // Once xdotool returns, the server has delivered the key to the window.
            if (std::system("xdotool key shift+F5") != 0) std::fputs("build_run: xdotool failed\n", stderr);
            atPress = begun.load();
        });
        const Run run = Build(frame, (dir / "big").string(), [&](int n) {
            const Clock::time_point now = Clock::now();
            if (n > 1) longest = std::max(longest, std::chrono::duration<double>(now - lastStep).count());
            lastStep = now;
            begun = n;
        });
        key.join();
        std::printf("Shift+F5 after %d ms: %d steps begun by then, %d after (longest step gap %.3f s)%s\n",
                    ms, atPress.load(), run.steps - atPress.load(), longest,
                    run.steps >= 13 ? ", the build ended first" : "");
        frame->Destroy();
        for (int i = 0; i < 5; ++i)
            wxTheApp->Yield(true);
        std::filesystem::remove(dir / "big.bxa");
    }
    std::filesystem::remove_all(dir);
    wxEntryCleanup();
    return 0;
}
