#include "dialogs/option_dlg.h"
#include "dlg_test_util.h"

#include <wx/combobox.h>
#include <wx/radiobut.h>

namespace {

using dlgtest::Click;

class ScriptedOptionDlg : public COptionDlg {
  public:
    using COptionDlg::COptionDlg;
    wxString answer; // empty: the user cancels
    wxString lastInitial, lastTitle;

  protected:
    bool BrowseForFolder(wxWindow* /*owner*/, wxString* path, const wxString& initial,
                         const wxString& title) override {
        lastInitial = initial;
        lastTitle = title;
        if (answer.empty()) return false;
        *path = answer;
        return true;
    }
};

class OptionDlgTest : public dlgtest::StoreTest {
  protected:
    static wxComboBox* Combo(wxDialog& dlg) {
        return static_cast<wxComboBox*>(dlg.FindWindow(COptionDlg::IDC_FOLDER));
    }
    static std::vector<wxString> Entries(wxDialog& dlg) {
        std::vector<wxString> entries;
        for (unsigned i = 0; i < Combo(dlg)->GetCount(); ++i)
            entries.push_back(Combo(dlg)->GetString(i));
        return entries;
    }
    static bool Checked(wxDialog& dlg, int id) {
        return static_cast<wxRadioButton*>(dlg.FindWindow(id))->GetValue();
    }
    static void Check(wxDialog& dlg, int id) {
        static_cast<wxRadioButton*>(dlg.FindWindow(id))->SetValue(true);
    }

    std::vector<std::string> Folders() {
        std::vector<std::string> folders;
        for (const char* f = store->GetFirstFolder(); f != nullptr; f = store->GetNextFolder())
            folders.push_back(f);
        return folders;
    }

    const wxString root = COptionDlg::FirstFixedFolder();
    const wxString home = COptionDlg::SecondFixedFolder();
};

TEST_F(OptionDlgTest, ListsRememberedFoldersOnTopAndSelectsTheCurrentOne) {
    UseSettings({"/srv/f0", "/srv/F1", "/a/f2"}, 1, CutOverlapping);
    ScriptedOptionDlg dlg(nullptr);
    dlg.InitDialog();
    EXPECT_EQ(dlg.GetTitle(), "Option");
    const std::vector<wxString> expected = {"/srv/f0", "/srv/F1", "/a/f2", root, home};
    EXPECT_EQ(Entries(dlg), expected);
    EXPECT_EQ(Combo(dlg)->GetSelection(), 1);
    EXPECT_EQ(Combo(dlg)->GetValue(), "/srv/F1");
    EXPECT_FALSE(Checked(dlg, COptionDlg::IDC_ONLY_FILENAME));
    EXPECT_TRUE(Checked(dlg, COptionDlg::IDC_CUT_OVERLAPPING));
}

TEST_F(OptionDlgTest, WithoutFoldersOkStoresTheEmptyTextAsANewFolder) {
    UseSettings({}, 0, OnlyFileName);
    ScriptedOptionDlg dlg(nullptr);
    dlg.InitDialog();
    const std::vector<wxString> fixed = {root, home};
    EXPECT_EQ(Entries(dlg), fixed);
    EXPECT_EQ(Combo(dlg)->GetSelection(), wxNOT_FOUND);
    EXPECT_EQ(Combo(dlg)->GetValue(), "");
    EXPECT_TRUE(Checked(dlg, COptionDlg::IDC_ONLY_FILENAME));

    Click(&dlg, wxID_OK);
    EXPECT_EQ(store->GetFolderCount(), 1u);
    EXPECT_EQ(Text(store->GetCurrentFolder()), "");

    ScriptedOptionDlg next(nullptr);
    next.InitDialog();
    const std::vector<wxString> withEmpty = {"", root, home};
    EXPECT_EQ(Entries(next), withEmpty);
}

TEST_F(OptionDlgTest, TypedFolderIsMatchedCaseSensitively) {
    UseSettings({"/data", "/work"}, 0, OnlyFileName);
    {
        ScriptedOptionDlg dlg(nullptr);
        dlg.InitDialog();
        Combo(dlg)->SetValue("/work");
        Click(&dlg, wxID_OK);
        EXPECT_EQ(store->GetFolderCount(), 2u);
        EXPECT_EQ(store->GetCurrentFolderIndex(), 1u);
    }
    ScriptedOptionDlg dlg(nullptr);
    dlg.InitDialog();
    Combo(dlg)->SetValue("/WORK");
    Click(&dlg, wxID_OK);
    EXPECT_EQ(Folders(), (std::vector<std::string>{"/data", "/work", "/WORK"}));
    EXPECT_EQ(store->GetCurrentFolderIndex(), 2u);
}

TEST_F(OptionDlgTest, ChoosingAFixedEntryRemembersIt) {
    UseSettings({"/data"}, 0, OnlyFileName);
    ScriptedOptionDlg dlg(nullptr);
    dlg.InitDialog();
    Combo(dlg)->SetSelection(1);
    ASSERT_EQ(Combo(dlg)->GetValue(), root);
    Click(&dlg, wxID_OK);
    EXPECT_EQ(Folders(), (std::vector<std::string>{"/data", root.ToStdString()}));

    ScriptedOptionDlg next(nullptr);
    next.InitDialog();
    const std::vector<wxString> expected = {"/data", root, root, home};
    EXPECT_EQ(Entries(next), expected);
    EXPECT_EQ(Combo(next)->GetSelection(), 1);
}

TEST_F(OptionDlgTest, BrowseSelectsTheFirstEntryBeginningWithTheChoice) {
    UseSettings({"/work/Old"}, 0, OnlyFileName);
    ScriptedOptionDlg dlg(nullptr);
    dlg.InitDialog();
    dlg.answer = "/work";
    Click(&dlg, COptionDlg::IDC_REF_FOLDER);
    EXPECT_EQ(dlg.lastInitial, root);
    EXPECT_EQ(dlg.lastTitle, "Target Folder");
    // The new entry stands below the remembered one, which begins with it.
    const auto entries = Entries(dlg);
    EXPECT_EQ(std::count(entries.begin(), entries.end(), "/work"), 1);
    EXPECT_EQ(Combo(dlg)->GetSelection(), 0);
    Click(&dlg, wxID_OK);
    EXPECT_EQ(store->GetFolderCount(), 1u); // the browse itself stores nothing
    EXPECT_EQ(Text(store->GetCurrentFolder()), "/work/Old");
}

TEST_F(OptionDlgTest, ModeAndFolderChangeOnlyWithOk) {
    UseSettings({"/data", "/work"}, 0, FullPath);
    {
        ScriptedOptionDlg dlg(nullptr);
        dlg.answer = "/new";
        dlg.CallAfter([&dlg] {
            Click(&dlg, COptionDlg::IDC_REF_FOLDER);
            Check(dlg, COptionDlg::IDC_ONLY_FILENAME);
            Click(&dlg, wxID_CANCEL);
        });
        EXPECT_EQ(dlg.ShowModal(), wxID_CANCEL);
        EXPECT_EQ(store->GetHeaderNameMode(), static_cast<uint32_t>(FullPath));
        EXPECT_EQ(store->GetFolderCount(), 2u);
        EXPECT_EQ(store->GetCurrentFolderIndex(), 0u);
    }
    ScriptedOptionDlg dlg(nullptr);
    bool fullPathShown = false;
    dlg.CallAfter([&] {
        fullPathShown = Checked(dlg, COptionDlg::IDC_FULL_PATH);
        Combo(dlg)->SetSelection(1);
        Check(dlg, COptionDlg::IDC_CUT_OVERLAPPING);
        Click(&dlg, wxID_OK);
    });
    EXPECT_EQ(dlg.ShowModal(), wxID_OK);
    EXPECT_TRUE(fullPathShown);
    EXPECT_EQ(store->GetHeaderNameMode(), static_cast<uint32_t>(CutOverlapping));
    EXPECT_EQ(store->GetCurrentFolderIndex(), 1u);
}

TEST_F(OptionDlgTest, AModeOutOfRangeIsStoredAsAValidOne) {
    UseSettings({}, 0, 7);
    ScriptedOptionDlg dlg(nullptr);
    dlg.InitDialog();
    Click(&dlg, wxID_OK);
    EXPECT_LE(store->GetHeaderNameMode(), static_cast<uint32_t>(FullPath));
}

} // namespace
