// The dialogs' own logic, driven through their controls without showing them (some are
// shown for real: a refused OK keeps one open, the first keystroke lands in them).
#include <wx/button.h>
#include <wx/combobox.h>
#include <wx/radiobut.h>

#include <algorithm>

#include "corvane_version.h"
#include "dialogs/about_dlg.h"
#include "dialogs/create_archive_dlg.h"
#include "dialogs/option_dlg.h"
#include "dialogs/system_text.h"
#include "gui_test.h"

namespace {

using Create = CCreateArchiveDlg;
using DialogTest = StoreTest;

wxString Value(wxWindow* dialog, int id) {
    return Edit(dialog, id)->GetValue();
}

// The creation dialog with its file chooser answered by the test.
class ScriptedCreateDlg : public CCreateArchiveDlg {
  public:
    explicit ScriptedCreateDlg(const wxString& remembered = "") : CCreateArchiveDlg(nullptr) {
        m_strArchivePath = remembered;
    }
    wxString answer;   // empty: the user cancels
    wxString proposed; // what the chooser last opened with

  protected:
    bool ChooseFile(const wxString&, const wxString&, const wxString& start, wxString* chosen) override {
        proposed = start;
        *chosen = answer;
        return !answer.empty();
    }
};

TEST_F(DialogTest, CreationHeaderAndLogFollowTheArchiveNameUntilTakenOver) {
    ScriptedCreateDlg dlg("/out/sound.BxA");
    dlg.InitDialog();
    for (int id : {Create::IDC_ARCHIVE, Create::IDC_HEADER, Create::IDC_LOG})
        EXPECT_EQ(Value(&dlg, id), "/out/sound") << id;
    auto type = [&](const char* text) { Edit(&dlg, Create::IDC_ARCHIVE)->SetValue(text); };

    type("a");
    Toggle(&dlg, Create::IDC_HEADER_BOX); // ticked: the header name is the user's
    type("ab");
    EXPECT_EQ(Value(&dlg, Create::IDC_HEADER), "a");
    EXPECT_EQ(Value(&dlg, Create::IDC_LOG), "ab");
    Toggle(&dlg, Create::IDC_HEADER_BOX); // unticked: it follows again from the next change
    EXPECT_EQ(Value(&dlg, Create::IDC_HEADER), "a");
    type("abc");
    EXPECT_EQ(Value(&dlg, Create::IDC_HEADER), "abc");
    type("");
    EXPECT_FALSE(dlg.FindWindow(wxID_OK)->IsEnabled());
    {
        // Nothing to start a side browse from, unticked or ticked: a box asks for a name.
        DialogScript script;
        Click(&dlg, Create::IDC_REF_HEADER);
        Toggle(&dlg, Create::IDC_LOG_BOX);
        Click(&dlg, Create::IDC_REF_LOG);
        EXPECT_TRUE(dlg.proposed.empty()); // the chooser never opened
        EXPECT_EQ(script.boxes, std::vector<wxString>(2, "Error: Please input filename"));
    }

    // A browse for the archive fills the unticked names and the remembered path, but
    // the mirror the side browses start from keeps the name from before it.
    type("x");
    Edit(&dlg, Create::IDC_LOG)->SetValue("mine");
    dlg.answer = "/data/pack.BXA";
    Click(&dlg, Create::IDC_REF_ARCHIVE);
    EXPECT_EQ(dlg.proposed, "x.bxa");
    EXPECT_EQ(Value(&dlg, Create::IDC_ARCHIVE) + Value(&dlg, Create::IDC_HEADER), "/data/pack/data/pack");
    EXPECT_EQ(Value(&dlg, Create::IDC_LOG), "mine");
    EXPECT_EQ(dlg.m_strArchivePath, "/data/pack");
    dlg.answer = "";
    Click(&dlg, Create::IDC_REF_HEADER);
    EXPECT_EQ(dlg.proposed, "x.h");
    Click(&dlg, Create::IDC_REF_LOG); // ticked: from the log name itself
    EXPECT_EQ(dlg.proposed, "mine.crg");
}

TEST_F(DialogTest, CreationMakeStoresAllFiveValues) {
    ScriptedCreateDlg dlg;
    dlg.InitDialog();
    Edit(&dlg, Create::IDC_ARCHIVE)->SetValue("/tmp/pack");
    Toggle(&dlg, Create::IDC_PREFIX_BOX);
    Edit(&dlg, Create::IDC_PREFIX)->SetValue(wxString(wxUniChar(0xE9), 200));
    Toggle(&dlg, Create::IDC_LOG_BOX);
    Edit(&dlg, Create::IDC_LOG)->SetValue("/var/build");
    Click(&dlg, wxID_OK);
    // 200 characters cut to a 255-byte prefix: 127 where they take two bytes (UTF-8),
    // all of them where they take one (a Western code page).
    const std::string accent = ToSystemText(wxString(wxUniChar(0xE9)));
    std::string cutAccents;
    for (size_t i = 0; i < std::min<size_t>(200, 255 / accent.size()); ++i)
        cutAccents += accent;
    EXPECT_STREQ(store->GetFileIdPrefix(), cutAccents.c_str());
    EXPECT_STREQ(store->GetArchiveName(), "/tmp/pack.bxa");
    EXPECT_STREQ(store->GetHeaderName(), "/tmp/pack.h");
    EXPECT_STREQ(store->GetLogName(), "/var/build.crg");
    EXPECT_EQ(store->GetAlignment(), 2048u); // the dialog's own, untouched
    EXPECT_EQ(dlg.m_strArchivePath, "");     // typing never reaches the remembered path

    // The alignment is read as atol does, ticked and unticked in turn: the box only
    // enables the edit.
    const std::pair<const char*, uint32_t> alignments[] = {
        {"  +4096abc", 4096}, {"abc", 0}, {"-1", 0xFFFFFFFFu}, {"512", 512}};
    for (const auto& [text, stored] : alignments) {
        Toggle(&dlg, Create::IDC_ALIGN_BOX);
        Edit(&dlg, Create::IDC_ALIGN)->SetValue(text);
        Click(&dlg, wxID_OK);
        EXPECT_EQ(store->GetAlignment(), stored) << text;
    }
}

// The options dialog with its folder chooser answered by the test.
class ScriptedOptionDlg : public COptionDlg {
  public:
    ScriptedOptionDlg() : COptionDlg(nullptr) {}
    wxComboBox* Combo() { return static_cast<wxComboBox*>(FindWindow(IDC_FOLDER)); }
    wxRadioButton* Mode(size_t m) {
        return static_cast<wxRadioButton*>(FindWindow(IDC_ONLY_FILENAME + static_cast<int>(m)));
    }
    void Browse(const wxString& choice) {
        answer = choice;
        Click(this, IDC_REF_FOLDER);
    }

  protected:
    wxString answer;
    bool BrowseForFolder(wxWindow*, wxString* path, const wxString&, const wxString&) override {
        *path = answer;
        return !answer.empty();
    }
};

std::vector<std::string> Folders(ProjectStore* store) {
    std::vector<std::string> folders;
    for (const char* f = store->GetFirstFolder(); f != nullptr; f = store->GetNextFolder())
        folders.push_back(f);
    return folders;
}

TEST_F(DialogTest, OptionsListTheRememberedFoldersOnTopAndWriteOnlyOnOk) {
    using Dlg = ScriptedOptionDlg;
    const struct {
        std::vector<std::string> folders;
        uint32_t current;
        std::function<void(Dlg&)> act;
        std::vector<std::string> stored; // after OK
        uint32_t storedCurrent;
    } cases[] = {
        // Typed text names a remembered folder only when it matches exactly.
        {{"/srv/f0", "/srv/F1", "/a/f2"},
         1,
         [](Dlg& d) { d.Combo()->SetValue("/srv/f1"); },
         {"/srv/f0", "/srv/F1", "/a/f2", "/srv/f1"},
         3},
        {{"/data", "/work"}, 0, [](Dlg& d) { d.Combo()->SetValue("/work"); }, {"/data", "/work"}, 1},
        {{}, 0, [](Dlg&) {}, {""}, 0}, // the empty text becomes a folder
        {{"/data"}, 0, [](Dlg& d) { d.Browse("/new"); }, {"/data", "/new"}, 1},
        // A browse selects the first entry beginning with the choice: here the deeper one on
        // top (both sort below every system's fixed entries, so the new one lands last).
        {{"z:/work/Old"}, 0, [](Dlg& d) { d.Browse("z:/work"); }, {"z:/work/Old"}, 0},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        const auto& c = cases[i];
        SCOPED_TRACE(i);
        store->LoadSettings(saved); // as the process began: no folders
        for (const std::string& f : c.folders)
            store->SelectFolder(f.c_str());
        if (!c.folders.empty()) store->SelectFolder(c.folders[c.current].c_str());
        store->SetHeaderNameMode(static_cast<uint32_t>(i % 3));
        Dlg dlg;
        dlg.InitDialog();
        std::vector<wxString> entries(c.folders.begin(), c.folders.end());
        entries.insert(entries.end(), {COptionDlg::FirstFixedFolder(), COptionDlg::SecondFixedFolder()});
        const wxArrayString shown = dlg.Combo()->GetStrings();
        EXPECT_EQ(std::vector<wxString>(shown.begin(), shown.end()), entries);
        EXPECT_EQ(dlg.Combo()->GetSelection(), c.folders.empty() ? wxNOT_FOUND : static_cast<int>(c.current));
        EXPECT_TRUE(dlg.Mode(i % 3)->GetValue());

        c.act(dlg);
        dlg.Mode((i + 1) % 3)->SetValue(true);
        Click(&dlg, wxID_CANCEL);
        EXPECT_EQ(Folders(store), c.folders);
        EXPECT_EQ(store->GetHeaderNameMode(), i % 3);
        Click(&dlg, wxID_OK);
        EXPECT_EQ(Folders(store), c.stored);
        EXPECT_EQ(store->GetCurrentFolderIndex(), c.storedCurrent);
        EXPECT_EQ(store->GetHeaderNameMode(), (i + 1) % 3);
    }
}

TEST_F(DialogTest, SetIndexProposesTheEndAndKeepsTheCount) {
    ASSERT_TRUE(store->RegisterEntry("/tmp/member.qsd", 65534)); // above the buttons' range
    store->SetSelection(3, 4);
    CSetIndexDlg dlg(nullptr);
    dlg.InitDialog();
    EXPECT_EQ(Value(&dlg, CIndexDlgBase::IDC_INDEX), "65535");
    // Only a whole unsigned number in blanks is read; anything else counts as 0.
    const std::pair<const char*, uint32_t> typed[] = {
        {"  7 ", 7}, {"12abc", 0}, {"4294967295", 4294967295u}, {"4294967296", 0}, {"20", 20}, {" ", 0},
    };
    for (const auto& [text, position] : typed) {
        Edit(&dlg, CIndexDlgBase::IDC_INDEX)->SetValue(text);
        Click(&dlg, wxID_OK);
        uint32_t stored = 0, count = 0;
        store->GetSelection(&stored, &count);
        EXPECT_EQ(stored, position) << text;
        EXPECT_EQ(count, 4u) << text;
    }
}

TEST_F(DialogTest, JumpShownModallyRefusesTheEndAndAcceptsAGap) {
    for (uint32_t s : {0u, 1u, 5u})
        ASSERT_TRUE(store->RegisterEntry("/tmp/member.qsd", s));
    CJumpDlg dlg(nullptr);
    wxString scope;
    bool stayedOpen = false;
    dlg.CallAfter([&] {
        scope = dlg.FindWindow(CIndexDlgBase::IDC_SCOPE)->GetLabel();
        Edit(&dlg, CIndexDlgBase::IDC_INDEX)->SetValue("6");
        Click(&dlg, wxID_OK);
        stayedOpen = dlg.IsModal();
        Edit(&dlg, CIndexDlgBase::IDC_INDEX)->SetValue("3");
        Click(&dlg, wxID_OK);
    });
    EXPECT_EQ(dlg.ShowModal(), wxID_OK);
    EXPECT_EQ(scope, "Scope(0-5)");
    EXPECT_TRUE(stayedOpen);
    EXPECT_EQ(store->GetJumpIndex(), 3u);
}

// Each dialog shown for real and typed into as soon as it opens: the first keystroke
// replaces the proposal, and no button holds the focus, so Return reaches the default one.
TEST_F(DialogTest, KeyboardFirstKeystrokeReplacesTheProposal) {
    for (uint32_t s = 0; s < 12; ++s)
        ASSERT_TRUE(store->RegisterEntry("/tmp/member.qsd", s));
    store->SetSelection(0, 1);
    const auto position = [&] {
        uint32_t p = 0;
        store->GetSelection(&p, nullptr);
        return std::to_string(p);
    };
    const struct {
        const char* name;
        std::function<wxDialog*()> create;
        std::function<std::string()> stored;
        const char* want;
    } cases[] = {
        {"Set Index", [] { return new CSetIndexDlg(nullptr); }, position, "7"},
        {"Jump", [] { return new CJumpDlg(nullptr); }, [&] { return std::to_string(store->GetJumpIndex()); },
         "7"},
        {"Creation", [] { return new ScriptedCreateDlg("/tmp/proposal"); },
         [&] { return std::string(store->GetArchiveName()); }, "7.bxa"},
        // The folder list has the focus: Return reaches OK, never the browse button.
        {"Options", [] { return new ScriptedOptionDlg; },
         [&] { return std::string(store->GetCurrentFolder()); }, "7"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        wxDialog* dlg = c.create();
        dlg->CallAfter([dlg] {
            Settle(100); // until the window is on the screen
            PressKey(dlg, '7');
            // Return goes to the default button unless a button has the focus.
            wxWindow* focus = wxWindow::FindFocus();
            EXPECT_TRUE(focus != nullptr && dynamic_cast<wxButton*>(focus) == nullptr);
            wxWindow* ok = dlg->FindWindow(wxID_OK);
            EXPECT_EQ(dynamic_cast<wxTopLevelWindow*>(dlg)->GetDefaultItem(), ok);
            Click(dlg, wxID_OK);
            if (dlg->IsModal()) dlg->EndModal(wxID_ABORT);
        });
        EXPECT_EQ(dlg->ShowModal(), wxID_OK);
        EXPECT_EQ(c.stored(), c.want);
        dlg->Destroy();
        Pump();
    }
}

TEST_F(DialogTest, AboutShowsTheVersion) {
    CAboutDlg dlg(nullptr);
    dlg.InitDialog();
    EXPECT_EQ(dlg.FindWindow(CAboutDlg::IDC_VERSION)->GetLabel(), CORVANE_VERSION_TITLE);
}

} // namespace
