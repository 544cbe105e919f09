// Registration and editing commands of a real frame on the entry table.
#include <wx/filedlg.h>
#include <wx/filefn.h>

#include "cmd_test_util.h"

namespace {

using cmdtest::DialogScript;
using cmdtest::TypeIndex;
using Slots = std::vector<uint32_t>;

class CommandTest : public cmdtest::FrameTest {
  protected:
    void Use(std::initializer_list<uint32_t> slots) {
        for (uint32_t s : slots)
            ASSERT_TRUE(store->RegisterEntry(File(s).c_str(), s)) << s;
        frame->GetDocument()->UpdateAllViews(0);
    }
    std::string File(uint32_t s) { return dir.AddFile("f" + std::to_string(s) + ".qsd", 1); }
    std::string Path(uint32_t s) { return Text(store->GetEntryPath(s)); }
    Slots UsedSlots() const {
        Slots out;
        for (uint32_t s = 0; s < kSlotCount; ++s)
            if (store->GetEntryPath(s)) out.push_back(s);
        return out;
    }
    void Select(uint32_t first, uint32_t count) {
        store->SetSelection(0, count);
        store->SetSelFirstSlot(first);
    }
};

} // namespace

TEST_F(CommandTest, RegistrationAppendsBehindTheLastUsedSlotInTheDialogsOrder) {
    Use({0, 1, 5});
    const std::string c = dir.AddFile("c.qmv", 1), a = dir.AddFile("a.qsd", 1);
    frame->choice = {c, a, c};
    frame->OnFileRegistration();
    EXPECT_EQ(UsedSlots(), (Slots{0, 1, 5, 6, 7, 8}));
    EXPECT_EQ(Path(6) + Path(7) + Path(8), c + a + c);
    EXPECT_EQ(view->GetItemCount(), 7); // 0, 1, gap, 5, 6, 7, 8

    // Folder, each name and a last terminator must fit 260 bytes, or nothing is taken.
    frame->choice = {"/d/" + std::string(127, 'a'), "/d/" + std::string(128, 'b')};
    frame->OnFileRegistration();
    frame->cancel = true;
    frame->OnFileRegistration();
    EXPECT_EQ(store->CountEntries(), 6u);
    frame->cancel = false;
    frame->choice.back().pop_back();
    frame->OnFileRegistration();
    EXPECT_EQ(store->CountEntries(), 8u);
}

TEST_F(CommandTest, RegistrationDialogOpensInTheCurrentFolderWithTheFilter) {
    UseSettings({"/srv/data"}, 0, 0);
    DialogScript script;
    script.answer = [](wxDialog* dialog) {
        auto* files = dynamic_cast<wxFileDialog*>(dialog);
        EXPECT_NE(files, nullptr);
        if (!files) return wxID_CANCEL;
        EXPECT_EQ(files->GetMessage(), "File Open");
        EXPECT_EQ(files->GetDirectory(), "/srv/data");
        EXPECT_EQ(files->GetWildcard(), "ALL files (*.*)|*|QSD files (*.qsd)|*.qsd|QMV files (*.qmv)|*.qmv");
        EXPECT_EQ(files->GetFilterIndex(), 0);
        EXPECT_TRUE(files->HasFlag(wxFD_MULTIPLE));
        return wxID_CANCEL;
    };
    frame->realDialog = true;
    frame->OnFileRegistration();
    EXPECT_EQ(script.shown, 1);
}

TEST_F(CommandTest, DropsAppendInDropOrderAndStopAtTheEndOfTheTable) {
    Use({3});
    const std::string sub = dir.Path() + "/sub";
    ASSERT_TRUE(wxMkdir(sub));
    const std::string b = dir.AddFile("b.qsd", 1);
    Drop({b, sub, std::string(260, 'x'), b});
    EXPECT_EQ(UsedSlots(), (Slots{3, 4, 5, 7}));
    EXPECT_EQ(Path(5), sub);
    EXPECT_EQ(view->GetItemCount(), 5); // gap, 3, 4, gap, 7: the folder has no row

    Use({65532});
    Drop({b, b, b});
    EXPECT_EQ(Path(65534), b);
    EXPECT_EQ(store->CountEntries(), 7u);
}

TEST_F(CommandTest, PasteMovesTheCutBlockOnceConfirmedAndUsesTheCutUpEvenWhenRefused) {
    Use({3, 4, 8});
    Select(3, 2);
    frame->OnEditCut();
    DialogScript script; // cancels
    frame->OnEditPaste();
    EXPECT_TRUE(frame->IsCutPending());
    EXPECT_EQ(UsedSlots(), (Slots{3, 4, 8}));

    Select(0, 1); // what is selected at Paste time does not matter
    const std::string moved = Path(3);
    script.answer = [](wxDialog* d) { return TypeIndex(d, "10"); };
    frame->OnEditPaste();
    EXPECT_FALSE(frame->IsCutPending());
    EXPECT_EQ(UsedSlots(), (Slots{8, 10, 11}));
    EXPECT_EQ(Path(10), moved);
    EXPECT_EQ(view->GetItemCount(), 5); // gap, 8, gap, 10, 11

    Select(10, 2);
    frame->OnEditCut();
    script.answer = [](wxDialog* d) { return TypeIndex(d, "7"); }; // 8 is in use
    frame->OnEditPaste();
    EXPECT_FALSE(frame->IsCutPending());
    EXPECT_EQ(UsedSlots(), (Slots{8, 10, 11}));
}

TEST_F(CommandTest, DeleteEmptiesTheBlockFromTheFirstSelectedRow) {
    Use({2, 3, 7});
    // Rows: gap, 2, 3, gap, 7. Selecting the rows of 2 and 7 names the block 2..3.
    view->SetItemState(1, wxLIST_STATE_SELECTED, wxLIST_STATE_SELECTED);
    view->SetItemState(4, wxLIST_STATE_SELECTED, wxLIST_STATE_SELECTED);
    ASSERT_TRUE(view->RecordSelection());
    frame->OnEditDelete();
    EXPECT_EQ(UsedSlots(), (Slots{7}));

    Use({65533, 65534});
    Select(65533, 5);
    frame->OnEditDelete();
    EXPECT_EQ(UsedSlots(), (Slots{7}));
}

TEST_F(CommandTest, ASelectionStartingOnAGapRowChangesNothing) {
    Use({1, 2});
    Select(kNoSlot, 2);
    DialogScript script;
    script.answer = [](wxDialog* d) { return TypeIndex(d, "5"); };
    frame->OnEditCut();
    frame->OnEditDelete();
    frame->OnToolIndex();
    EXPECT_FALSE(frame->IsCutPending());
    EXPECT_EQ(script.shown, 0);
    EXPECT_EQ(UsedSlots(), (Slots{1, 2}));
}

TEST_F(CommandTest, SetIndexMovesTheSelectedBlockUnlessTheTargetIsTaken) {
    Use({10, 11, 12, 21});
    Select(10, 3);
    DialogScript script;
    script.answer = [](wxDialog* d) { return TypeIndex(d, "20"); };
    frame->OnToolIndex();
    EXPECT_EQ(UsedSlots(), (Slots{10, 11, 12, 21}));

    script.answer = [](wxDialog* d) { return TypeIndex(d, "22"); };
    frame->OnToolIndex();
    EXPECT_EQ(UsedSlots(), (Slots{21, 22, 23, 24}));
}

TEST_F(CommandTest, JumpSelectsTheTargetRowAndLeavesTheWordsAlone) {
    Use({0, 1, 2, 3, 7});
    Select(1, 1);
    DialogScript script;
    script.answer = [](wxDialog* d) { return TypeIndex(d, "7"); };
    frame->OnViewJump();
    EXPECT_EQ(view->GetSelectedItemCount(), 1);
    EXPECT_EQ(view->RowSlot(view->GetNextItem(-1, wxLIST_NEXT_ALL, wxLIST_STATE_SELECTED)), 7u);
    EXPECT_EQ(store->GetSelFirstSlot(), 1u);
}
