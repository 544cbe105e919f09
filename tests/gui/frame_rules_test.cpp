// The main frame's bars, title and the enable rule of every command, checked where
// the user meets them: menus as they open, toolbar buttons at idle, accelerators.
#include <gtest/gtest.h>
#include <wx/dialog.h>
#include <wx/dnd.h>
#include <wx/menu.h>
#include <wx/statusbr.h>
#include <wx/textctrl.h>
#include <wx/toolbar.h>
#include <wx/uiaction.h>

#include <algorithm>
#include <map>
#include <vector>

#include "app/corvane_view.h"
#include "gui_test_util.h"
#include "test_frame.h"

namespace {

const int kAllCommands[] = {ID_FILE_OPEN,       ID_APP_EXIT,     ID_EDIT_CUT,  ID_EDIT_PASTE,
                            ID_EDIT_DELETE,     ID_VIEW_NEWPAGE, ID_VIEW_JUMP, ID_VIEW_TOOLBAR,
                            ID_VIEW_STATUS_BAR, ID_TOOL_START,   ID_TOOL_STOP, ID_TOOL_OPTION,
                            ID_TOOL_INDEX,      ID_APP_ABOUT};

class FrameTest : public testing::Test {
  protected:
    void SetUp() override {
        ResetStore();
        frame = new CountingFrame;
        frame->Show();
        Pump();
    }
    void TearDown() override {
        frame->Destroy();
        Pump();
        ResetStore();
    }

    // Opens every menu as GTK does (update handlers run) and reads the items' states.
    std::map<int, bool> MenuStates() {
        wxMenuBar* bar = frame->GetMenuBar();
        for (size_t i = 0; i < bar->GetMenuCount(); ++i)
            bar->GetMenu(i)->UpdateUI(frame);
        std::map<int, bool> states;
        for (int id : kAllCommands)
            states[id] = bar->IsEnabled(id);
        return states;
    }
    std::map<int, bool> ToolStates() {
        frame->GetToolBar()->UpdateWindowUI(wxUPDATE_UI_FROMIDLE);
        std::map<int, bool> states;
        for (int id :
             {ID_FILE_OPEN, ID_EDIT_CUT, ID_EDIT_PASTE, ID_VIEW_NEWPAGE, ID_TOOL_START, ID_TOOL_STOP})
            states[id] = frame->GetToolBar()->GetToolEnabled(id);
        return states;
    }
    // Expects exactly the listed commands to be enabled, in the menus and on the toolbar alike.
    void ExpectEnabled(std::vector<int> enabled) {
        std::map<int, bool> menu = MenuStates(), tools = ToolStates();
        for (int id : kAllCommands) {
            bool want = std::find(enabled.begin(), enabled.end(), id) != enabled.end();
            EXPECT_EQ(menu[id], want) << "menu item " << id;
            if (tools.count(id)) {
                EXPECT_EQ(tools[id], want) << "tool " << id;
            }
        }
    }
    // Delivers a key the way the toolkit does once no window took it: through the frame's table.
    void PressAccelerator(int flags, int key) {
        wxKeyEvent ev(wxEVT_KEY_DOWN);
        ev.m_keyCode = key;
        ev.m_controlDown = (flags & wxACCEL_CTRL) != 0;
        ev.m_shiftDown = (flags & wxACCEL_SHIFT) != 0;
        ev.m_altDown = (flags & wxACCEL_ALT) != 0;
        int command = frame->GetAcceleratorTable()->GetCommand(ev);
        ASSERT_NE(command, -1) << "key " << key << " is not bound";
        wxCommandEvent menuEvent(wxEVT_MENU, command);
        frame->HandleWindowEvent(menuEvent);
    }
    void Register(uint32_t slot) {
        ASSERT_TRUE(GetProjectStore()->RegisterEntry(file.c_str(), slot));
        frame->GetDocument()->UpdateAllViews(0);
    }

    CountingFrame* frame = nullptr;
    TempDir dir;
    std::string file = dir.AddFile("a.qsd", 10);
};

} // namespace

TEST_F(FrameTest, TitleMenusAndBars) {
    EXPECT_EQ(frame->GetTitle(), "Corvane for Windows Ver.1.08");
    wxMenuBar* bar = frame->GetMenuBar();
    ASSERT_EQ(bar->GetMenuCount(), 5u);
    const char* titles[] = {"File(&F)", "Edit(&E)", "View(&V)", "Tool(&T)", "Help(&H)"};
    for (size_t i = 0; i < 5; ++i)
        EXPECT_EQ(bar->GetMenuLabel(i), titles[i]);
    EXPECT_EQ(bar->FindItem(ID_FILE_OPEN)->GetItemLabel(), "File Registration(&O)...\tCtrl+O");
    EXPECT_EQ(bar->FindItem(ID_TOOL_STOP)->GetItemLabel(), "Stop(&S)\tShift+F5");
    EXPECT_EQ(bar->FindItem(ID_EDIT_DELETE)->GetItemLabel(), "Delete(&D)");

    // Items and separators in order, a separator as 0.
    std::vector<int> tool;
    for (wxMenuItem* item : bar->GetMenu(3)->GetMenuItems())
        tool.push_back(item->IsSeparator() ? 0 : item->GetId());
    EXPECT_EQ(tool, (std::vector<int>{ID_TOOL_START, ID_TOOL_STOP, 0, ID_TOOL_OPTION, 0, ID_TOOL_INDEX}));

    wxToolBar* tb = frame->GetToolBar();
    std::vector<int> buttons;
    for (size_t i = 0; i < tb->GetToolsCount(); ++i) {
        const wxToolBarToolBase* t = tb->GetToolByPos(static_cast<int>(i));
        buttons.push_back(t->IsSeparator() ? 0 : t->GetId());
        if (!t->IsSeparator()) {
            EXPECT_TRUE(t->GetShortHelp().empty()) << "no tooltip text";
            EXPECT_EQ(t->GetNormalBitmap().GetSize(), wxSize(16, 15));
        }
    }
    EXPECT_EQ(buttons, (std::vector<int>{ID_FILE_OPEN, 0, ID_EDIT_CUT, ID_EDIT_PASTE, 0, ID_VIEW_NEWPAGE, 0,
                                         ID_TOOL_START, ID_TOOL_STOP}));

    ASSERT_EQ(frame->GetStatusBar()->GetFieldsCount(), 5);
    EXPECT_EQ(frame->GetStatusBar()->GetStatusText(0), " ");
}

TEST_F(FrameTest, EnableRulesOverARun) {
    const int always[] = {ID_FILE_OPEN, ID_APP_EXIT, ID_VIEW_TOOLBAR, ID_VIEW_STATUS_BAR, ID_APP_ABOUT};
    std::vector<int> base(std::begin(always), std::end(always));
    auto with = [&](std::vector<int> more) {
        more.insert(more.end(), base.begin(), base.end());
        return more;
    };

    // Empty table.
    ExpectEnabled(with({ID_TOOL_OPTION}));

    // Registered, nothing selected yet.
    Register(0);
    ExpectEnabled(with({ID_TOOL_OPTION, ID_TOOL_START, ID_TOOL_INDEX, ID_VIEW_JUMP}));

    // A recorded selection.
    GetProjectStore()->SetSelection(0, 1);
    ExpectEnabled(
        with({ID_TOOL_OPTION, ID_TOOL_START, ID_TOOL_INDEX, ID_VIEW_JUMP, ID_EDIT_CUT, ID_EDIT_DELETE}));

    // Building: Start, Index and Options give way to Stop; the editing commands stay.
    frame->SetBuildRunning(true);
    ExpectEnabled(with({ID_TOOL_STOP, ID_VIEW_JUMP, ID_EDIT_CUT, ID_EDIT_DELETE}));
    frame->SetBuildRunning(false);
}

TEST_F(FrameTest, DisabledAcceleratorsDoNothing) {
    // Empty table: everything but File Registration is held back.
    PressAccelerator(wxACCEL_NORMAL, WXK_F5);
    PressAccelerator(wxACCEL_SHIFT, WXK_F5);
    PressAccelerator(wxACCEL_NORMAL, WXK_DELETE);
    PressAccelerator(wxACCEL_SHIFT, WXK_DELETE);
    PressAccelerator(wxACCEL_CTRL, 'X');
    PressAccelerator(wxACCEL_CTRL, 'V');
    PressAccelerator(wxACCEL_SHIFT, WXK_INSERT);
    PressAccelerator(wxACCEL_CTRL, 'J');
    PressAccelerator(wxACCEL_ALT, WXK_RETURN);
    PressAccelerator(wxACCEL_CTRL, 'O');
    std::map<int, int> once_open{{ID_FILE_OPEN, 1}};
    for (auto& [id, n] : frame->calls)
        EXPECT_EQ(n, once_open[id]) << "command " << id;

    // During a build F5 is dropped and Shift+F5 gets through; both keys of Cut work with a selection.
    Register(0);
    GetProjectStore()->SetSelection(0, 1);
    frame->SetBuildRunning(true);
    PressAccelerator(wxACCEL_NORMAL, WXK_F5);
    PressAccelerator(wxACCEL_SHIFT, WXK_F5);
    PressAccelerator(wxACCEL_SHIFT, WXK_DELETE);
    PressAccelerator(wxACCEL_CTRL, 'X');
    PressAccelerator(wxACCEL_NORMAL, WXK_DELETE);
    PressAccelerator(wxACCEL_ALT, WXK_RETURN);
    EXPECT_EQ(frame->Calls(ID_TOOL_START), 0);
    EXPECT_EQ(frame->Calls(ID_TOOL_STOP), 1);
    EXPECT_EQ(frame->Calls(ID_EDIT_CUT), 2);
    EXPECT_EQ(frame->Calls(ID_EDIT_DELETE), 1);
    EXPECT_EQ(frame->Calls(ID_VIEW_NEWPAGE), 0);
    frame->SetBuildRunning(false);
}

TEST_F(FrameTest, MenuAndToolbarCommandsAreTestedAgainBeforeTheyRun) {
    // A button drawn enabled at the last idle may be pressed after the state changed.
    Register(0);
    ToolStates();
    frame->SetBuildRunning(true);
    wxCommandEvent click(wxEVT_TOOL, ID_TOOL_START);
    click.SetEventObject(frame->GetToolBar());
    frame->GetToolBar()->HandleWindowEvent(click);
    EXPECT_EQ(frame->Calls(ID_TOOL_START), 0);
    frame->SetBuildRunning(false);
    frame->GetToolBar()->HandleWindowEvent(click);
    EXPECT_EQ(frame->Calls(ID_TOOL_START), 1);
}

TEST_F(FrameTest, BarTogglesHideShowAndCheck) {
    wxMenuBar* bar = frame->GetMenuBar();
    auto checked = [&](int id) {
        bar->GetMenu(2)->UpdateUI(frame);
        return bar->IsChecked(id);
    };
    EXPECT_TRUE(checked(ID_VIEW_TOOLBAR));
    EXPECT_TRUE(checked(ID_VIEW_STATUS_BAR));

    wxCommandEvent toggle(wxEVT_MENU, ID_VIEW_TOOLBAR);
    frame->HandleWindowEvent(toggle);
    EXPECT_FALSE(frame->GetToolBar()->IsShown());
    EXPECT_FALSE(checked(ID_VIEW_TOOLBAR));
    frame->HandleWindowEvent(toggle);
    EXPECT_TRUE(frame->GetToolBar()->IsShown());
    EXPECT_TRUE(checked(ID_VIEW_TOOLBAR));

    wxCommandEvent status(wxEVT_MENU, ID_VIEW_STATUS_BAR);
    frame->HandleWindowEvent(status);
    EXPECT_FALSE(frame->GetStatusBar()->IsShown());
    EXPECT_FALSE(checked(ID_VIEW_STATUS_BAR));
    EXPECT_TRUE(checked(ID_VIEW_TOOLBAR));
}

TEST_F(FrameTest, DroppedFilesReachTheFrameInDropOrder) {
    frame->DragAcceptFiles(true);
    auto* target = dynamic_cast<wxFileDropTarget*>(frame->GetDropTarget());
    ASSERT_NE(target, nullptr);
    wxArrayString files;
    files.Add("/b.qsd");
    files.Add("/a.qsd");
    target->OnDropFiles(0, 0, files);
    EXPECT_EQ(frame->dropped, (std::vector<wxString>{"/b.qsd", "/a.qsd"}));
}

TEST_F(FrameTest, RealKeysInADialogStayThere) {
    // The frame's keys must not reach into a dialog: Delete and Ctrl+X edit the text there.
    Register(0);
    GetProjectStore()->SetSelection(0, 1);
    wxDialog dialog(frame, wxID_ANY, "d");
    auto* text = new wxTextCtrl(&dialog, wxID_ANY, "abc");
    dialog.Show();
    text->SetFocus();
    text->SetInsertionPoint(0);
    Pump();
    if (!text->HasFocus()) GTEST_SKIP() << "no keyboard focus in this X server";
    wxUIActionSimulator sim;
    sim.Char(WXK_DELETE);
    PumpUntil([&] { return text->GetValue() != "abc"; });
    EXPECT_EQ(text->GetValue(), "bc");
    text->SelectAll();
    sim.Char('X', wxMOD_CONTROL);
    PumpUntil([&] { return text->GetValue().empty(); });
    EXPECT_EQ(text->GetValue(), "");
    EXPECT_EQ(frame->Calls(ID_EDIT_DELETE), 0);
    EXPECT_EQ(frame->Calls(ID_EDIT_CUT), 0);
}
