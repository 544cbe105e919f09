// List files with Windows paths: drives, backslashes, and '/' taken as a separator.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "model/list_file.h"
#include "model/project_store.h"

namespace {

struct FolderCase {
    const char* list;
    const char* folder;
};

TEST(WinListFile, FolderOfTheList) {
    const FolderCase cases[] = {
        {"C:\\lists\\game.lst", "C:\\lists"},
        {"lists/game.lst", "lists"},
        {"C:\\lists/sub\\game.lst", "C:\\lists/sub"},
        {"\\game.lst", "\\"},
        {"game.lst", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ListFolder(c.list), c.folder) << c.list;
}

struct ParseCase {
    const char* path;     // as written in the list
    const char* resolved; // against the folder C:\data
};

TEST(WinListFile, RelativePathsJoinTheFolderWithABackslash) {
    const ParseCase cases[] = {
        {"a.qsd", "C:\\data\\a.qsd"},
        {"sub\\b.qsd", "C:\\data\\sub\\b.qsd"},
        {"sub/b.qsd", "C:\\data\\sub/b.qsd"},
        {"D:\\snd\\c.qsd", "D:\\snd\\c.qsd"}, // a drive makes a path absolute
        {"D:c.qsd", "D:c.qsd"},
        {"\\root.qsd", "\\root.qsd"},
        {"/root.qsd", "/root.qsd"},
    };
    for (const auto& c : cases) {
        std::vector<ListEntry> entries;
        std::string error;
        // Lines may end in CR LF: the CR belongs to the line end, not to the path.
        ASSERT_TRUE(ParseList(std::string("7\t") + c.path + "\r\n", "game.lst", "C:\\data", &entries, &error))
            << error;
        ASSERT_EQ(entries.size(), 1u);
        EXPECT_EQ(entries[0].path, c.resolved);
    }
}

struct LineEndCase {
    const char* name;
    const char* text;
    std::vector<std::string> paths; // resolved against C:\data
};

// Lists written on either system read the same: only the one CR right before a LF
// belongs to the line end; any other CR is part of the path.
TEST(WinListFile, LinesEndInLfOrCrLf) {
    const LineEndCase cases[] = {
        {"Lf", "a\nb\n", {"C:\\data\\a", "C:\\data\\b"}},
        {"CrLf", "a\r\nb\r\n", {"C:\\data\\a", "C:\\data\\b"}},
        {"MixedAndNoEndAtTheEnd", "a\r\nb\nc", {"C:\\data\\a", "C:\\data\\b", "C:\\data\\c"}},
        {"OnlyTheLastCrGoes", "a\rb\r\r\n", {"C:\\data\\a\rb\r"}},
        {"LoneCrEndsNoLine", "a\rb\n", {"C:\\data\\a\rb"}},
    };
    for (const auto& c : cases) {
        std::vector<ListEntry> entries;
        std::string error;
        ASSERT_TRUE(ParseList(c.text, "game.lst", "C:\\data", &entries, &error)) << c.name << ": " << error;
        std::vector<std::string> paths;
        for (const ListEntry& e : entries)
            paths.push_back(e.path);
        EXPECT_EQ(paths, c.paths) << c.name;
    }
}

TEST(WinListFile, PathsBelowTheListsFolderAreWrittenRelative) {
    auto store = std::make_unique<ProjectStore>();
    ASSERT_TRUE(store->RegisterEntry("C:\\data\\a.qsd", 0));
    ASSERT_TRUE(store->RegisterEntry("C:\\data\\sub\\b.qsd", 1));
    ASSERT_TRUE(store->RegisterEntry("C:\\database\\c.qsd", 2)); // shares letters, not the folder
    ASSERT_TRUE(store->RegisterEntry("D:\\data\\d.qsd", 3));
    std::string text, error;
    ASSERT_TRUE(FormatList(*store, "C:\\data", &text, &error)) << error;
    EXPECT_EQ(text, "0\ta.qsd\n1\tsub\\b.qsd\n2\tC:\\database\\c.qsd\n3\tD:\\data\\d.qsd\n");
}

} // namespace
