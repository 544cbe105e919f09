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
    Slots UsedSlots() const {
        Slots used;
        for (uint32_t s = 0; s < kSlotCount; ++s)
            if (store->GetEntryPath(s)) used.push_back(s);
        return used;
    }
    void Select(uint32_t first, uint32_t count) {
        store->SetSelection(0, count);
        store->SetSelFirstSlot(first);
    }
};

TEST_F(CommandTest, RegistrationAndDropsAppendBehindTheLastUsedSlot) {
    Use({0, 1, 5});
    const std::string c = dir.AddFile("c.qmv", 1), a = dir.AddFile("a.qsd", 1);
    frame->choice = {c, a, c};
    frame->OnFileRegistration();
    EXPECT_EQ(UsedSlots(), (Slots{0, 1, 5, 6, 7, 8}));
    EXPECT_EQ(Path(6) + Path(7) + Path(8), c + a + c);

    // The dialog hands back one 260-byte buffer: one path and its terminator, or the
    // folder, each name and a last terminator. A choice that does not fit is dropped.
    const std::string a127 = "/d/" + std::string(127, 'a');
    const std::pair<std::vector<std::string>, bool> buffers[] = {
        {{a127, "/d/" + std::string(128, 'b')}, false},
        {{a127, "/d/" + std::string(127, 'b')}, true},
        {{"/" + std::string(259, 'p')}, false},
        {{"/" + std::string(258, 'p')}, true},
    };
    for (const auto& [choice, taken] : buffers) {
        const uint32_t before = store->CountEntries();
        frame->choice = choice;
        frame->OnFileRegistration();
        EXPECT_EQ(store->CountEntries() - before, taken ? choice.size() : 0) << choice.back().size();
    }

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

} // namespace
