// The build run: Start asks for the options and starts the job, each timer tick
// performs one engine step, Stop ends the job at once. Everything runs on the window's
// thread. A step may copy 64 MiB, so the next one is only armed once the window is idle:
// keys, clicks, menus and painting that came in during a step are served first.
#include <wx/app.h>
#include <wx/intl.h>
#include <wx/statusbr.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/command_ids.h"
#include "app/main_frame.h"
#include "dialogs/create_archive_dlg.h"
#include "dialogs/system_text.h"
#include "engine/archive_layout.h"
#include "engine/build_progress.h"
#include "model/output_clash.h"
#include "model/project_store.h"

namespace {

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
    return FromSystemText(text);
}

} // namespace

void CMainFrame::OnToolStart() {
    // Only one job can exist; a second Start while one runs has nothing to do.
    if (job_ != nullptr) return;

    CCreateArchiveDlg dialog(this);
    dialog.m_strArchivePath = FromSystemText(archivePath_);
    if (dialog.ShowModal() != wxID_OK) return;
    archivePath_ = ToSystemText(dialog.m_strArchivePath);

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
    // Nothing is created yet; a build that would write over one of its own members does not start.
    if (const std::string clash = OutputOverwritingMember(*job_); !clash.empty()) {
        ReleaseJob();
        ShowStatusLine(
            wxString::Format(_("%s is a registered file; the build did not start."), FromSystemText(clash)));
        return;
    }
    firstEngineMessage_.clear();
    engineSetMessageHook(&CMainFrame::OnEngineMessage, this);
    beat_.Start(BuildBeat::Clock::now());
    stepWaiting_ = true;
    ArmNextStep();
    buildRunning_ = 1;
}

void CMainFrame::OnEngineMessage(const char* text, void* frame) {
    const int reason = errno;
    std::string& kept = static_cast<CMainFrame*>(frame)->firstEngineMessage_;
    // The first fault is the one the others follow from: on a full disk every later
    // write, seek and flush fails too.
    if (!kept.empty()) return;
    kept = text;
    while (!kept.empty() && (kept.back() == '\n' || kept.back() == '\r'))
        kept.pop_back();
    if (reason != 0) kept += std::string(" (") + std::strerror(reason) + ")";
}

void CMainFrame::OnToolStop() {
    // The job's state does not matter: whatever it has written stays as it is.
    EndBuild();
    ShowStatusLine(_("The build was stopped."));
}

void CMainFrame::ArmNextStep() {
    if (!stepWaiting_ || job_ == nullptr) return;
    stepWaiting_ = false;
    buildTimer_.StartOnce(std::max(1, beat_.NextDelayMs(BuildBeat::Clock::now())));
}

void CMainFrame::OnTimer(wxTimerEvent& event) {
    if (event.GetId() != kBuildTimerId || job_ == nullptr) {
        event.Skip();
        return;
    }
    buildTimer_.Stop(); // one step per arming, however the tick came
    jobExecute();
    SetTitle(ProgressTitle(*job_));
    const BuildJobState state = jobGetState(job_);
    if (state != BuildJobState::Done && state != BuildJobState::Failed) {
        // The next step waits for the idle time after this one (OnIdle).
        stepWaiting_ = true;
        wxWakeUpIdle();
        return;
    }
    // The outcome is read before the job is released; closing may still meet an error.
    const wxString archive = FromSystemText(job_->archiveName);
    const uint32_t members = job_->memberCount;
    const uint64_t length = archiveEnd(job_->writeOffset, job_->entryCount, job_->alignment);
    EndBuild();
    if (state == BuildJobState::Done && buildErrors_ == 0)
        ShowStatusLine(wxString::Format(_("%s: %u members, %llu bytes written."), archive, members,
                                        static_cast<unsigned long long>(length)));
    else
        ShowStatusLine(FromSystemText(firstEngineMessage_));
}

void CMainFrame::ShowStatusLine(const wxString& text) {
    if (wxStatusBar* bar = GetStatusBar()) bar->SetStatusText(text.empty() ? wxString(wxS(" ")) : text, 0);
}

void CMainFrame::ReleaseJob() {
    buildErrors_ = 0;
    if (job_ != nullptr) {
        jobClose(job_);
        buildErrors_ = jobGetErrorCount(job_);
        jobDestroy(job_);
        job_ = nullptr;
    }
    std::free(buildBlock_);
    buildBlock_ = nullptr;
}

void CMainFrame::EndBuild() {
    ReleaseJob();
    engineSetMessageHook(nullptr, nullptr);
    stepWaiting_ = false;
    buildTimer_.Stop();
    buildRunning_ = 0;
    SetTitle(kIdleTitle);
}
