// The dialogs' own logic, driven through their controls without showing them (one is
// shown for real, to see a refused OK keep it open).
#include <wx/combobox.h>
#include <wx/radiobut.h>
#include <wx/stattext.h>

#include "dialogs/about_dlg.h"
#include "dialogs/create_archive_dlg.h"
#include "dialogs/option_dlg.h"
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
    ScriptedCreateDlg() : CCreateArchiveDlg(nullptr) {}
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
    ScriptedCreateDlg dlg;
    dlg.m_strArchivePath = "/out/sound.BxA";
    dlg.InitDialog();
    EXPECT_EQ(dlg.m_strArchivePath, "/out/sound");
    for (int id : {Create::IDC_ARCHIVE, Create::IDC_HEADER, Create::IDC_LOG})
        EXPECT_EQ(Value(&dlg, id), "/out/sound") << id;
    auto type = [&](const char* text) { Edit(&dlg, Create::IDC_ARCHIVE)->SetValue(text); };

    type("a");
    Toggle(&dlg, Create::IDC_HEADER_BOX); // ticked: the header name is the user's
    EXPECT_TRUE(dlg.FindWindow(Create::IDC_HEADER)->IsEnabled());
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
    type("y"); // a cancelled browse leaves the names following
    EXPECT_EQ(Value(&dlg, Create::IDC_HEADER), "y");
}

TEST_F(DialogTest, CreationMakeStoresAllFiveValues) {
    std::string cutAccents; // 200 two-byte characters cut to a 255-byte prefix
    for (int i = 0; i < 127; ++i)
        cutAccents += "\xC3\xA9";
    const struct {
        const char* alignment; // typed into the ticked box; nullptr leaves it alone
        bool untick;           // the box only enables the edit
        uint32_t stored;       // read as atol does
        wxString prefix;
        std::string storedPrefix;
    } cases[] = {
        {nullptr, false, 2048, "ID_", "ID_"}, {"4096abc", false, 4096, "ID_", "ID_"},
        {"abc", false, 0, "ID_", "ID_"},      {"-1", false, 0xFFFFFFFFu, "ID_", "ID_"},
        {"  +16", false, 16, "ID_", "ID_"},   {"512", true, 512, wxString(wxUniChar(0xE9), 200), cutAccents},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.alignment ? c.alignment : "(untouched)");
        ScriptedCreateDlg dlg;
        dlg.InitDialog();
        Edit(&dlg, Create::IDC_ARCHIVE)->SetValue("/tmp/pack");
        if (c.alignment) {
            Toggle(&dlg, Create::IDC_ALIGN_BOX);
            Edit(&dlg, Create::IDC_ALIGN)->SetValue(c.alignment);
            if (c.untick) Toggle(&dlg, Create::IDC_ALIGN_BOX);
        }
        Toggle(&dlg, Create::IDC_PREFIX_BOX);
        Edit(&dlg, Create::IDC_PREFIX)->SetValue(c.prefix);
        Toggle(&dlg, Create::IDC_LOG_BOX);
        Edit(&dlg, Create::IDC_LOG)->SetValue("/var/build");
        Click(&dlg, wxID_OK);
        EXPECT_EQ(store->GetAlignment(), c.stored);
        EXPECT_EQ(Text(store->GetArchiveName()), "/tmp/pack.bxa");
        EXPECT_EQ(Text(store->GetFileIdPrefix()), c.storedPrefix);
        EXPECT_EQ(Text(store->GetHeaderName()), "/tmp/pack.h");
        EXPECT_EQ(Text(store->GetLogName()), "/var/build.crg");
        EXPECT_EQ(dlg.m_strArchivePath, ""); // typing never reaches the remembered path
    }
}

// The options dialog with its folder chooser answered by the test.
class ScriptedOptionDlg : public COptionDlg {
  public:
    ScriptedOptionDlg() : COptionDlg(nullptr) {}
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

void UseSettings(ProjectStore* store, const std::vector<std::string>& folders, uint32_t current,
                 uint32_t mode) {
    SettingsBlock block{};
    std::copy_n(kSettingsMagic, 4, block.magic);
    block.version = kSettingsVersion;
    block.folderCount = static_cast<uint32_t>(folders.size());
    block.currentFolder = current;
    for (size_t i = 0; i < folders.size(); ++i) {
        block.folders[i].used = 1;
        folders[i].copy(block.folders[i].path, kFolderSize - 1);
    }
    block.headerNameMode = mode;
    store->LoadSettings(reinterpret_cast<const unsigned char*>(&block), sizeof block);
}

std::vector<std::string> Folders(ProjectStore* store) {
    std::vector<std::string> folders;
    for (const char* f = store->GetFirstFolder(); f != nullptr; f = store->GetNextFolder())
        folders.push_back(f);
    return folders;
}

TEST_F(DialogTest, OptionsListTheRememberedFoldersOnTopAndWriteOnlyOnOk) {
    using Dlg = ScriptedOptionDlg;
    auto combo = [](Dlg& d) { return static_cast<wxComboBox*>(d.FindWindow(COptionDlg::IDC_FOLDER)); };
    auto mode = [](Dlg& d, size_t m) {
        return static_cast<wxRadioButton*>(d.FindWindow(COptionDlg::IDC_ONLY_FILENAME + static_cast<int>(m)));
    };
    const struct {
        std::vector<std::string> folders;
        uint32_t current;
        std::function<void(Dlg&)> act;
        std::vector<std::string> stored; // after OK
        uint32_t storedCurrent;
    } cases[] = {
        {{"/srv/f0", "/srv/F1", "/a/f2"}, 1, [](Dlg&) {}, {"/srv/f0", "/srv/F1", "/a/f2"}, 1},
        {{}, 0, [](Dlg&) {}, {""}, 0}, // the empty text becomes a folder
        {{"/data", "/work"}, 0, [&](Dlg& d) { combo(d)->SetValue("/work"); }, {"/data", "/work"}, 1},
        {{"/data", "/work"}, 0, [&](Dlg& d) { combo(d)->SetValue("/WORK"); }, {"/data", "/work", "/WORK"}, 2},
        {{"/data"}, 0, [&](Dlg& d) { combo(d)->SetSelection(1); }, {"/data", "/"}, 1}, // a fixed entry
        {{"/data"}, 0, [](Dlg& d) { d.Browse("/new"); }, {"/data", "/new"}, 1},
        // A browse selects the first entry beginning with the choice: here the deeper one on top.
        {{"/work/Old"}, 0, [](Dlg& d) { d.Browse("/work"); }, {"/work/Old"}, 0},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        const auto& c = cases[i];
        SCOPED_TRACE(i);
        UseSettings(store, c.folders, c.current, static_cast<uint32_t>(i % 3));
        Dlg dlg;
        dlg.InitDialog();
        std::vector<wxString> entries(c.folders.begin(), c.folders.end());
        entries.push_back(COptionDlg::FirstFixedFolder());
        entries.push_back(COptionDlg::SecondFixedFolder());
        const wxArrayString shown = combo(dlg)->GetStrings();
        EXPECT_EQ(std::vector<wxString>(shown.begin(), shown.end()), entries);
        EXPECT_EQ(combo(dlg)->GetSelection(), c.folders.empty() ? wxNOT_FOUND : static_cast<int>(c.current));
        EXPECT_TRUE(mode(dlg, i % 3)->GetValue());

        c.act(dlg);
        mode(dlg, (i + 1) % 3)->SetValue(true);
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
    const struct {
        std::vector<uint32_t> slots;
        const char* proposal;
    } tables[] = {{{}, "0"}, {{0, 1, 5}, "6"}, {{65534}, "65535"}};
    for (const auto& t : tables) {
        ClearTable();
        for (uint32_t s : t.slots)
            ASSERT_TRUE(store->RegisterEntry("/tmp/member.qsd", s));
        CSetIndexDlg dlg(nullptr);
        dlg.InitDialog();
        EXPECT_EQ(Value(&dlg, CIndexDlgBase::IDC_INDEX), t.proposal);
    }

    store->SetSelection(3, 4);
    CSetIndexDlg dlg(nullptr);
    dlg.InitDialog();
    // Only a whole unsigned number in blanks is read; anything else counts as 0.
    const std::pair<const char*, uint32_t> typed[] = {
        {"20", 20}, {"  7 ", 7}, {"4294967295", 4294967295u}, {"abc", 0}, {"12abc", 0},
        {"-3", 0},  {" ", 0},    {"4294967296", 0},
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

TEST_F(DialogTest, AboutShowsTheVersion) {
    CAboutDlg dlg(nullptr);
    dlg.InitDialog();
    auto label = [&](int id) { return static_cast<wxStaticText*>(dlg.FindWindow(id))->GetLabelText(); };
    EXPECT_EQ(label(CAboutDlg::IDC_VERSION), "Corvane for Windows Ver.1.08");
    EXPECT_TRUE(label(CAboutDlg::IDC_COPYRIGHT).StartsWith("Copyright"));
}

} // namespace
