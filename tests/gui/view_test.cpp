// The file list inside a real frame: its rows, the selection words it records, jump.
#include <wx/datetime.h>

#include <functional>
#include <tuple>

#include "app/list_rows.h"
#include "gui_test.h"
#include "platform/path.h"

namespace {

class ViewTest : public FrameTest<> {
  protected:
    void Select(std::initializer_list<long> rows) {
        view->SetItemState(-1, 0, wxLIST_STATE_SELECTED);
        for (long r : rows)
            view->SetItemState(r, wxLIST_STATE_SELECTED, wxLIST_STATE_SELECTED);
    }
    void Key(int code, int modifiers = wxMOD_NONE) { PressKey(view->InputWindow(), code, modifiers); }
    // A real left click in the middle of a row.
    void ClickRow(long row) {
        wxRect rect;
        ASSERT_TRUE(view->GetItemRect(row, rect));
        wxUIActionSimulator mouse;
        mouse.MouseMove(view->ClientToScreen(wxPoint(rect.x + 30, rect.y + rect.height / 2)));
        mouse.MouseClick();
        Settle();
    }
    // The selection words: position, count and the first selected row's slot.
    using Words = std::tuple<uint32_t, uint32_t, uint32_t>;
    Words Recorded() const {
        Words w;
        store->GetSelection(&std::get<0>(w), &std::get<1>(w));
        std::get<2>(w) = store->GetSelFirstSlot();
        return w;
    }
};

TEST_F(ViewTest, RowsShowEachGapOnceAndSkipUnreadableEntries) {
    // One character a slot: F a file, M a missing file, D a folder, '.' an empty slot.
    const std::string slots = ".FF..FMDF.M", file = dir.AddFile("a.qsd", 3);
    for (uint32_t s = 0; s < slots.size(); ++s) {
        const std::string path = slots[s] == 'F' ? file : slots[s] == 'D' ? dir.path : dir.path + "/missing";
        EXPECT_TRUE(slots[s] == '.' || store->RegisterEntry(path.c_str(), s));
    }
    frame->GetDocument()->UpdateAllViews(0);
    std::vector<long> rows; // the slot of each row, -1 for a gap row
    for (long r = 0; r < view->GetItemCount(); ++r)
        rows.push_back(view->RowSlot(r) == kNoSlot ? -1 : static_cast<long>(view->RowSlot(r)));
    EXPECT_EQ(rows, (std::vector<long>{-1, 1, 2, -1, 5, 8, -1}));

    ClearTable();
    const time_t when = wxDateTime(5, wxDateTime::Mar, 2004, 9, 7).GetTicks(); // local time
    ASSERT_TRUE(store->RegisterEntry(dir.AddFile("data.qsd", 1234, when).c_str(), 7));
    frame->GetDocument()->UpdateAllViews(0);
    const wxString cells[] = {"        7", "data.qsd", wxString::FromUTF8(dir.path),
                              wxString(' ', 20) + "1234", "2004/03/05 09:07"};
    for (int c = 0; c < ColCount; ++c) {
        EXPECT_EQ(view->GetItemText(1, c), cells[c]) << "column " << c;
        EXPECT_EQ(view->GetItemText(0, c), "") << "gap row, column " << c;
    }
}

TEST_F(ViewTest, KeyboardListKeysRecordTheSelectionBeforeTheyActAndAClickAfter) {
    Use({0, 2, 3}); // rows: 0, gap, 2, 3
    SetWords(7, 7, 7);
    // Nothing selected: the key never reaches the list and the words stay, but the
    // window's own keys still work (Start asks for the archive first).
    Key(WXK_DOWN);
    EXPECT_EQ(Recorded(), Words(7, 7, 7));
    EXPECT_EQ(view->GetSelectedItemCount(), 0);
    {
        DialogScript script;
        Key(WXK_F5);
        EXPECT_EQ(script.shown, 1);
    }
    Select({2, 3});
    Key(WXK_DOWN);
    EXPECT_EQ(Recorded(), Words(2, 2, 2));
    Select({1, 2}); // a block beginning with the gap row names no slot
    Key(WXK_END);
    EXPECT_EQ(Recorded(), Words(1, 2, kNoSlot));

    // A click is recorded once the list has moved its selection to the clicked row.
    ClickRow(2);
    ClickRow(3);
    EXPECT_EQ(Recorded(), Words(3, 1, 3));
}

// After a click on slot 2 and a Jump to slot 9 (which selects the row of 9 without
// recording it), a key of the accelerator table acts on slot 2; a key of the list
// records slot 9 first.
TEST_F(ViewTest, KeyboardCommandsActOnTheWordsRecordedBeforeThem) {
    using Slots = std::vector<uint32_t>;
    const Slots all = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9}, deleted = {0, 1, 3, 4, 5, 6, 7, 8, 9};
    const Slots moved = {0, 1, 3, 4, 5, 6, 7, 8, 9, 12}; // slot 2 cut and pasted at 12
    const struct {
        const char* name;
        std::function<void()> act;
        Slots used;
        uint32_t recordedSlot;
    } cases[] = {
        {"Delete key", [this] { Key(WXK_DELETE); }, deleted, 2},
        {"Shift+Delete, then Paste at 12", [this] { Key(WXK_DELETE, wxMOD_SHIFT); }, moved, 2},
        {"Ctrl+X, then Paste at 12", [this] { Key('X', wxMOD_CONTROL); }, moved, 2},
        {"Down records the jump target", [this] { Key(WXK_DOWN); }, all, 9},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ClearTable();
        for (uint32_t s : all)
            ASSERT_TRUE(store->RegisterEntry(dir.AddFile("f" + std::to_string(s), 1).c_str(), s));
        frame->GetDocument()->UpdateAllViews(0);
        ClickRow(2);
        DialogScript script;
        script.answer = TypeIndex("9");
        Key('J', wxMOD_CONTROL);
        ASSERT_EQ(script.shown, 1);
        ASSERT_EQ(view->GetNextItem(-1, wxLIST_NEXT_ALL, wxLIST_STATE_SELECTED), 9);
        c.act();
        if (frame->IsCutPending()) {
            script.answer = TypeIndex("12");
            frame->OnEditPaste();
        }
        EXPECT_EQ(UsedSlots(), c.used);
        EXPECT_EQ(store->GetSelFirstSlot(), c.recordedSlot);
    }
}

// A registered file shows its name and its folder apart, split as the system splits paths.
TEST_F(StoreTest, RowsSplitNameAndFolderAtTheSystemsSeparator) {
    TempDir dir;
    dir.AddFile("jump.qsd", 3);
    const std::string file = dir.path + platform::kPathSeparator + "jump.qsd";
    ASSERT_TRUE(store->RegisterEntry(file.c_str(), 0));
    std::vector<ListRow> rows;
    BuildListRows(*store, &rows);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(ListRowText(rows[0], ColFilename), "jump.qsd");
    EXPECT_EQ(ListRowText(rows[0], ColPath), dir.path);
    rows[0].path = platform::kPathSeparator + std::string("jump.qsd"); // no folder to show
    rows[0].nameStart = 1;
    EXPECT_EQ(ListRowText(rows[0], ColPath), "");
}

TEST_F(ViewTest, JumpSelectsTheTargetRowAndLeavesTheWordsAlone) {
    const std::string file = dir.AddFile("a.qsd", 1);
    for (uint32_t s = 0; s < 2000; ++s)
        store->RegisterEntry(file.c_str(), s);
    for (uint32_t s : {1, 2, 4, 5, 6, 7, 8})
        store->ClearEntry(s);
    frame->GetDocument()->UpdateAllViews(0); // rows: 0, gap, 3, gap, 9, 10...
    Select({0, 1});
    SetWords(0, 2, 0);
    DialogScript script;
    script.answer = TypeIndex("1500");
    frame->OnViewJump();
    Pump();
    const long row = 4 + 1500 - 9;
    EXPECT_EQ(view->GetSelectedItemCount(), 1);
    EXPECT_EQ(view->GetNextItem(-1, wxLIST_NEXT_ALL, wxLIST_STATE_SELECTED), row);
    EXPECT_EQ(Recorded(), Words(0, 2, 0));
    const long top = view->GetTopItem();
    EXPECT_TRUE(top <= row && row < top + view->GetCountPerPage()) << top;

    script.answer = TypeIndex("5"); // an empty slot has no row: nothing stays selected
    frame->OnViewJump();
    EXPECT_EQ(view->GetSelectedItemCount(), 0);
}

} // namespace
