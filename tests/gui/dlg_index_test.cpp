#include "dialogs/index_dlgs.h"
#include "dialogs/updown_ctrl.h"
#include "dlg_test_util.h"

#include <wx/stattext.h>
#include <wx/textctrl.h>

namespace {

using dlgtest::Click;

class IndexDlgTest : public dlgtest::StoreTest {
  protected:
    void Use(std::initializer_list<uint32_t> slots) {
        for (uint32_t slot : slots)
            ASSERT_TRUE(store->RegisterEntry("/tmp/member.qsd", slot));
    }
    static wxTextCtrl* Edit(wxDialog& dlg) {
        return static_cast<wxTextCtrl*>(dlg.FindWindow(CIndexDlgBase::IDC_INDEX));
    }
    static CUpDownCtrl* Spin(wxDialog& dlg) {
        return static_cast<CUpDownCtrl*>(dlg.FindWindow(CIndexDlgBase::IDC_SPIN));
    }
    static void Key(wxDialog& dlg, int code) {
        wxKeyEvent event(wxEVT_KEY_DOWN);
        event.m_keyCode = code;
        event.SetEventObject(Edit(dlg));
        Edit(dlg)->GetEventHandler()->ProcessEvent(event);
    }
};

TEST(IndexText, ReadsOnlyWholeUnsignedNumbers) {
    EXPECT_EQ(ReadIndexText("42"), 42u);
    EXPECT_EQ(ReadIndexText("  7 "), 7u);
    EXPECT_EQ(ReadIndexText("4294967295"), 4294967295u);
    for (const char* bad : {"", "abc", "12abc", "-3", "4294967296", "99999999999999999999", " "})
        EXPECT_EQ(ReadIndexText(bad), 0u) << bad;
}

TEST_F(IndexDlgTest, SetIndexProposesTheEndOfTheTable) {
    {
        CSetIndexDlg dlg(nullptr);
        dlg.InitDialog();
        EXPECT_EQ(dlg.GetTitle(), "Set Index No");
        EXPECT_EQ(Edit(dlg)->GetValue(), "0");
        EXPECT_EQ(Spin(dlg)->GetMax(), 65534);
    }
    Use({0, 1, 5});
    {
        CSetIndexDlg dlg(nullptr);
        dlg.InitDialog();
        EXPECT_EQ(Edit(dlg)->GetValue(), "6");
    }
    Use({65534});
    CSetIndexDlg dlg(nullptr);
    dlg.InitDialog();
    EXPECT_EQ(Edit(dlg)->GetValue(), "65535");
}

TEST_F(IndexDlgTest, SetIndexOkMovesThePositionAndKeepsTheCount) {
    store->SetSelection(3, 4);
    CSetIndexDlg dlg(nullptr);
    dlg.InitDialog();
    Edit(dlg)->SetValue("20");
    Click(&dlg, wxID_OK);
    uint32_t position = 0, count = 0;
    store->GetSelection(&position, &count);
    EXPECT_EQ(position, 20u);
    EXPECT_EQ(count, 4u);

    Edit(dlg)->SetValue("abc");
    Click(&dlg, wxID_OK);
    store->GetSelection(&position, &count);
    EXPECT_EQ(position, 0u);
    EXPECT_EQ(count, 4u);
}

TEST_F(IndexDlgTest, SetIndexCancelWritesNothing) {
    store->SetSelection(3, 4);
    CSetIndexDlg dlg(nullptr);
    dlg.CallAfter([&dlg] {
        Edit(dlg)->SetValue("20");
        Click(&dlg, wxID_CANCEL);
    });
    EXPECT_EQ(dlg.ShowModal(), wxID_CANCEL);
    uint32_t position = 0, count = 0;
    store->GetSelection(&position, &count);
    EXPECT_EQ(position, 3u);
    EXPECT_EQ(count, 4u);
}

TEST_F(IndexDlgTest, JumpShowsItsScopeAndRefusesIndexesBeyondIt) {
    Use({0, 1, 5});
    store->SetJumpIndex(1);
    CJumpDlg dlg(nullptr);
    wxString scope, start;
    int spinMax = -1;
    bool stayedOpen = false;
    dlg.CallAfter([&] {
        scope = static_cast<wxStaticText*>(dlg.FindWindow(CIndexDlgBase::IDC_SCOPE))->GetLabel();
        start = Edit(dlg)->GetValue();
        spinMax = Spin(dlg)->GetMax();
        Edit(dlg)->SetValue("6");
        Click(&dlg, wxID_OK);
        stayedOpen = dlg.IsModal();
        Edit(dlg)->SetValue("3"); // a gap inside the table is a fine target
        Click(&dlg, wxID_OK);
    });
    EXPECT_EQ(dlg.ShowModal(), wxID_OK);
    EXPECT_EQ(dlg.GetTitle(), "Jump destination?");
    EXPECT_EQ(scope, "Scope(0-5)");
    EXPECT_EQ(start, "0");
    EXPECT_EQ(spinMax, 5);
    EXPECT_TRUE(stayedOpen);
    EXPECT_EQ(store->GetJumpIndex(), 3u);
}

TEST_F(IndexDlgTest, JumpReadsUnreadableTextAsZeroAndCancelWritesNothing) {
    Use({4});
    store->SetJumpIndex(2);
    {
        CJumpDlg dlg(nullptr);
        dlg.CallAfter([&dlg] {
            Edit(dlg)->SetValue("4");
            Click(&dlg, wxID_CANCEL);
        });
        EXPECT_EQ(dlg.ShowModal(), wxID_CANCEL);
        EXPECT_EQ(store->GetJumpIndex(), 2u);
    }
    CJumpDlg dlg(nullptr);
    dlg.InitDialog();
    Edit(dlg)->SetValue("abc");
    Click(&dlg, wxID_OK);
    EXPECT_EQ(store->GetJumpIndex(), 0u);
}

TEST_F(IndexDlgTest, ArrowKeysStepWithinTheScope) {
    Use({0, 1, 5});
    CJumpDlg dlg(nullptr);
    dlg.InitDialog();
    Key(dlg, WXK_DOWN);
    EXPECT_EQ(Edit(dlg)->GetValue(), "0");
    Key(dlg, WXK_UP);
    Key(dlg, WXK_UP);
    EXPECT_EQ(Edit(dlg)->GetValue(), "2");
    Edit(dlg)->SetValue("5");
    EXPECT_EQ(Spin(dlg)->GetValue(), 5);
    Key(dlg, WXK_UP);
    EXPECT_EQ(Edit(dlg)->GetValue(), "5");
    Edit(dlg)->SetValue("77"); // out of scope: the next step starts from the top
    Key(dlg, WXK_DOWN);
    EXPECT_EQ(Edit(dlg)->GetValue(), "4");

    // The buttons step from what the edit shows.
    Edit(dlg)->SetValue("2");
    Spin(dlg)->Step(1);
    EXPECT_EQ(Edit(dlg)->GetValue(), "3");
    Spin(dlg)->Step(-5);
    EXPECT_EQ(Edit(dlg)->GetValue(), "0");
}

} // namespace
