// The main frame's title, bars and the enable rule of every command, and the guard that
// keeps a disabled command's key from running it.
#include <wx/menu.h>
#include <wx/statusbr.h>
#include <wx/toolbar.h>

#include <functional>
#include <map>

#include "gui_test.h"

namespace {

// A frame whose command handlers only count their calls.
class CountingFrame : public CMainFrame {
  public:
    std::map<int, int> calls;
    void OnFileRegistration() override { ++calls[ID_FILE_OPEN]; }
    void OnEditCut() override { ++calls[ID_EDIT_CUT]; }
    void OnEditPaste() override { ++calls[ID_EDIT_PASTE]; }
    void OnEditDelete() override { ++calls[ID_EDIT_DELETE]; }
    void OnToolIndex() override { ++calls[ID_TOOL_INDEX]; }
    void OnViewJump() override { ++calls[ID_VIEW_JUMP]; }
    void OnToolOption() override { ++calls[ID_TOOL_OPTION]; }
    void OnAppAbout() override { ++calls[ID_APP_ABOUT]; }
    void OnToolStart() override { ++calls[ID_TOOL_START]; }
    void OnToolStop() override { ++calls[ID_TOOL_STOP]; }
};

using FrameRulesTest = FrameTest<CountingFrame>;

TEST_F(FrameRulesTest, EnableRulesOverARun) {
    // Each step is taken on top of those before it.
    const char* const states[] = {"empty table", "after registration", "with a selection",
                                  "with a cut pending", "during a build"};
    const std::function<void()> steps[] = {
        [] {},
        [&] { Use({0}); },
        [&] {
            store->SetSelection(0, 1);
            store->SetSelFirstSlot(0);
        },
        [&] { frame->CMainFrame::OnEditCut(); },
        [&] { frame->SetBuildRunning(true); },
    };
    // Whether each command is enabled in each of the states, in order.
    const std::pair<int, const char*> rules[] = {
        {ID_FILE_OPEN, "11111"},  {ID_APP_EXIT, "11111"},     {ID_EDIT_CUT, "00111"},
        {ID_EDIT_PASTE, "00011"}, {ID_EDIT_DELETE, "00111"},  {ID_VIEW_NEWPAGE, "00000"},
        {ID_VIEW_JUMP, "01111"},  {ID_VIEW_TOOLBAR, "11111"}, {ID_VIEW_STATUS_BAR, "11111"},
        {ID_TOOL_START, "01110"}, {ID_TOOL_STOP, "00001"},    {ID_TOOL_OPTION, "11110"},
        {ID_TOOL_INDEX, "01110"}, {ID_APP_ABOUT, "11111"},
    };
    wxMenuBar* bar = frame->GetMenuBar();
    for (int s = 0; s < 5; ++s) {
        SCOPED_TRACE(states[s]);
        steps[s]();
        for (size_t i = 0; i < bar->GetMenuCount(); ++i)
            bar->GetMenu(i)->UpdateUI(frame); // as GTK does when a menu opens
        for (const auto& [id, enabled] : rules) {
            EXPECT_EQ(frame->IsCommandEnabled(id), enabled[s] == '1') << "command " << id;
            EXPECT_EQ(bar->IsEnabled(id), enabled[s] == '1') << "menu item " << id;
        }
    }
    frame->SetBuildRunning(false);
}

TEST_F(FrameRulesTest, ADisabledCommandsKeyDoesNothing) {
    const bool empty = false, building = true;
    const struct {
        bool building; // with one entry selected; otherwise an empty table
        int flags, key, command;
        bool runs;
    } presses[] = {
        {empty, wxACCEL_NORMAL, WXK_F5, ID_TOOL_START, false},
        {empty, wxACCEL_NORMAL, WXK_DELETE, ID_EDIT_DELETE, false},
        {empty, wxACCEL_SHIFT, WXK_DELETE, ID_EDIT_CUT, false},
        {empty, wxACCEL_SHIFT, WXK_INSERT, ID_EDIT_PASTE, false},
        {empty, wxACCEL_ALT, WXK_RETURN, ID_VIEW_NEWPAGE, false},
        {empty, wxACCEL_CTRL, 'O', ID_FILE_OPEN, true},
        {building, wxACCEL_NORMAL, WXK_F5, ID_TOOL_START, false},
        {building, wxACCEL_SHIFT, WXK_F5, ID_TOOL_STOP, true},
        {building, wxACCEL_SHIFT, WXK_DELETE, ID_EDIT_CUT, true},
        {building, wxACCEL_NORMAL, WXK_DELETE, ID_EDIT_DELETE, true},
        {building, wxACCEL_ALT, WXK_RETURN, ID_VIEW_NEWPAGE, false},
    };
    for (const auto& p : presses) {
        SCOPED_TRACE(testing::Message()
                     << "key " << p.key << " flags " << p.flags << " building " << p.building);
        if (p.building && !frame->IsBuildRunning()) {
            Use({0});
            store->SetSelection(0, 1);
            frame->SetBuildRunning(true);
        }
        // The key as the toolkit delivers it once no window took it: through the frame's table.
        wxKeyEvent key(wxEVT_KEY_DOWN);
        key.m_keyCode = p.key;
        key.m_controlDown = (p.flags & wxACCEL_CTRL) != 0;
        key.m_shiftDown = (p.flags & wxACCEL_SHIFT) != 0;
        key.m_altDown = (p.flags & wxACCEL_ALT) != 0;
        ASSERT_EQ(frame->GetAcceleratorTable()->GetCommand(key), p.command);
        std::map<int, int> want = frame->calls;
        if (p.runs) ++want[p.command];
        wxCommandEvent command(wxEVT_MENU, p.command);
        frame->HandleWindowEvent(command);
        EXPECT_EQ(frame->calls, want);
    }
    frame->SetBuildRunning(false);
}

TEST_F(FrameRulesTest, TitleAndBarToggles) {
    EXPECT_EQ(frame->GetTitle(), "Corvane for Windows Ver.1.08");
    wxMenu* menu = frame->GetMenuBar()->GetMenu(2);
    const struct {
        int id;
        wxWindow* bar;
    } toggles[] = {{ID_VIEW_TOOLBAR, frame->GetToolBar()}, {ID_VIEW_STATUS_BAR, frame->GetStatusBar()}};
    for (const auto& t : toggles) {
        menu->UpdateUI(frame);
        EXPECT_TRUE(menu->IsChecked(t.id));
        for (bool shown : {false, true}) {
            wxCommandEvent toggle(wxEVT_MENU, t.id);
            frame->HandleWindowEvent(toggle);
            menu->UpdateUI(frame);
            EXPECT_EQ(t.bar->IsShown(), shown) << t.id;
            EXPECT_EQ(menu->IsChecked(t.id), shown) << t.id;
        }
    }
}

} // namespace
