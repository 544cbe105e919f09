// The list file: what its lines mean, which lines are refused and how, how a table is
// written, and the recent lists.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "model/list_file.h"
#include "model/project_store.h"
#include "model/recent_lists.h"
#include "support/files.h"
#include "support/system.h"

namespace {

using Slots = std::vector<std::pair<uint32_t, std::string>>;

// The entries as "INDEX PATH|" each.
std::string shown(const std::vector<ListEntry>& entries) {
    std::string text;
    for (const ListEntry& e : entries)
        text += std::to_string(e.index) + " " + e.path + "|";
    return text;
}

std::unique_ptr<ProjectStore> storeWith(const Slots& slots) {
    auto store = std::make_unique<ProjectStore>();
    for (const auto& [index, path] : slots)
        EXPECT_TRUE(store->RegisterEntry(path.c_str(), index)) << index;
    return store;
}

struct ParseCase {
    const char* name;
    std::string text;
    std::string folder;
    std::string result; // the entries as shown() writes them, or the message
};

class ListParses : public ::testing::TestWithParam<ParseCase> {};

TEST_P(ListParses, EntriesOrTheFirstBadLine) {
    const ParseCase& c = GetParam();
    std::vector<ListEntry> entries;
    std::string error;
    const bool ok = ParseList(c.text, "l.lst", c.folder, &entries, &error);
    EXPECT_EQ(ok ? shown(entries) : error, c.result);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, ListParses,
    ::testing::Values(
        ParseCase{"BarePathsFollowThePreviousIndex", "a\n5\tb\nc\n", "", "0 a|5 b|6 c|"},
        ParseCase{"MarkCommentsBlanksAndCrLf", "\xEF\xBB\xBF# x\r\n\r\n \t \n3\ta\r\nb", "", "3 a|4 b|"},
        ParseCase{"OnlyTheCrBeforeTheLineEndIsDropped", "0\ta\rb\r\r\n", "", "0 a\rb\r|"},
        ParseCase{"PathKeepsTabsAfterTheFirst", "2\ta\tb", "", "2 a\tb|"},
        ParseCase{"HashInsideAPathIsNoComment", "0\t#a\nb#", "", "0 #a|1 b#|"},
        ParseCase{"RelativeJoinedToTheFolder", "a\n/abs/b\nsub/c\n", "proj",
                  "0 proj/a|1 /abs/b|2 proj/sub/c|"},
        ParseCase{"RootFolder", "a", "/", "0 /a|"},
        ParseCase{"LongestPathAndHighestIndex", "65534\t" + std::string(259, 'p'), "",
                  "65534 " + std::string(259, 'p') + "|"},
        ParseCase{"Malformed", "0\ta\n1x\tb\n", "",
                  "l.lst:2: malformed line: expected INDEX<TAB>PATH with a decimal INDEX, or a bare PATH"},
        ParseCase{"TabWithoutIndex", "a\n\tb", "", "l.lst:2: missing index before the tab"},
        ParseCase{"IndexPastTheTable", "65535\ta", "", "l.lst:1: index 65535 is out of range (0 to 65534)"},
        ParseCase{"IndexPastAnyWord", "99999999999999999999\ta", "",
                  "l.lst:1: index 99999999999999999999 is out of range (0 to 65534)"},
        ParseCase{"BarePathPastTheTable", "65534\ta\nb", "",
                  "l.lst:2: index 65535 (after 65534 on the previous line) is out of range (0 to 65534)"},
        ParseCase{"IndexTwice", "3\ta\n# x\n3\tb", "", "l.lst:3: index 3 is used twice (first at l.lst:1)"},
        ParseCase{"BarePathTakesAUsedIndex", "a\r\nb\r\n1\tc", "",
                  "l.lst:3: index 1 is used twice (first at l.lst:2)"},
        ParseCase{"EmptyPath", "0\t\n", "", "l.lst:1: empty path"},
        ParseCase{"NulByte", std::string("a\nb\0c", 5), "", "l.lst:2: the line holds a NUL byte"},
        ParseCase{"PathTooLong", std::string(260, 'p'), "",
                  "l.lst:1: path of 260 bytes is too long (at most 259)"},
        ParseCase{"PathTooLongWithTheFolder", std::string(255, 'p'), "proj",
                  "l.lst:1: path of 260 bytes with the list's folder is too long (at most 259)"}),
    [](const ::testing::TestParamInfo<ParseCase>& row) { return std::string(row.param.name); });

TEST(ListFile, Folders) {
    const struct {
        const char* list;
        const char* folder;
    } cases[] = {{"game.lst", ""},          {"./game.lst", ""}, {"proj/game.lst", "proj"},
                 {"../p/game.lst", "../p"}, {"/game.lst", "/"}, {"/a/b/game.lst", "/a/b"}};
    for (const auto& c : cases)
        EXPECT_EQ(ListFolder(c.list), c.folder) << c.list;
    const std::string cwd = std::filesystem::current_path().string();
    EXPECT_EQ(AbsoluteListPath("p/./q/../game.lst"), cwd + "/p/game.lst");
    EXPECT_EQ(AbsoluteListPath("/a/../b.lst"), "/b.lst");
}

struct FormatCase {
    const char* name;
    Slots slots;
    std::string want; // the text, or the start of the message when refused
    bool refused = false;
};

class ListWrites : public ::testing::TestWithParam<FormatCase> {};

TEST_P(ListWrites, Text) {
    const FormatCase& c = GetParam();
    auto store = storeWith(c.slots);
    std::string text = "old", error;
    const bool ok = FormatList(*store, "/p/proj", &text, &error);
    EXPECT_EQ(ok, !c.refused);
    if (c.refused)
        EXPECT_EQ(error.substr(0, c.want.size()), c.want) << error;
    else
        EXPECT_EQ(text, c.want);
}

INSTANTIATE_TEST_SUITE_P(
    Tables, ListWrites,
    ::testing::Values(FormatCase{"BelowTheFolderRelativeInIndexOrder",
                                 {{9, "/p/proj/sub/b.qsd"}, {0, "/p/proj/a.qsd"}, {3, "/p/proj/a.qsd"}},
                                 "0\ta.qsd\n3\ta.qsd\n9\tsub/b.qsd\n"},
                      FormatCase{"ElsewhereAbsolute",
                                 {{0, "/other/a"}, {1, "/p/project/b"}, {2, "/p/proj"}, {3, "/p/proj/"}},
                                 "0\t/other/a\n1\t/p/project/b\n2\t/p/proj\n3\t/p/proj/\n"},
                      FormatCase{
                          "DotsAndDoubleSlashesKeptAbsolute",
                          {{0, "/p/proj/../x"}, {1, "/p/proj/./y"}, {2, "/p/proj//z"}, {3, "/p/proj/s/../w"}},
                          "0\t/p/proj/../x\n1\t/p/proj/./y\n2\t/p/proj//z\n3\t/p/proj/s/../w\n"},
                      FormatCase{"EmptyTable", {}, ""},
                      FormatCase{"TabRefused", {{0, "/p/proj/a"}, {7, "/p/proj/a\tb"}}, "index 7: ", true},
                      FormatCase{"LineFeedRefused", {{65534, "/x\ny"}}, "index 65534: ", true},
                      FormatCase{"CarriageReturnRefused", {{5, "/x\r"}}, "index 5: ", true},
                      // A relative slot path is written against the current folder.
                      FormatCase{"RelativeSlotPath",
                                 {{0, "rel/x"}},
                                 "0\t" + std::filesystem::current_path().string() + "/rel/x\n"}),
    [](const ::testing::TestParamInfo<FormatCase>& row) { return std::string(row.param.name); });

TEST(ListFile, ReadsOnlyRegularFiles) {
    const testsupport::TempDir tmp;
    const std::string& dir = tmp.path;
    tmp.put("game.lst", "a\n3\tsub/b\n");
    ASSERT_TRUE(testsupport::makeFifo(dir + "/fifo"));
    const struct {
        std::string list;
        std::string result; // the entries, or the message
    } cases[] = {
        {dir + "/game.lst", "0 " + dir + "/a|3 " + dir + "/sub/b|"},
        {dir + "/fifo", dir + "/fifo: not a regular file"}, // refused without waiting for a writer
        {dir, dir + ": is a folder, not a file"},
        {dir + "/missing", dir + "/missing: No such file or directory"},
    };
    for (const auto& c : cases) {
        std::vector<ListEntry> entries;
        std::string error;
        EXPECT_EQ(ReadList(c.list, &entries, &error) ? shown(entries) : error, c.result);
    }
}

TEST(ListFile, SavedNamesWithoutExtensionGetTheListExtension) {
    const std::pair<const char*, const char*> cases[] = {
        {"game", "game.lst"},           {"/p/game", "/p/game.lst"},
        {"/p.d/game", "/p.d/game.lst"}, {"/p/game.lst", "/p/game.lst"},
        {"/p/game.txt", "/p/game.txt"}, {"/p/.hidden", "/p/.hidden.lst"},
        {"/p/.h.lst", "/p/.h.lst"},     {"/p/", "/p/"},
    };
    for (const auto& [typed, saved] : cases)
        EXPECT_EQ(WithListExtension(typed), saved) << typed;
}

TEST(RecentLists, NewestFirstEachOnceAtMostFour) {
    using Paths = std::vector<std::string>;
    RecentLists recent;
    for (const char* path : {"/a", "/b", "", "/c", "/x\ny", "/d", "/e", "/b", "/z\r"})
        recent.Add(path);
    EXPECT_EQ(recent.Paths(), (Paths{"/b", "/e", "/d", "/c"}));
    EXPECT_TRUE(recent.Remove("/e"));
    EXPECT_FALSE(recent.Remove("/e"));
    EXPECT_EQ(recent.Paths(), (Paths{"/b", "/d", "/c"}));
    recent.Add("/e");

    const testsupport::TempDir tmp;
    const std::string& dir = tmp.path;
    const std::string file = RecentListsFileBeside(dir + "/conf/Corvane.ini");
    EXPECT_EQ(file, dir + "/conf/Corvane-recent.txt");
    std::string error;
    ASSERT_TRUE(recent.Save(file, &error)) << error; // the folder is made on the way
    RecentLists loaded;
    EXPECT_TRUE(loaded.Load(file));
    EXPECT_EQ(loaded.Paths(), recent.Paths());

    // Written by hand: CR LF ends, blank and repeated lines, more than four.
    testsupport::writeFile(file, "/p\r\n\n/q\n/p\n/r\n/s\n/t\n");
    EXPECT_TRUE(loaded.Load(file));
    EXPECT_EQ(loaded.Paths(), (Paths{"/p", "/q", "/r", "/s"}));
    EXPECT_FALSE(loaded.Load(dir + "/missing"));
    EXPECT_TRUE(loaded.Paths().empty());
}

} // namespace
