// Command routing and the enable rule of every command.
#include <wx/menu.h>
#include <wx/statusbr.h>
#include <wx/toolbar.h>

#include "app/command_ids.h"
#include "app/main_frame.h"
#include "model/project_store.h"

namespace {

const int kCommands[] = {ID_FILE_OPEN,
                         ID_APP_EXIT,
                         ID_EDIT_CUT,
                         ID_EDIT_PASTE,
                         ID_EDIT_DELETE,
                         ID_VIEW_NEWPAGE,
                         ID_VIEW_JUMP,
                         ID_VIEW_TOOLBAR,
                         ID_VIEW_STATUS_BAR,
                         ID_TOOL_START,
                         ID_TOOL_STOP,
                         ID_TOOL_OPTION,
                         ID_TOOL_INDEX,
                         ID_APP_ABOUT,
                         ID_FILE_OPEN_LIST,
                         ID_FILE_SAVE_LIST,
                         ID_FILE_RECENT_LIST,
                         ID_FILE_RECENT_LIST + 1,
                         ID_FILE_RECENT_LIST + 2,
                         ID_FILE_RECENT_LIST + 3};

bool IsFrameCommand(int id) {
    for (int c : kCommands)
        if (c == id) return true;
    return false;
}

} // namespace

void CMainFrame::BindCommands() {
    auto route = [this](int id, void (CMainFrame::*handler)()) {
        Bind(
            wxEVT_MENU, [this, handler](wxCommandEvent&) { (this->*handler)(); }, id);
    };
    route(ID_FILE_OPEN, &CMainFrame::OnFileRegistration);
    route(ID_EDIT_CUT, &CMainFrame::OnEditCut);
    route(ID_EDIT_PASTE, &CMainFrame::OnEditPaste);
    route(ID_EDIT_DELETE, &CMainFrame::OnEditDelete);
    route(ID_VIEW_JUMP, &CMainFrame::OnViewJump);
    route(ID_VIEW_TOOLBAR, &CMainFrame::OnViewToolBar);
    route(ID_VIEW_STATUS_BAR, &CMainFrame::OnViewStatusBar);
    route(ID_TOOL_START, &CMainFrame::OnToolStart);
    route(ID_TOOL_STOP, &CMainFrame::OnToolStop);
    route(ID_TOOL_OPTION, &CMainFrame::OnToolOption);
    route(ID_TOOL_INDEX, &CMainFrame::OnToolIndex);
    route(ID_APP_ABOUT, &CMainFrame::OnAppAbout);
    route(ID_FILE_OPEN_LIST, &CMainFrame::OnFileOpenList);
    route(ID_FILE_SAVE_LIST, &CMainFrame::OnFileSaveList);
    Bind(
        wxEVT_MENU,
        [this](wxCommandEvent& event) {
            OnFileRecentList(static_cast<size_t>(event.GetId() - ID_FILE_RECENT_LIST));
        },
        ID_FILE_RECENT_LIST, ID_FILE_RECENT_LIST + 3);
    // New Page has no handler at all; Exit goes on to the application object.

    // wx greys nothing by itself, so every command gets its rule, including those always enabled.
    for (int id : kCommands)
        Bind(wxEVT_UPDATE_UI, &CMainFrame::OnUpdateCommand, this, id);
    Bind(wxEVT_IDLE, &CMainFrame::OnIdle, this);
}

void CMainFrame::OnUpdateCommand(wxUpdateUIEvent& event) {
    switch (event.GetId()) {
    case ID_EDIT_CUT:
    case ID_EDIT_DELETE:
        event.Enable(HasSelection());
        break;
    case ID_EDIT_PASTE:
        event.Enable(IsCutPending());
        break;
    case ID_VIEW_NEWPAGE:
        event.Enable(false);
        break;
    case ID_VIEW_JUMP:
        event.Enable(store_->CountEntries() != 0);
        break;
    case ID_TOOL_START:
    case ID_TOOL_INDEX:
        event.Enable(CanSetIndex());
        break;
    case ID_TOOL_STOP:
        event.Enable(buildRunning_ != 0);
        break;
    case ID_TOOL_OPTION:
    case ID_FILE_OPEN_LIST:
    case ID_FILE_RECENT_LIST:
    case ID_FILE_RECENT_LIST + 1:
    case ID_FILE_RECENT_LIST + 2:
    case ID_FILE_RECENT_LIST + 3:
        event.Enable(buildRunning_ == 0);
        break;
    case ID_FILE_SAVE_LIST:
        event.Enable(store_->CountEntries() != 0);
        break;
    case ID_VIEW_TOOLBAR:
        event.Enable(true);
        event.Check(GetToolBar() && GetToolBar()->IsShown());
        break;
    case ID_VIEW_STATUS_BAR:
        event.Enable(true);
        event.Check(GetStatusBar() && GetStatusBar()->IsShown());
        break;
    default: // File Registration, Exit, About
        event.Enable(true);
        break;
    }
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
    if (!checkingRule_ && event.GetEventType() == wxEVT_MENU && IsFrameCommand(event.GetId()) &&
        !IsCommandEnabled(event.GetId()))
        return true;
    return wxFrame::TryBefore(event);
}

void CMainFrame::OnIdle(wxIdleEvent& event) {
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
