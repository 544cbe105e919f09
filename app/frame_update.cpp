// Command routing and the enable rule of every command.
#include <wx/menu.h>
#include <wx/statusbr.h>
#include <wx/toolbar.h>

#include <vector>

#include "app/command_ids.h"
#include "app/main_frame.h"
#include "model/project_store.h"

// One row per command of the frame: the ids it covers, what runs it and when it may
// run. The menu binding, the update-UI rule and the accelerator guard all read these
// rows, so a command added here works from the menu, the toolbar and the keys alike.
struct CMainFrame::Command {
    int firstId;
    int lastId;
    // Null: the frame does not handle it (Exit goes on to the application; New Page
    // has no handler at all).
    void (*run)(CMainFrame& frame, int id);
    bool (*enabled)(const CMainFrame& frame);
    // Null for a plain command; otherwise whether its menu item shows a check mark.
    bool (*checked)(const CMainFrame& frame);
};

namespace {

bool Always(const CMainFrame&) {
    return true;
}

} // namespace

const std::vector<CMainFrame::Command>& CMainFrame::Commands() {
    static const std::vector<Command> kTable = {
        {ID_FILE_OPEN, ID_FILE_OPEN, [](CMainFrame& f, int) { f.OnFileRegistration(); }, Always, nullptr},
        {ID_APP_EXIT, ID_APP_EXIT, nullptr, Always, nullptr},
        {ID_EDIT_CUT, ID_EDIT_CUT, [](CMainFrame& f, int) { f.OnEditCut(); },
         [](const CMainFrame& f) { return f.HasSelection(); }, nullptr},
        {ID_EDIT_PASTE, ID_EDIT_PASTE, [](CMainFrame& f, int) { f.OnEditPaste(); },
         [](const CMainFrame& f) { return f.IsCutPending(); }, nullptr},
        {ID_EDIT_DELETE, ID_EDIT_DELETE, [](CMainFrame& f, int) { f.OnEditDelete(); },
         [](const CMainFrame& f) { return f.HasSelection(); }, nullptr},
        {ID_VIEW_NEWPAGE, ID_VIEW_NEWPAGE, nullptr, [](const CMainFrame&) { return false; }, nullptr},
        {ID_VIEW_JUMP, ID_VIEW_JUMP, [](CMainFrame& f, int) { f.OnViewJump(); },
         [](const CMainFrame& f) { return f.store_->CountEntries() != 0; }, nullptr},
        {ID_VIEW_TOOLBAR, ID_VIEW_TOOLBAR, [](CMainFrame& f, int) { f.OnViewToolBar(); }, Always,
         [](const CMainFrame& f) { return f.GetToolBar() && f.GetToolBar()->IsShown(); }},
        {ID_VIEW_STATUS_BAR, ID_VIEW_STATUS_BAR, [](CMainFrame& f, int) { f.OnViewStatusBar(); }, Always,
         [](const CMainFrame& f) { return f.GetStatusBar() && f.GetStatusBar()->IsShown(); }},
        {ID_TOOL_START, ID_TOOL_START, [](CMainFrame& f, int) { f.OnToolStart(); },
         [](const CMainFrame& f) { return f.CanSetIndex(); }, nullptr},
        {ID_TOOL_STOP, ID_TOOL_STOP, [](CMainFrame& f, int) { f.OnToolStop(); },
         [](const CMainFrame& f) { return f.buildRunning_ != 0; }, nullptr},
        {ID_TOOL_OPTION, ID_TOOL_OPTION, [](CMainFrame& f, int) { f.OnToolOption(); },
         [](const CMainFrame& f) { return f.buildRunning_ == 0; }, nullptr},
        {ID_TOOL_INDEX, ID_TOOL_INDEX, [](CMainFrame& f, int) { f.OnToolIndex(); },
         [](const CMainFrame& f) { return f.CanSetIndex(); }, nullptr},
        {ID_APP_ABOUT, ID_APP_ABOUT, [](CMainFrame& f, int) { f.OnAppAbout(); }, Always, nullptr},
        {ID_FILE_OPEN_LIST, ID_FILE_OPEN_LIST, [](CMainFrame& f, int) { f.OnFileOpenList(); },
         [](const CMainFrame& f) { return f.buildRunning_ == 0; }, nullptr},
        {ID_FILE_SAVE_LIST, ID_FILE_SAVE_LIST, [](CMainFrame& f, int) { f.OnFileSaveList(); },
         [](const CMainFrame& f) { return f.store_->CountEntries() != 0; }, nullptr},
        {ID_FILE_RECENT_LIST, ID_FILE_RECENT_LIST + static_cast<int>(RecentLists::kMaxLists) - 1,
         [](CMainFrame& f, int id) { f.OnFileRecentList(static_cast<size_t>(id - ID_FILE_RECENT_LIST)); },
         [](const CMainFrame& f) { return f.buildRunning_ == 0; }, nullptr},
    };
    return kTable;
}

const CMainFrame::Command* CMainFrame::FindCommand(int id) {
    for (const Command& command : Commands())
        if (command.firstId <= id && id <= command.lastId) return &command;
    return nullptr;
}

void CMainFrame::BindCommands() {
    for (const Command& command : Commands()) {
        if (command.run != nullptr) {
            auto run = command.run;
            Bind(
                wxEVT_MENU, [this, run](wxCommandEvent& event) { run(*this, event.GetId()); },
                command.firstId, command.lastId);
        }
        // wx greys nothing by itself, so every command gets its rule, including those always enabled.
        Bind(wxEVT_UPDATE_UI, &CMainFrame::OnUpdateCommand, this, command.firstId, command.lastId);
    }
    Bind(wxEVT_IDLE, &CMainFrame::OnIdle, this);
}

void CMainFrame::OnUpdateCommand(wxUpdateUIEvent& event) {
    const Command* command = FindCommand(event.GetId());
    if (command == nullptr) return;
    event.Enable(command->enabled(*this));
    if (command->checked != nullptr) event.Check(command->checked(*this));
}

bool CMainFrame::IsCommandEnabled(int id) {
    wxUpdateUIEvent update(id);
    update.SetEventObject(this);
    checkingRule_ = true;
    bool handled = ProcessWindowEvent(update);
    checkingRule_ = false;
    return !(handled && update.GetSetEnabled() && !update.GetEnabled());
}

bool CMainFrame::TryBefore(wxEvent& event) {
    // Accelerator-table entries fire whatever the rules say, and a menu or button may
    // have been drawn enabled before the state changed: test the rule once more here
    // and drop a disabled command without a word.
    if (!checkingRule_ && event.GetEventType() == wxEVT_MENU && FindCommand(event.GetId()) != nullptr) {
        if (!IsCommandEnabled(event.GetId())) return true;
        // How the last build ended stays in the status bar until the next command.
        ShowStatusLine(wxString());
    }
    return wxFrame::TryBefore(event);
}

void CMainFrame::OnIdle(wxIdleEvent& event) {
    // Whatever came in during the last build step has been served by now.
    ArmNextStep();
    UpdateKeyIndicators();
    event.Skip();
}

void CMainFrame::OnViewToolBar() {
    wxToolBar* bar = GetToolBar();
    if (!bar) return;
    bar->Show(!bar->IsShown());
    SendSizeEvent();
}

void CMainFrame::OnViewStatusBar() {
    wxStatusBar* bar = GetStatusBar();
    if (!bar) return;
    bar->Show(!bar->IsShown());
    SendSizeEvent();
}
