// Registration and editing commands of a real frame on the entry table.
#include <wx/filefn.h>

#include "gui_test.h"

namespace {

using Slots = std::vector<uint32_t>;

// The real frame with its file dialog answered by the test.
class TestFrame : public CMainFrame {
  public:
    std::vector<std::string> choice;

  protected:
    bool ChooseFilesToRegister(wxArrayString* paths) override {
        for (const std::string& path : choice)
            paths->push_back(wxString::FromUTF8(path));
        return !choice.empty();
    }
};

class CommandTest : public FrameTest<TestFrame> {
  protected:
    std::string Path(uint32_t s) const { return store->GetEntryPath(s) ? store->GetEntryPath(s) : "(none)"; }
    void Select(uint32_t first, uint32_t count) { SetWords(0, count, first); }
};

TEST_F(CommandTest, RegistrationAndDropsAppendBehindTheLastUsedSlot) {
    Use({0, 1, 5});
    const std::string c = dir.AddFile("c.qmv", 1), a = dir.AddFile("a.qsd", 1);
    frame->choice = {c, a, c};
    frame->OnFileRegistration();
    EXPECT_EQ(UsedSlots(), (Slots{0, 1, 5, 6, 7, 8}));
    EXPECT_EQ(Path(6) + Path(7) + Path(8), c + a + c);

    // However many files the dialog returns, all of them are registered in its order.
    std::vector<std::string> sixty;
    for (int i = 0; i < 60; ++i)
        sixty.push_back(dir.AddFile("many" + std::to_string(59 - i) + ".qsd", 1));
    frame->choice = sixty;
    frame->OnFileRegistration();
    EXPECT_EQ(store->CountEntries(), 66u);
    EXPECT_EQ(Path(9) + Path(68), sixty[0] + sixty[59]);
    EXPECT_EQ(view->GetItemCount(), 3 + 1 + 63); // 0, 1, gap, 5 to 68

    // Drops: in drop order, a folder takes a slot but shows no row, a path too long for a
    // slot leaves its slot empty, and nothing lands past the table's last slot.
    ClearTable();
    Use({3});
    const std::string sub = dir.path + "/sub";
    ASSERT_TRUE(wxMkdir(sub));
    Drop({a, sub, std::string(260, 'x'), c});
    EXPECT_EQ(UsedSlots(), (Slots{3, 4, 5, 7}));
    EXPECT_EQ(Path(4) + Path(5) + Path(7), a + sub + c);
    EXPECT_EQ(view->GetItemCount(), 5); // gap, 3, 4, gap, 7
    Use({65532});
    Drop({a, a, a});
    EXPECT_EQ(Path(65534), a);
    EXPECT_EQ(store->CountEntries(), 7u);
}

TEST_F(CommandTest, PasteMovesTheCutBlockOnlyOnceConfirmed) {
    Use({3, 4, 8});
    Select(3, 2);
    frame->OnEditCut();
    DialogScript script; // cancels
    frame->OnEditPaste();
    EXPECT_TRUE(frame->IsCutPending());
    EXPECT_EQ(UsedSlots(), (Slots{3, 4, 8}));

    Select(0, 1); // what is selected at Paste time does not matter
    script.answer = TypeIndex("10");
    frame->OnEditPaste();
    EXPECT_FALSE(frame->IsCutPending());
    EXPECT_EQ(UsedSlots(), (Slots{8, 10, 11}));
    EXPECT_EQ(Path(10), dir.path + "/f3");

    // A refused move (8 is in use) still uses the cut up.
    Select(10, 2);
    frame->OnEditCut();
    script.answer = TypeIndex("7");
    frame->OnEditPaste();
    EXPECT_FALSE(frame->IsCutPending());
    EXPECT_EQ(UsedSlots(), (Slots{8, 10, 11}));
}

TEST_F(CommandTest, BlockCommandsActFromTheFirstSelectedRow) {
    // A selection beginning on a gap row names no slot: Cut, Delete and Set Index do nothing.
    Use({1, 2});
    Select(kNoSlot, 2);
    DialogScript script;
    script.answer = TypeIndex("5");
    frame->OnEditCut();
    frame->OnEditDelete();
    frame->OnToolIndex();
    EXPECT_FALSE(frame->IsCutPending());
    EXPECT_EQ(script.shown, 0);
    EXPECT_EQ(UsedSlots(), (Slots{1, 2}));

    // From a slot, Set Index moves the whole block and Delete clears the selected count.
    Select(1, 2);
    frame->OnToolIndex();
    Select(5, 1);
    frame->OnEditDelete();
    EXPECT_EQ(UsedSlots(), (Slots{6}));
}

// The popup's commands reach the frame's handlers, and every change shows in the list.
TEST_F(CommandTest, PopupCommandsChangeTheTableAndTheListFollows) {
    const struct {
        const char* name;
        int id;
        const char* typed; // into the index dialog, when one opens
        Slots used;
    } steps[] = {
        {"Delete", ID_POPUP_DELETE, nullptr, {0, 3}},
        {"Set Index", ID_POPUP_SETINDEX, "6", {0, 6}},
        {"Cut", ID_POPUP_CUT, nullptr, {0, 6}},
        {"Paste", ID_POPUP_PASTE, "9", {0, 9}},
    };
    Use({0, 1, 2, 3});
    Select(1, 2); // slots 1 and 2: the Delete empties them, the rest moves slot 3
    for (const auto& step : steps) {
        SCOPED_TRACE(step.name);
        if (step.id == ID_POPUP_SETINDEX || step.id == ID_POPUP_CUT) Select(3, 1);
        if (step.id == ID_POPUP_CUT) Select(6, 1);
        DialogScript script;
        if (step.typed) script.answer = TypeIndex(step.typed);
        wxCommandEvent command(wxEVT_MENU, step.id);
        view->ProcessWindowEvent(command);
        EXPECT_EQ(UsedSlots(), step.used);
        // The list shows the table as it is now: slot 0, a gap, the other slot.
        ASSERT_EQ(view->GetItemCount(), 3);
        EXPECT_EQ(view->RowSlot(2), step.used[1]);
    }
}

} // namespace
