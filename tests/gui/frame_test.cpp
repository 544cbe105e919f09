// The enable rule of every command, in the menu and for a command sent by a key of the
// frame's accelerator table, which fires whatever the menu shows.
#include <wx/menu.h>

#include <functional>
#include <map>
#include <memory>

#include "corvane_version.h"
#include "gui_test.h"

namespace {

using FrameRulesTest = FrameTest<>;

TEST_F(FrameRulesTest, EnableRulesOverARunHoldForMenuAndKeys) {
    // Each step is taken on top of those before it: empty table, after registration, with a
    // selection, with a cut pending, during a build.
    const std::function<void()> steps[] = {
        [] {},
        [&] { Use({0}); },
        [&] { SetWords(0, 1, 0); },
        [&] { frame->OnEditCut(); },
        [&] { frame->SetBuildRunning(true); },
    };
    // Whether each command is enabled in each of the states, one row per rule.
    const std::pair<int, const char*> rules[] = {
        {ID_FILE_OPEN, "11111"},   {ID_EDIT_CUT, "00111"},       {ID_EDIT_PASTE, "00011"},
        {ID_EDIT_DELETE, "00111"}, {ID_VIEW_NEWPAGE, "00000"},   {ID_VIEW_JUMP, "01111"},
        {ID_TOOL_START, "01110"},  {ID_TOOL_STOP, "00001"},      {ID_TOOL_OPTION, "11110"},
        {ID_TOOL_INDEX, "01110"},  {ID_FILE_OPEN_LIST, "11110"}, {ID_FILE_SAVE_LIST, "01111"},
    };
    // The list's popup, greyed by the same queries when it is built.
    const std::pair<int, const char*> popupRules[] = {
        {ID_POPUP_CUT, "00111"},
        {ID_POPUP_PASTE, "00011"},
        {ID_POPUP_DELETE, "00111"},
        {ID_POPUP_SETINDEX, "01110"},
    };
    // Bound last, so it runs before the frame's own handlers and stands in for them.
    std::map<int, int> calls;
    frame->Bind(wxEVT_MENU, [&](wxCommandEvent& event) { ++calls[event.GetId()]; });
    wxMenuBar* bar = frame->GetMenuBar();
    for (int s = 0; s < 5; ++s) {
        SCOPED_TRACE(s);
        steps[s]();
        for (size_t i = 0; i < bar->GetMenuCount(); ++i)
            bar->GetMenu(i)->UpdateUI(frame); // as GTK does when a menu opens
        for (const auto& [id, enabled] : rules) {
            EXPECT_EQ(bar->IsEnabled(id), enabled[s] == '1') << "menu item " << id;
            const int before = calls[id];
            wxCommandEvent command(wxEVT_MENU, id); // what an accelerator-table entry sends
            frame->HandleWindowEvent(command);
            EXPECT_EQ(calls[id] - before, enabled[s] == '1' ? 1 : 0) << "command " << id;
        }
        std::unique_ptr<wxMenu> popup(frame->GetView()->CreatePopupMenu());
        for (const auto& [id, enabled] : popupRules)
            EXPECT_EQ(popup->IsEnabled(id), enabled[s] == '1') << "popup item " << id;
    }
    frame->SetBuildRunning(false);
    EXPECT_EQ(frame->GetTitle(), CORVANE_VERSION_TITLE);
}

} // namespace
