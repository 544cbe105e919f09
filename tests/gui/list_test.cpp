// Lists in a real frame: a saved table comes back slot for slot, a bad list changes
// nothing, a build from an opened list equals bxa on the same list, and the recent
// lists follow every list opened or saved.
#include <wx/menu.h>
#include <wx/stopwatch.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <set>
#include <tuple>
#include <unistd.h>

#include "gui_test.h"
#include "model/list_file.h"

namespace {

using Table = std::vector<std::pair<uint32_t, std::string>>;

// The real frame with its list dialog answered by the test.
class ListFrame : public CMainFrame {
  public:
    std::string choice;
    int chosen = 0;

  protected:
    bool ChooseListFile(bool, std::string* path) override {
        ++chosen;
        *path = choice;
        return !choice.empty();
    }
};

class ListTest : public FrameTest<ListFrame> {
  protected:
    Table Slots() const {
        Table table;
        for (uint32_t s = 0; s < kSlotCount; ++s)
            if (const char* path = store->GetEntryPath(s)) table.emplace_back(s, path);
        return table;
    }
    void Set(const Table& table) {
        ClearTable();
        for (const auto& [slot, path] : table)
            ASSERT_TRUE(store->RegisterEntry(path.c_str(), slot));
        frame->GetDocument()->UpdateAllViews(0);
    }
    bool Open(const std::string& list, DialogScript* script) {
        frame->choice = list;
        script->boxes.clear();
        const Table before = Slots();
        frame->OnFileOpenList();
        return Slots() != before;
    }
};

TEST_F(ListTest, ASavedTableOpensAgainSlotForSlot) {
    TempDir other;
    const std::string proj = dir.path + "/proj", list = proj + "/game.lst";
    const std::string a = dir.AddFile("proj/a.qsd", 1), b = dir.AddFile("proj/se/b q.qsd", 2);
    const std::string elsewhere = other.AddFile("c.qmv", 3);
    const Table arranged{{0, a}, {2, elsewhere}, {3, a}, {9, b}}; // gaps, and one file twice
    Set(arranged);
    DialogScript script;

    frame->choice = list;
    frame->OnFileSaveList();
    EXPECT_EQ(testsupport::readFile(list), "0\ta.qsd\n2\t" + elsewhere + "\n3\ta.qsd\n9\tse/b q.qsd\n");

    // Another table with a cut pending and a selection: the question comes first, and No
    // changes nothing.
    Set({{0, "/x/one"}, {4, "/x/two"}});
    SetWords(0, 1, 4);
    frame->OnEditCut();
    script.answer = [](wxDialog*) { return wxID_NO; };
    EXPECT_FALSE(Open(list, &script));
    EXPECT_EQ(script.boxes,
              std::vector<wxString>{"Open List: Replace the 2 registered files with the list?"});
    EXPECT_TRUE(frame->IsCutPending());

    script.answer = [](wxDialog*) { return wxID_YES; };
    EXPECT_TRUE(Open(list, &script));
    EXPECT_EQ(Slots(), arranged);
    EXPECT_FALSE(frame->IsCutPending());
    uint32_t position = 1, count = 1;
    store->GetSelection(&position, &count);
    EXPECT_EQ(position + count + store->GetSelFirstSlot(), 0u);
    EXPECT_EQ(view->GetItemCount(), 6); // 0, a gap, 2, 3, a gap, 9

    // Onto an empty table nothing is asked.
    ClearTable();
    script.boxes.clear();
    EXPECT_TRUE(Open(list, &script));
    EXPECT_TRUE(script.boxes.empty());
    EXPECT_EQ(Slots(), arranged);
}

TEST_F(ListTest, ABadListChangesNothingAndNamesItsFirstBadLine) {
    const std::string list = dir.path + "/bad.lst";
    const struct {
        std::string text; // written to the list; "-" for no file at all
        std::string reason;
    } cases[] = {
        {"a\n1x\tb\n", ":2: malformed line: expected INDEX<TAB>PATH with a decimal INDEX, or a bare PATH"},
        {"a\r\nb\r\n1\tc\n0\td", ":3: index 1 is used twice (first at " + list + ":2)"},
        {"-", ": No such file or directory"},
    };
    Use({1, 5});
    const Table before = Slots();
    DialogScript script;
    script.answer = [](wxDialog*) { return wxID_YES; };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.reason);
        std::remove(list.c_str());
        if (c.text != "-") testsupport::writeFile(list, c.text);
        EXPECT_FALSE(Open(list, &script));
        EXPECT_EQ(script.boxes, std::vector<wxString>{"Error: The list was not opened.\n" + list + c.reason});
        EXPECT_EQ(Slots(), before);
    }
}

// The list lives in its own folder and is named relative to the current one; bxa runs
// from yet another folder. Both must find the same members and write the same bytes,
// with the alignment, prefix, header and log the creation dialog sets and full-path
// header names.
TEST_F(ListTest, AWindowBuildFromAnOpenedListEqualsBxaOnTheList) {
    const std::string& d = dir.path;
    store->SetHeaderNameMode(FullPath);
    dir.AddFile("elsewhere/a.qsd", 7); // a decoy where relative paths must not lead
    dir.AddFile("proj/a.qsd", 5000, 1100000000);
    dir.AddFile("proj/se/b.qsd", 3, 1200000000);
    const std::string c = dir.AddFile("c.qmv", 70000, 1300000000);
    testsupport::writeFile(d + "/proj/game.lst", "# game\r\na.qsd\r\n5\tse/b.qsd\r\n" + c + "\r\n");
    char* cwd = getcwd(nullptr, 0);
    ASSERT_EQ(chdir(d.c_str()), 0);
    const bool opened = frame->OpenList("proj/game.lst", false);
    ASSERT_EQ(chdir(cwd), 0);
    free(cwd);
    ASSERT_TRUE(opened);
    EXPECT_EQ(Slots(), (Table{{0, d + "/proj/a.qsd"}, {5, d + "/proj/se/b.qsd"}, {6, c}}));

    DialogScript script;
    using Dlg = CCreateArchiveDlg;
    script.answer = Make(d + "/pack.bxa", {{Dlg::IDC_ALIGN_BOX, Dlg::IDC_ALIGN, "512"},
                                           {Dlg::IDC_PREFIX_BOX, Dlg::IDC_PREFIX, "SE_"},
                                           {Dlg::IDC_HEADER_BOX, Dlg::IDC_HEADER, d + "/ids"},
                                           {Dlg::IDC_LOG_BOX, Dlg::IDC_LOG, d + "/build"}});
    wxCommandEvent start(wxEVT_MENU, ID_TOOL_START);
    frame->ProcessWindowEvent(start);
    // The frame's own timer drives the build from here.
    for (wxStopWatch watch; frame->IsBuildRunning() && watch.Time() < 20000; wxMilliSleep(5))
        Pump();
    ASSERT_FALSE(frame->IsBuildRunning());

    const std::string outputs[] = {"/pack.bxa", "/ids.h", "/build.crg"};
    std::string window[3];
    for (int i = 0; i < 3; ++i) {
        window[i] = testsupport::readFile(d + outputs[i]);
        ASSERT_FALSE(window[i].empty()) << outputs[i];
        std::remove((d + outputs[i]).c_str());
    }
    testsupport::RunOptions sameZone; // the window wrote its dates in this process's zone
    sameZone.keepTz = true;
    const testsupport::RunResult r =
        testsupport::runBxa({"pack", "-q", "-a", "512", "-p", "SE_", "-m", "full-path", "-l",
                             "../proj/game.lst", "-H", d + "/ids.h", "-L", d + "/build.crg", d + "/pack.bxa"},
                            d + "/elsewhere", sameZone);
    ASSERT_EQ(r.status, 0) << r.err;
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(testsupport::readFile(d + outputs[i]) == window[i]) << outputs[i] << " differs";
}

TEST_F(ListTest, RecentListsFollowEveryListOpenedOrSavedOutliveTheFrameAndDropWhatIsGone) {
    const std::string file = dir.path + "/conf/Corvane-recent.txt";
    frame->UseRecentListsFile(file);
    Use({0});
    DialogScript script;
    script.answer = [](wxDialog*) { return wxID_YES; };
    std::vector<std::string> lists;
    for (int i = 0; i < 5; ++i) {
        lists.push_back(dir.path + "/l" + std::to_string(i) + "&.lst");
        frame->choice = lists.back();
        if (i != 2) testsupport::writeFile(lists.back(), "0\t/x\n");
        i == 2 ? frame->OnFileSaveList() : frame->OnFileOpenList();
    }
    frame->choice = lists[1];
    frame->OnFileOpenList(); // already known: moves to the front
    const std::vector<std::string> want{lists[1], lists[4], lists[3], lists[2]};
    EXPECT_EQ(frame->Recent().Paths(), want);
    EXPECT_EQ(testsupport::readFile(file), want[0] + "\n" + want[1] + "\n" + want[2] + "\n" + want[3] + "\n");

    // A new frame shows them in the File menu, numbered, behind Save List and before Exit.
    frame->Destroy();
    frame = new ListFrame;
    frame->UseRecentListsFile(file);
    wxMenu* menu = frame->GetMenuBar()->GetMenu(0);
    std::vector<wxString> labels;
    for (wxMenuItem* item : menu->GetMenuItems())
        labels.push_back(item->IsSeparator() ? wxString("-") : item->GetItemLabelText());
    const auto label = [](int n, const std::string& path) { return wxString::Format("%d %s", n, path); };
    EXPECT_EQ(labels, (std::vector<wxString>{"File Registration(O)...", "Open List(L)...", "Save List(S)...",
                                             "-", label(1, want[0]), label(2, want[1]), label(3, want[2]),
                                             label(4, want[3]), "-", "Exit"}));

    // Choosing one opens that list, with the question as Open List asks it.
    Set({{0, "/x/y"}});
    script.boxes.clear();
    wxCommandEvent recent(wxEVT_MENU, ID_FILE_RECENT_LIST + 2);
    frame->ProcessWindowEvent(recent);
    EXPECT_EQ(Slots(), (Table{{0, "/x"}}));
    EXPECT_EQ(script.boxes.size(), 1u);
    EXPECT_EQ(frame->Recent().Paths().front(), want[2]);
    EXPECT_EQ(frame->chosen, 0);

    // A list that is gone says so once and leaves the menu; one that cannot be read for
    // what it holds stays, to be mended.
    std::filesystem::remove(lists[4]);
    testsupport::writeFile(lists[1], "0\t/x\n0\t/y\n");
    ClearTable();
    script.boxes.clear();
    for (const std::string& list : {lists[4], lists[1]}) {
        const auto& paths = frame->Recent().Paths();
        const auto at = std::find(paths.begin(), paths.end(), list) - paths.begin();
        wxCommandEvent chosen(wxEVT_MENU, ID_FILE_RECENT_LIST + static_cast<int>(at));
        frame->ProcessWindowEvent(chosen);
    }
    EXPECT_EQ(script.boxes.size(), 2u);
    const std::vector<std::string>& left = frame->Recent().Paths();
    EXPECT_EQ(std::set<std::string>(left.begin(), left.end()),
              (std::set<std::string>{lists[1], lists[2], lists[3]}));
    EXPECT_EQ(testsupport::readFile(file), left[0] + "\n" + left[1] + "\n" + left[2] + "\n");
    EXPECT_FALSE(frame->GetMenuBar()->GetMenu(0)->FindItem(ID_FILE_RECENT_LIST + 3));
}

// Save List asks before it replaces a file, under the name it will really write, and a
// new file is written without a question. A table no list can hold, or a list in a
// folder that is missing, is neither saved nor remembered.
TEST_F(ListTest, SaveListAsksBeforeReplacingAFileAndSavesNoTableItCannotWrite) {
    const std::string list = dir.path + "/old.lst";
    testsupport::writeFile(list, "old");
    const struct {
        Table table;
        std::string list;
        std::string message;
    } refused[] = {
        {{{0, "/x/a"}, {3, "/x/tab\there"}}, list, "index 3: /x/tab\there: the path holds a tab"},
        {{{0, "/x/a"}}, dir.path + "/missing/game.lst", dir.path + "/missing/game.lst: "},
    };
    DialogScript script;
    script.answer = [](wxDialog*) { return wxID_YES; }; // replace the old list, if asked
    for (const auto& c : refused) {
        SCOPED_TRACE(c.message);
        Set(c.table);
        frame->choice = c.list;
        script.boxes.clear();
        frame->OnFileSaveList();
        ASSERT_FALSE(script.boxes.empty());
        const wxString prefix = "Error: The list was not saved.\n" + wxString::FromUTF8(c.message);
        EXPECT_TRUE(script.boxes.back().StartsWith(prefix)) << script.boxes.back();
        EXPECT_EQ(testsupport::readFile(list), "old");
    }
    EXPECT_TRUE(frame->Recent().Paths().empty());

    Set({{0, "/x/a"}});
    frame->choice = list;
    const std::string question = "Save List: " + list + " already exists.\nDo you want to replace it?";
    for (const int answer : {wxID_NO, wxID_YES}) {
        script.answer = [answer](wxDialog*) { return answer; };
        script.boxes.clear();
        frame->OnFileSaveList();
        EXPECT_EQ(script.boxes, std::vector<wxString>{question});
        EXPECT_EQ(testsupport::readFile(list) == "old", answer == wxID_NO);
    }
    script.boxes.clear();
    frame->choice = dir.path + "/new.lst";
    frame->OnFileSaveList();
    EXPECT_TRUE(script.boxes.empty());
    EXPECT_FALSE(testsupport::readFile(frame->choice).empty());
}

} // namespace

// Ctrl+L and Ctrl+S pressed on the keyboard (through the X server) reach Open List and
// Save List exactly when their rules allow: Open List not during a build, Save List
// with at least one slot used.
TEST_F(ListTest, KeyboardCtrlLAndCtrlSFollowTheRulesOfOpenAndSaveList) {
    std::map<int, int> calls;
    frame->Bind(wxEVT_MENU, [&](wxCommandEvent& event) { ++calls[event.GetId()]; });
    const struct {
        const char* state;
        std::function<void()> enter;
        bool open, save;
    } steps[] = {
        {"empty", [] {}, true, false},
        {"registered", [&] { Use({3}); }, true, true},
        {"building", [&] { frame->SetBuildRunning(true); }, false, true},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.state);
        step.enter();
        for (const auto& [key, id, enabled] : {std::make_tuple('L', ID_FILE_OPEN_LIST, step.open),
                                               std::make_tuple('S', ID_FILE_SAVE_LIST, step.save)}) {
            const int before = calls[id];
            PressKey(view, key, wxMOD_CONTROL);
            EXPECT_EQ(calls[id] - before, enabled ? 1 : 0) << char(key);
        }
    }
    frame->SetBuildRunning(false);
}
