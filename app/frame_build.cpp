// The build run: Start asks for the options and starts the job, each timer tick
// performs one engine step, Stop ends the job at once. Everything runs on the window's
// thread, so the window answers between two steps.
#include <cstdio>
#include <cstdlib>

#include "app/command_ids.h"
#include "app/main_frame.h"
#include "dialogs/create_archive_dlg.h"
#include "engine/build_progress.h"
#include "model/project_store.h"

namespace {

constexpr int kTickMilliseconds = 10;

// The title shown after a step: overall percentage, member number and the current
// member's progress in whole kilobytes.
wxString ProgressTitle(const BuildJob& job) {
    // The member size is a signed word divided as such; the kilobytes show as its
    // 32-bit pattern.
    const unsigned long copiedKb = job.copied / 1024;
    const unsigned long sizeKb = static_cast<uint32_t>(job.memberSize / 1024);
    char text[96];
    std::snprintf(text, sizeof text, "%7.2f%% (%u/%u : %lu/%lu KB)", jobStepPercent(job), job.current + 1,
                  job.memberCount, copiedKb, sizeKb);
    return wxString::FromUTF8(text);
}

} // namespace

void CMainFrame::OnToolStart() {
    // Only one job can exist; a second Start while one runs has nothing to do.
    if (job_ != nullptr) return;

    CCreateArchiveDlg dialog(this);
    dialog.m_strArchivePath = wxString::FromUTF8(archivePath_.c_str());
    if (dialog.ShowModal() != wxID_OK) return;
    archivePath_ = dialog.m_strArchivePath.utf8_str().data();

    buildBlock_ = std::malloc(kJobBlockSize);
    job_ = jobCreate(store_->GetArchiveName(), buildBlock_, kJobBlockSize);
    if (job_ == nullptr) {
        std::free(buildBlock_);
        buildBlock_ = nullptr;
        return;
    }
    // The same preparation as the command line's, so both build alike. An empty
    // table leaves the job unstarted: there is nothing to run then.
    if (PrepareBuildJob(store_, job_, buildList_, store_->GetHeaderName(), store_->GetLogName()) == 0) {
        ReleaseJob();
        return;
    }
    buildTimer_.Start(kTickMilliseconds);
    buildRunning_ = 1;
}

void CMainFrame::OnToolStop() {
    // The job's state does not matter: whatever it has written stays as it is.
    EndBuild();
}

void CMainFrame::OnTimer(wxTimerEvent& event) {
    if (event.GetId() != kBuildTimerId || job_ == nullptr) {
        event.Skip();
        return;
    }
    jobExecute();
    SetTitle(ProgressTitle(*job_));
    const BuildJobState state = jobGetState(job_);
    if (state == BuildJobState::Done || state == BuildJobState::Failed) EndBuild();
}

void CMainFrame::ReleaseJob() {
    if (job_ != nullptr) {
        jobClose(job_);
        jobDestroy(job_);
        job_ = nullptr;
    }
    std::free(buildBlock_);
    buildBlock_ = nullptr;
}

void CMainFrame::EndBuild() {
    ReleaseJob();
    buildTimer_.Stop();
    buildRunning_ = 0;
    SetTitle(kIdleTitle);
}
