// Menu bar, toolbar, status bar and accelerator table of the main frame.
#include <wx/accel.h>
#include <wx/iconbndl.h>
#include <wx/intl.h>
#include <wx/menu.h>
#include <wx/statusbr.h>
#include <wx/toolbar.h>

#include "app/app_icon.h"
#include "app/command_ids.h"
#include "app/main_frame.h"
#include "resources/toolbar.xpm"

namespace {

// Key indicator panes and the texts they show while their lock is on.
const char* const kIndicatorText[3] = {"CAP", "NUM", "SCRL"};
const wxKeyCode kIndicatorKey[3] = {WXK_CAPITAL, WXK_NUMLOCK, WXK_SCROLL};

} // namespace

void CMainFrame::CreateMenus() {
    auto* file = new wxMenu;
    file->Append(ID_FILE_OPEN, _("File Registration(&O)...\tCtrl+O"));
    file->Append(ID_FILE_OPEN_LIST, _("Open List(&L)...\tCtrl+L"));
    file->Append(ID_FILE_SAVE_LIST, _("Save List(&S)...\tCtrl+S"));
    file->AppendSeparator();
    file->Append(ID_APP_EXIT, _("Exit(&X)"));

    auto* edit = new wxMenu;
    edit->Append(ID_EDIT_CUT, _("Cut(&T)\tCtrl+X"));
    edit->Append(ID_EDIT_PASTE, _("Paste(&P)\tCtrl+V"));
    edit->AppendSeparator();
    edit->Append(ID_EDIT_DELETE, _("Delete(&D)"));

    auto* view = new wxMenu;
    view->Append(ID_VIEW_NEWPAGE, _("New Page(&R)\tAlt+Enter"));
    view->Append(ID_VIEW_JUMP, _("Jump(&J)\tCtrl+J"));
    view->AppendSeparator();
    view->AppendCheckItem(ID_VIEW_TOOLBAR, _("Tool Bar(&T)"));
    view->AppendCheckItem(ID_VIEW_STATUS_BAR, _("Status Bar(&S)"));
    view->Enable(ID_VIEW_NEWPAGE, false);

    auto* tool = new wxMenu;
    tool->Append(ID_TOOL_START, _("Start(&G)\tF5"));
    tool->Append(ID_TOOL_STOP, _("Stop(&S)\tShift+F5"));
    tool->AppendSeparator();
    tool->Append(ID_TOOL_OPTION, _("Options(&O)"));
    tool->AppendSeparator();
    tool->Append(ID_TOOL_INDEX, _("Index(&I)"));

    auto* help = new wxMenu;
    help->Append(ID_APP_ABOUT, _("About Version(&A)..."));

    auto* bar = new wxMenuBar;
    bar->Append(file, _("File(&F)"));
    bar->Append(edit, _("Edit(&E)"));
    bar->Append(view, _("View(&V)"));
    bar->Append(tool, _("Tool(&T)"));
    bar->Append(help, _("Help(&H)"));
    SetMenuBar(bar);

    wxIconBundle icons;
    icons.AddIcon(AppIcon(16));
    icons.AddIcon(AppIcon(32));
    SetIcons(icons);
}

void CMainFrame::CreateToolBarWithImages() {
    wxToolBar* bar = CreateToolBar(wxTB_HORIZONTAL | wxTB_FLAT | wxTB_DOCKABLE, ID_VIEW_TOOLBAR);
    bar->SetToolBitmapSize(wxSize(16, 15));
    // No short help: the buttons show no tooltip, as the commands have no prompt.
    bar->AddTool(ID_FILE_OPEN, wxString(), wxBitmap(toolbar_open_xpm));
    bar->AddSeparator();
    bar->AddTool(ID_EDIT_CUT, wxString(), wxBitmap(toolbar_cut_xpm));
    bar->AddTool(ID_EDIT_PASTE, wxString(), wxBitmap(toolbar_paste_xpm));
    bar->AddSeparator();
    bar->AddTool(ID_VIEW_NEWPAGE, wxString(), wxBitmap(toolbar_newpage_xpm));
    bar->AddSeparator();
    bar->AddTool(ID_TOOL_START, wxString(), wxBitmap(toolbar_start_xpm));
    bar->AddTool(ID_TOOL_STOP, wxString(), wxBitmap(toolbar_stop_xpm));
    bar->EnableTool(ID_VIEW_NEWPAGE, false);
    bar->Realize();
}

void CMainFrame::CreateStatusPanes() {
    wxStatusBar* bar = CreateStatusBar(5, wxSTB_DEFAULT_STYLE, ID_VIEW_STATUS_BAR);
    int widths[5] = {-1, 0, 0, 0, 0};
    // The kana pane stays blank; it only keeps its place among the key indicators.
    widths[1] = bar->GetTextExtent(wxS("CAP")).x + 12;
    for (int i = 0; i < 3; ++i)
        widths[2 + i] = bar->GetTextExtent(kIndicatorText[i]).x + 12;
    bar->SetStatusWidths(5, widths);
    bar->SetStatusText(wxS(" "), 0);
    bar->SetStatusText(wxS(" "), 1);
    // Commands carry no prompt, so the message pane is never used for menu help.
    SetStatusBarPane(-1);
    UpdateKeyIndicators();
}

void CMainFrame::UpdateKeyIndicators() {
    wxStatusBar* bar = GetStatusBar();
    if (!bar) return;
    for (int i = 0; i < 3; ++i) {
        wxString text = wxGetKeyState(kIndicatorKey[i]) ? wxString(kIndicatorText[i]) : wxString();
        if (text != keyIndicators_[i]) {
            keyIndicators_[i] = text;
            bar->SetStatusText(text, 2 + i);
        }
    }
}

void CMainFrame::CreateAccelerators() {
    // The whole keyboard interface; no other key is bound. TryBefore drops an entry
    // whose command is disabled, as the menu does for its own shortcut texts.
    wxAcceleratorEntry entries[] = {
        {wxACCEL_CTRL, 'O', ID_FILE_OPEN},          {wxACCEL_CTRL, 'L', ID_FILE_OPEN_LIST},
        {wxACCEL_CTRL, 'S', ID_FILE_SAVE_LIST},     {wxACCEL_CTRL, 'X', ID_EDIT_CUT},
        {wxACCEL_SHIFT, WXK_DELETE, ID_EDIT_CUT},   {wxACCEL_CTRL, 'V', ID_EDIT_PASTE},
        {wxACCEL_SHIFT, WXK_INSERT, ID_EDIT_PASTE}, {wxACCEL_NORMAL, WXK_DELETE, ID_EDIT_DELETE},
        {wxACCEL_CTRL, 'J', ID_VIEW_JUMP},          {wxACCEL_ALT, WXK_RETURN, ID_VIEW_NEWPAGE},
        {wxACCEL_NORMAL, WXK_F5, ID_TOOL_START},    {wxACCEL_SHIFT, WXK_F5, ID_TOOL_STOP},
    };
    SetAcceleratorTable(wxAcceleratorTable(static_cast<int>(sizeof entries / sizeof entries[0]), entries));
}
