// The file list inside a real frame: columns, rows, selection recording, jump and popup.
#include <gtest/gtest.h>
#include <wx/menu.h>
#include <wx/uiaction.h>

#include <vector>

#include "app/corvane_view.h"
#include "gui_test_util.h"
#include "test_frame.h"

namespace {

class ViewTest : public testing::Test {
  protected:
    void SetUp() override {
        ResetStore();
        frame = new CountingFrame;
        frame->Show();
        view = frame->GetView();
        Pump();
    }
    void TearDown() override {
        frame->Destroy();
        Pump();
        ResetStore();
    }
    void Register(std::initializer_list<uint32_t> slots) {
        for (uint32_t s : slots)
            ASSERT_TRUE(store->RegisterEntry(file.c_str(), s));
        frame->GetDocument()->UpdateAllViews(0);
    }
    void Select(std::initializer_list<long> rows) {
        view->SetItemState(-1, 0, wxLIST_STATE_SELECTED);
        for (long r : rows)
            view->SetItemState(r, wxLIST_STATE_SELECTED, wxLIST_STATE_SELECTED);
    }
    std::vector<long> SelectedRows() {
        std::vector<long> out;
        for (long r = view->GetNextItem(-1, wxLIST_NEXT_ALL, wxLIST_STATE_SELECTED); r >= 0;
             r = view->GetNextItem(r, wxLIST_NEXT_ALL, wxLIST_STATE_SELECTED))
            out.push_back(r);
        return out;
    }
    // A key as the toolkit first shows it to the focused list; true when it goes on
    // (to the accelerators and the list).
    bool Key(int code) {
        wxKeyEvent ev(wxEVT_CHAR_HOOK);
        ev.m_keyCode = code;
        ev.SetEventObject(view->InputWindow());
        return !view->InputWindow()->HandleWindowEvent(ev);
    }
    struct Words {
        uint32_t position, count, first;
        bool operator==(const Words& o) const {
            return position == o.position && count == o.count && first == o.first;
        }
    };
    Words Recorded() {
        Words w{};
        store->GetSelection(&w.position, &w.count);
        w.first = store->GetSelFirstSlot();
        return w;
    }

    ProjectStore* store = GetProjectStore();
    CountingFrame* frame = nullptr;
    CCorvaneView* view = nullptr;
    TempDir dir;
    std::string file = dir.AddFile("a.qsd", 3);
};

} // namespace

TEST_F(ViewTest, ColumnsAndRows) {
    ASSERT_EQ(view->GetColumnCount(), 5);
    const char* headers[] = {"Index", "Filename", "Path", "Size", "Date"};
    const int widths[] = {72, 108, 216, 144, 108};
    for (int i = 0; i < 5; ++i) {
        wxListItem col;
        col.SetMask(wxLIST_MASK_TEXT | wxLIST_MASK_WIDTH | wxLIST_MASK_FORMAT);
        ASSERT_TRUE(view->GetColumn(i, col));
        EXPECT_EQ(col.GetText(), headers[i]);
        EXPECT_EQ(col.GetWidth(), widths[i]);
        EXPECT_EQ(col.GetAlign(), wxLIST_FORMAT_LEFT);
    }
    EXPECT_TRUE(view->HasFlag(wxLC_REPORT));
    EXPECT_FALSE(view->HasFlag(wxLC_SINGLE_SEL));

    EXPECT_EQ(view->GetItemCount(), 0);
    Register({0, 2, 3});
    ASSERT_EQ(view->GetItemCount(), 4);
    EXPECT_EQ(view->GetItemText(0, 0), "        0");
    EXPECT_EQ(view->GetItemText(1, 0), "");
    EXPECT_EQ(view->GetItemText(2, 1), "a.qsd");
    EXPECT_EQ(view->GetItemText(3, 2), wxString::FromUTF8(dir.Path()));
    EXPECT_EQ(view->RowSlot(1), kNoSlot);
    EXPECT_EQ(view->RowSlot(3), 3u);
}

TEST_F(ViewTest, AFullTableAppearsAtOnce) {
    for (uint32_t s = 0; s < kSlotCount; ++s)
        store->RegisterEntry(file.c_str(), s);
    frame->GetDocument()->UpdateAllViews(0);
    EXPECT_EQ(view->GetItemCount(), static_cast<int>(kSlotCount));
    EXPECT_EQ(view->GetItemText(65534, 0), "    65534");
}

TEST_F(ViewTest, ARebuildDropsTheRowsSelectionButKeepsTheWords) {
    Register({0, 1, 2});
    Select({1, 2});
    ASSERT_TRUE(view->RecordSelection());
    frame->GetDocument()->UpdateAllViews(0);
    EXPECT_TRUE(SelectedRows().empty());
    EXPECT_EQ(Recorded(), (Words{1, 2, 1}));
}

TEST_F(ViewTest, KeysRecordTheSelectionBeforeTheListMoves) {
    Register({0, 2, 3});

    // Nothing selected: the key is swallowed and the words keep their values.
    store->SetSelection(7, 7);
    store->SetSelFirstSlot(7);
    EXPECT_FALSE(Key(WXK_DOWN));
    EXPECT_EQ(Recorded(), (Words{7, 7, 7}));

    Select({2, 3});
    EXPECT_TRUE(Key(WXK_DOWN));
    EXPECT_EQ(Recorded(), (Words{2, 2, 2}));

    // A block that begins with the gap row records no slot.
    Select({1, 2});
    EXPECT_TRUE(Key(WXK_SHIFT));
    EXPECT_EQ(Recorded(), (Words{1, 2, kNoSlot}));
}

TEST_F(ViewTest, WithNothingSelectedTheFramesKeysStillWork) {
    Register({0});
    EXPECT_FALSE(Key(WXK_F5));
    EXPECT_EQ(frame->Calls(ID_TOOL_START), 1);
    // Delete is bound too, but its rule holds it back without a recorded selection.
    EXPECT_FALSE(Key(WXK_DELETE));
    EXPECT_EQ(frame->Calls(ID_EDIT_DELETE), 0);
}

TEST_F(ViewTest, ALeftClickRecordsTheSelectionAfterTheListTookIt) {
    Register({0, 1, 5});
    Select({2});
    wxMouseEvent up(wxEVT_LEFT_UP);
    up.SetEventObject(view->InputWindow());
    view->InputWindow()->HandleWindowEvent(up);
    Pump();
    EXPECT_EQ(Recorded(), (Words{2, 1, kNoSlot})); // the gap row
    Select({3});
    view->InputWindow()->HandleWindowEvent(up);
    Pump();
    EXPECT_EQ(Recorded(), (Words{3, 1, 5}));
}

TEST_F(ViewTest, JumpSelectsTheTargetRowOnly) {
    Register({0, 3, 9});
    store->SetSelection(0, 1);
    store->SetSelFirstSlot(0);
    Select({0, 1});

    store->SetJumpIndex(9);
    frame->GetDocument()->UpdateAllViews(HINT_JUMP);
    EXPECT_EQ(SelectedRows(), (std::vector<long>{4}));
    EXPECT_EQ(view->GetItemCount(), 5); // no rebuild
    EXPECT_EQ(Recorded(), (Words{0, 1, 0}));

    // An empty slot has no row: nothing stays selected.
    store->SetJumpIndex(5);
    frame->GetDocument()->UpdateAllViews(HINT_JUMP);
    EXPECT_TRUE(SelectedRows().empty());
}

TEST_F(ViewTest, JumpScrollsFarRowsIntoView) {
    for (uint32_t s = 0; s < 2000; ++s)
        store->RegisterEntry(file.c_str(), s);
    frame->GetDocument()->UpdateAllViews(0);
    Pump();
    store->SetJumpIndex(1500);
    frame->GetDocument()->UpdateAllViews(HINT_JUMP);
    Pump();
    long top = view->GetTopItem();
    EXPECT_LE(top, 1500);
    EXPECT_GT(top + view->GetCountPerPage(), 1500);
}

TEST_F(ViewTest, PopupGreysItsItemsByTheFramesQueries) {
    auto states = [&] {
        std::unique_ptr<wxMenu> menu(view->CreatePopupMenu());
        std::vector<int> out; // id when enabled, -id when greyed, 0 for a separator
        for (wxMenuItem* item : menu->GetMenuItems())
            out.push_back(item->IsSeparator() ? 0 : (item->IsEnabled() ? item->GetId() : -item->GetId()));
        return out;
    };
    EXPECT_EQ(states(), (std::vector<int>{-501, -502, 0, -503, 0, -504}));
    Register({0});
    EXPECT_EQ(states(), (std::vector<int>{-501, -502, 0, -503, 0, 504}));
    store->SetSelection(0, 1);
    EXPECT_EQ(states(), (std::vector<int>{501, -502, 0, 503, 0, 504}));
    frame->SetBuildRunning(true);
    EXPECT_EQ(states(), (std::vector<int>{501, -502, 0, 503, 0, -504}));
    frame->SetBuildRunning(false);
}

TEST_F(ViewTest, PopupCommandsReachTheFramesHandlers) {
    for (int id : {ID_POPUP_CUT, ID_POPUP_PASTE, ID_POPUP_DELETE, ID_POPUP_SETINDEX}) {
        wxCommandEvent ev(wxEVT_MENU, id);
        view->HandleWindowEvent(ev);
    }
    EXPECT_EQ(frame->Calls(ID_EDIT_CUT), 1);
    EXPECT_EQ(frame->Calls(ID_EDIT_PASTE), 1);
    EXPECT_EQ(frame->Calls(ID_EDIT_DELETE), 1);
    EXPECT_EQ(frame->Calls(ID_TOOL_INDEX), 1);
}

TEST_F(ViewTest, RealKeysThroughTheToolkit) {
    Register({0, 1});
    frame->Raise();
    view->SetFocus();
    Pump();
    if (!view->InputWindow()->HasFocus()) GTEST_SKIP() << "no keyboard focus in this X server";
    wxUIActionSimulator sim;

    sim.Char(WXK_F5);
    PumpUntil([&] { return frame->Calls(ID_TOOL_START) != 0; });
    EXPECT_EQ(frame->Calls(ID_TOOL_START), 1);
    sim.Char(WXK_DELETE); // no recorded selection: dropped
    sim.Char(WXK_F1);     // bound to nothing; once it has arrived, so has Delete
    PumpUntil([] { return false; }, 300);
    EXPECT_EQ(frame->Calls(ID_EDIT_DELETE), 0);

    // A real click on row 1 selects it and records it once the list has taken it;
    // Delete then acts on it.
    wxRect rect;
    ASSERT_TRUE(view->GetItemRect(1, rect));
    sim.MouseMove(view->ClientToScreen(rect.GetPosition() + wxPoint(20, rect.height / 2)));
    sim.MouseClick();
    PumpUntil([&] { return Recorded().count != 0; });
    EXPECT_EQ(Recorded(), (Words{1, 1, 1}));
    EXPECT_EQ(SelectedRows(), (std::vector<long>{1}));
    sim.Char(WXK_DELETE);
    PumpUntil([&] { return frame->Calls(ID_EDIT_DELETE) != 0; });
    EXPECT_EQ(frame->Calls(ID_EDIT_DELETE), 1);

    frame->SetBuildRunning(true);
    sim.Char(WXK_F5);
    sim.Char(WXK_F5, wxMOD_SHIFT);
    PumpUntil([&] { return frame->Calls(ID_TOOL_STOP) != 0; });
    EXPECT_EQ(frame->Calls(ID_TOOL_START), 1);
    EXPECT_EQ(frame->Calls(ID_TOOL_STOP), 1);
    frame->SetBuildRunning(false);
}
