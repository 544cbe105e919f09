#include "dialogs/create_archive_dlg.h"
#include "dlg_test_util.h"

#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/textctrl.h>

namespace {

using dlgtest::Click;
using dlgtest::Toggle;
using Dlg = CCreateArchiveDlg;

// The dialog with its file chooser replaced by a script.
class ScriptedCreateDlg : public CCreateArchiveDlg {
  public:
    using CCreateArchiveDlg::CCreateArchiveDlg;
    wxString answer;      // empty: the user cancels
    int chooserCalls = 0; // how often the chooser opened
    wxString lastTitle, lastProposed;

  protected:
    bool ChooseFile(const wxString& title, const wxString& /*filter*/, const wxString& proposed,
                    wxString* chosen) override {
        ++chooserCalls;
        lastTitle = title;
        lastProposed = proposed;
        if (answer.empty()) return false;
        *chosen = answer;
        return true;
    }
};

class CreateArchiveDlgTest : public dlgtest::StoreTest {
  protected:
    static wxTextCtrl* Edit(wxDialog& dlg, int id) { return static_cast<wxTextCtrl*>(dlg.FindWindow(id)); }
    static wxString Value(wxDialog& dlg, int id) { return Edit(dlg, id)->GetValue(); }
    static bool MakeEnabled(wxDialog& dlg) { return dlg.FindWindow(wxID_OK)->IsEnabled(); }
};

TEST_F(CreateArchiveDlgTest, StartsFromTheRememberedPathWithoutItsArchiveExtension) {
    ScriptedCreateDlg dlg(nullptr);
    dlg.m_strArchivePath = "/out/sound.BxA";
    dlg.InitDialog();
    EXPECT_EQ(dlg.GetTitle(), "Creation of an BXA File");
    EXPECT_EQ(dlg.m_strArchivePath, "/out/sound");
    EXPECT_EQ(Value(dlg, Dlg::IDC_ARCHIVE), "/out/sound");
    EXPECT_EQ(Value(dlg, Dlg::IDC_HEADER), "/out/sound");
    EXPECT_EQ(Value(dlg, Dlg::IDC_LOG), "/out/sound");
    EXPECT_EQ(Value(dlg, Dlg::IDC_ALIGN), "2048");
    EXPECT_EQ(Value(dlg, Dlg::IDC_PREFIX), "");
    EXPECT_TRUE(MakeEnabled(dlg));
    for (int id : {Dlg::IDC_ALIGN, Dlg::IDC_PREFIX, Dlg::IDC_HEADER, Dlg::IDC_LOG})
        EXPECT_FALSE(dlg.FindWindow(id)->IsEnabled()) << id;
    for (int id : {Dlg::IDC_ALIGN_BOX, Dlg::IDC_PREFIX_BOX, Dlg::IDC_HEADER_BOX, Dlg::IDC_LOG_BOX})
        EXPECT_FALSE(static_cast<wxCheckBox*>(dlg.FindWindow(id))->GetValue()) << id;

    ScriptedCreateDlg other(nullptr);
    other.m_strArchivePath = "/out/sound.dat";
    other.InitDialog();
    EXPECT_EQ(Value(other, Dlg::IDC_ARCHIVE), "/out/sound.dat");
}

TEST_F(CreateArchiveDlgTest, HeaderAndLogFollowTheArchiveNameUntilTakenOver) {
    ScriptedCreateDlg dlg(nullptr);
    dlg.InitDialog();
    EXPECT_EQ(Value(dlg, Dlg::IDC_HEADER), "");
    EXPECT_FALSE(MakeEnabled(dlg));

    Edit(dlg, Dlg::IDC_ARCHIVE)->SetValue("a");
    EXPECT_TRUE(MakeEnabled(dlg));
    EXPECT_EQ(Value(dlg, Dlg::IDC_HEADER), "a");
    EXPECT_EQ(Value(dlg, Dlg::IDC_LOG), "a");

    Toggle(&dlg, Dlg::IDC_HEADER_BOX);
    EXPECT_TRUE(dlg.FindWindow(Dlg::IDC_HEADER)->IsEnabled());
    Edit(dlg, Dlg::IDC_ARCHIVE)->SetValue("ab");
    EXPECT_EQ(Value(dlg, Dlg::IDC_HEADER), "a");
    EXPECT_EQ(Value(dlg, Dlg::IDC_LOG), "ab");

    Toggle(&dlg, Dlg::IDC_HEADER_BOX);
    EXPECT_FALSE(dlg.FindWindow(Dlg::IDC_HEADER)->IsEnabled());
    EXPECT_EQ(Value(dlg, Dlg::IDC_HEADER), "a"); // unticking alone leaves it
    Edit(dlg, Dlg::IDC_ARCHIVE)->SetValue("abc");
    EXPECT_EQ(Value(dlg, Dlg::IDC_HEADER), "abc");

    Edit(dlg, Dlg::IDC_ARCHIVE)->SetValue("");
    EXPECT_FALSE(MakeEnabled(dlg));
}

TEST_F(CreateArchiveDlgTest, MakeStoresAllFiveValuesWhateverTheBoxesSay) {
    ScriptedCreateDlg dlg(nullptr);
    dlg.InitDialog();
    Edit(dlg, Dlg::IDC_ARCHIVE)->SetValue("/tmp/pack");
    Toggle(&dlg, Dlg::IDC_PREFIX_BOX);
    Edit(dlg, Dlg::IDC_PREFIX)->SetValue("ID_");
    Toggle(&dlg, Dlg::IDC_LOG_BOX);
    Edit(dlg, Dlg::IDC_LOG)->SetValue("/var/build");
    Click(&dlg, wxID_OK);

    EXPECT_EQ(Text(store->GetArchiveName()), "/tmp/pack.bxa");
    EXPECT_EQ(store->GetAlignment(), 2048u);
    EXPECT_EQ(Text(store->GetFileIdPrefix()), "ID_");
    EXPECT_EQ(Text(store->GetHeaderName()), "/tmp/pack.h");
    EXPECT_EQ(Text(store->GetLogName()), "/var/build.crg");
    EXPECT_EQ(dlg.m_strArchivePath, ""); // typing never reaches the remembered path
}

TEST_F(CreateArchiveDlgTest, AlignmentIsReadLikeAtol) {
    const struct {
        const char* text;
        bool untickAfterwards;
        uint32_t stored;
    } cases[] = {
        {"4096abc", false, 4096}, {"abc", false, 0},  {"-1", false, 0xFFFFFFFFu},
        {"  +16", false, 16},     {"512", true, 512}, {"0", false, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        ScriptedCreateDlg dlg(nullptr);
        dlg.InitDialog();
        Edit(dlg, Dlg::IDC_ARCHIVE)->SetValue("x");
        Toggle(&dlg, Dlg::IDC_ALIGN_BOX);
        Edit(dlg, Dlg::IDC_ALIGN)->SetValue(c.text);
        if (c.untickAfterwards) Toggle(&dlg, Dlg::IDC_ALIGN_BOX);
        Click(&dlg, wxID_OK);
        EXPECT_EQ(store->GetAlignment(), c.stored);
    }
}

TEST_F(CreateArchiveDlgTest, ArchiveBrowseFillsTheUntickedNamesAndTheRememberedPath) {
    ScriptedCreateDlg dlg(nullptr);
    dlg.InitDialog();
    Edit(dlg, Dlg::IDC_ARCHIVE)->SetValue("x.bxa");
    Toggle(&dlg, Dlg::IDC_LOG_BOX);
    Edit(dlg, Dlg::IDC_LOG)->SetValue("mine");

    dlg.answer = "/data/pack.BXA";
    Click(&dlg, Dlg::IDC_REF_ARCHIVE);
    EXPECT_EQ(dlg.lastProposed, "x.bxa.bxa");
    EXPECT_EQ(dlg.lastTitle, "BXA file");
    EXPECT_EQ(Value(dlg, Dlg::IDC_ARCHIVE), "/data/pack");
    EXPECT_EQ(Value(dlg, Dlg::IDC_HEADER), "/data/pack");
    EXPECT_EQ(Value(dlg, Dlg::IDC_LOG), "mine");
    EXPECT_EQ(dlg.m_strArchivePath, "/data/pack");

    // The mirror still holds the name from before the browse.
    dlg.answer = "/inc/ids.h";
    Click(&dlg, Dlg::IDC_REF_HEADER);
    EXPECT_EQ(dlg.lastProposed, "x.bxa.h");
    EXPECT_EQ(dlg.lastTitle, "Header file");
    EXPECT_EQ(Value(dlg, Dlg::IDC_HEADER), "/inc/ids.h");
    EXPECT_FALSE(dlg.FindWindow(Dlg::IDC_HEADER)->IsEnabled());

    // With the log box ticked the log browse starts from the log edit.
    dlg.answer = "";
    Click(&dlg, Dlg::IDC_REF_LOG);
    EXPECT_EQ(dlg.lastProposed, "mine.crg");
    EXPECT_EQ(Value(dlg, Dlg::IDC_LOG), "mine");

    // A cancelled archive browse changes nothing; following goes on.
    Click(&dlg, Dlg::IDC_REF_ARCHIVE);
    EXPECT_EQ(Value(dlg, Dlg::IDC_ARCHIVE), "/data/pack");
    EXPECT_EQ(dlg.m_strArchivePath, "/data/pack");
    Edit(dlg, Dlg::IDC_ARCHIVE)->SetValue("/data/pack2");
    EXPECT_EQ(Value(dlg, Dlg::IDC_HEADER), "/data/pack2");
}

TEST_F(CreateArchiveDlgTest, SideBrowseWithoutAStartingNameAsksForOne) {
    ScriptedCreateDlg dlg(nullptr);
    dlg.InitDialog();
    dlgtest::ModalAnswer boxes(wxID_OK);
    Click(&dlg, Dlg::IDC_REF_HEADER);
    Toggle(&dlg, Dlg::IDC_LOG_BOX); // ticked but empty
    Click(&dlg, Dlg::IDC_REF_LOG);
    EXPECT_EQ(dlg.chooserCalls, 0);
    ASSERT_EQ(boxes.messages.size(), 2u);
    for (size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(boxes.messages[i], "Please input filename");
        EXPECT_EQ(boxes.captions[i], "Error");
        EXPECT_TRUE(boxes.styles[i] & wxICON_EXCLAMATION);
    }
}

TEST_F(CreateArchiveDlgTest, ShownModallyMakeEndsWithOkAndCancelWritesNothing) {
    store->SetArchiveName("before");
    store->SetAlignment(77);
    {
        ScriptedCreateDlg dlg(nullptr);
        dlg.m_strArchivePath = "/out/a.bxa";
        dlg.CallAfter([&dlg] {
            Edit(dlg, Dlg::IDC_ARCHIVE)->SetValue("/out/typed");
            Click(&dlg, wxID_CANCEL);
        });
        EXPECT_EQ(dlg.ShowModal(), wxID_CANCEL);
        EXPECT_EQ(Text(store->GetArchiveName()), "before.bxa");
        EXPECT_EQ(store->GetAlignment(), 77u);
    }
    ScriptedCreateDlg dlg(nullptr);
    dlg.m_strArchivePath = "/out/a.bxa";
    bool enabledAtStart = false;
    dlg.CallAfter([&] {
        enabledAtStart = MakeEnabled(dlg);
        Click(&dlg, wxID_OK);
    });
    EXPECT_EQ(dlg.ShowModal(), wxID_OK);
    EXPECT_TRUE(enabledAtStart);
    EXPECT_EQ(dlg.m_strArchivePath, "/out/a");
    EXPECT_EQ(Text(store->GetArchiveName()), "/out/a.bxa");
    EXPECT_EQ(store->GetAlignment(), 2048u);
    EXPECT_EQ(Text(store->GetHeaderName()), "/out/a.h");
}

TEST_F(CreateArchiveDlgTest, LongTextsAreCutToTheStoreWithoutBreakingCharacters) {
    ScriptedCreateDlg dlg(nullptr);
    dlg.InitDialog();
    Edit(dlg, Dlg::IDC_ARCHIVE)->SetValue("x");
    Toggle(&dlg, Dlg::IDC_PREFIX_BOX);
    // 200 two-byte characters: 400 bytes of UTF-8 for a prefix of 255 bytes.
    const wxString prefix(wxUniChar(0x00E9), 200);
    Edit(dlg, Dlg::IDC_PREFIX)->SetValue(prefix);
    Click(&dlg, wxID_OK);
    const std::string stored = Text(store->GetFileIdPrefix());
    EXPECT_EQ(stored.size(), 254u);
    EXPECT_EQ(wxString::FromUTF8(stored.c_str()), prefix.Left(127));
}

} // namespace
