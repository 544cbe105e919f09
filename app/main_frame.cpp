#include "app/main_frame.h"

#include "app/command_ids.h"
#include "app/corvane_view.h"
#include "corvane_version.h"
#include "model/project_store.h"
#include "platform/user_dirs.h"

const char* const CMainFrame::kTitle = CORVANE_VERSION_TITLE;
const char* const CMainFrame::kIdleTitle = "Corvane for Windows";

// Wide enough for the five columns side by side.
CMainFrame::CMainFrame()
    : wxFrame(nullptr, wxID_ANY, kTitle, wxDefaultPosition, wxSize(720, 480)),
      archivePath_(platform::defaultArchivePath()), buildTimer_(this, kBuildTimerId) {
    CreateMenus();
    CreateToolBarWithImages();
    CreateStatusPanes();
    CreateAccelerators();
    // Set the title last, so nothing the bars do can leave another one behind;
    // the document never gives the window a name of its own.
    SetTitle(kTitle);
    store_ = GetProjectStore();

    view_ = new CCorvaneView(this, this);
    doc_.AttachView(view_);
    BindCommands();
    Bind(wxEVT_TIMER, &CMainFrame::OnTimer, this, kBuildTimerId);
    Bind(wxEVT_DROP_FILES, &CMainFrame::OnDropFiles, this);
    view_->OnInitialUpdate();
}

CMainFrame::~CMainFrame() {
    // Closing while a build runs performs no further step; the job is closed here
    // so its files are flushed and the engine is free for another frame.
    buildTimer_.Stop();
    ReleaseJob();
}

bool CMainFrame::HasSelection() const {
    uint32_t count = 0;
    store_->GetSelection(nullptr, &count);
    return count != 0;
}

bool CMainFrame::CanSetIndex() const {
    return store_->CountEntries() != 0 && buildRunning_ == 0;
}
