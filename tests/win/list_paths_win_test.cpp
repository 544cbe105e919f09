// List files with Windows paths: drives, backslashes, and '/' taken as a separator.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "model/list_file.h"
#include "model/project_store.h"

namespace {

TEST(WinListFile, FolderOfTheList) {
    const std::pair<const char*, const char*> cases[] = {
        {"C:\\lists\\game.lst", "C:\\lists"},
        {"lists/game.lst", "lists"},
        {"C:\\lists/sub\\game.lst", "C:\\lists/sub"},
        {"\\game.lst", "\\"},
        {"game.lst", ""},
    };
    for (const auto& [list, folder] : cases)
        EXPECT_EQ(ListFolder(list), folder) << list;
}

// Relative paths join the list's folder with a backslash; a drive or a leading separator
// makes a path absolute. Lists written on either system read the same: only the one CR
// right before a LF belongs to the line end; any other CR is part of the path.
TEST(WinListFile, PathsResolveAgainstTheFolderWhateverTheLineEnds) {
    const struct {
        const char* text;
        std::vector<std::string> paths; // resolved against C:\data
    } cases[] = {
        {"7\ta.qsd\r\n", {"C:\\data\\a.qsd"}},
        {"sub\\b.qsd\r\nsub/b.qsd", {"C:\\data\\sub\\b.qsd", "C:\\data\\sub/b.qsd"}},
        {"D:\\snd\\c.qsd\r\nD:c.qsd\n", {"D:\\snd\\c.qsd", "D:c.qsd"}},
        {"\\root.qsd\n/root.qsd\r\n", {"\\root.qsd", "/root.qsd"}},
        {"a\r\nb\nc", {"C:\\data\\a", "C:\\data\\b", "C:\\data\\c"}},
        {"a\rb\r\r\n", {"C:\\data\\a\rb\r"}},
    };
    for (const auto& c : cases) {
        std::vector<ListEntry> entries;
        std::string error;
        ASSERT_TRUE(ParseList(c.text, "game.lst", "C:\\data", &entries, &error)) << c.text << ": " << error;
        std::vector<std::string> paths;
        for (const ListEntry& e : entries)
            paths.push_back(e.path);
        EXPECT_EQ(paths, c.paths) << c.text;
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
