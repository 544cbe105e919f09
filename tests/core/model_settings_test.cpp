// The settings image and file, the folder history and the build option names.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

#include "model/project_store.h"

namespace {

namespace fs = std::filesystem;
using Image = std::vector<unsigned char>;

void putWord(Image& image, size_t offset, uint32_t value) {
    for (int i = 0; i < 4; ++i)
        image[offset + i] = static_cast<unsigned char>(value >> (8 * i));
}

size_t folderAt(uint32_t slot) {
    return 0x014 + slot * 260;
}

// Exactly one block, so that the sanitiser reports any write past it.
Image save(const ProjectStore& store) {
    Image image(kSettingsSize);
    store.SaveSettings(image.data());
    return image;
}

TEST(SettingsBlock, FieldOffsetsRoundTrip) {
    auto fresh = std::make_unique<ProjectStore>();
    Image image = save(*fresh);
    EXPECT_EQ(Image(image.begin(), image.begin() + 8), (Image{'C', 'R', 'V', 'N', 0x01, 0x00, 0x01, 0x00}));
    EXPECT_EQ(std::count(image.begin() + 8, image.end(), 0), std::ptrdiff_t(kSettingsSize - 8));

    // Every field at its offset: loading must find it there, saving must put it back.
    putWord(image, 0x008, 3); // folder count
    putWord(image, 0x00C, 2); // current folder
    putWord(image, 0x010, 7); // folder cursor
    for (uint32_t i = 0; i < 3; ++i) {
        putWord(image, folderAt(i), 1);
        image[folderAt(i) + 4] = static_cast<unsigned char>('p' + i);
    }
    putWord(image, 0xA3C, 0xDEADBEEF); // reserved, carried over unchanged
    putWord(image, 0xA40, 1);          // header-name mode
    auto store = std::make_unique<ProjectStore>();
    store->LoadSettings(image.data(), image.size());
    EXPECT_EQ(store->GetFolderCount(), 3u);
    EXPECT_STREQ(store->GetCurrentFolder(), "r");
    EXPECT_EQ(store->Settings().folderCursor, 7u);
    EXPECT_EQ(store->GetHeaderNameMode(), 1u);
    EXPECT_EQ(save(*store), image);
}

TEST(SettingsBlock, DamagedValuesStaySafe) {
    Image image(kSettingsSize, 'A'); // no terminator anywhere
    std::memcpy(image.data(), "CRVN", 4);
    putWord(image, 0x004, kSettingsVersion);
    putWord(image, 0x008, 0xFFFFFFFFu);
    putWord(image, 0x00C, 10);
    putWord(image, 0x010, 0x80000000u);
    for (uint32_t i = 0; i < kFolderSlots; ++i)
        putWord(image, folderAt(i), 5); // any non-zero value counts as used
    auto store = std::make_unique<ProjectStore>();
    store->LoadSettings(image.data(), image.size());
    EXPECT_EQ(store->GetCurrentFolder(), nullptr);
    EXPECT_EQ(store->GetNextFolder(), nullptr);
    int folders = 0;
    for (const char* f = store->GetFirstFolder(); f; f = store->GetNextFolder(), ++folders)
        ASSERT_EQ(std::strlen(f), kFolderSize - 1);
    EXPECT_EQ(folders, 10);
}

TEST(Folders, SelectFolderKeepsTenInOrder) {
    auto store = std::make_unique<ProjectStore>();
    EXPECT_EQ(store->GetCurrentFolder(), nullptr);
    const std::string longFolder(300, 'd'); // cut to 255, and the cut text still matches
    for (const char* f : {"/Data", "/data", "/Data", "", longFolder.c_str(), longFolder.c_str()})
        EXPECT_TRUE(store->SelectFolder(f)); // a known folder is selected again; case matters
    EXPECT_EQ(store->GetCurrentFolderIndex(), 3u);
    for (int i = 4; i < 11; ++i)
        store->SelectFolder(("/f" + std::to_string(i)).c_str());
    EXPECT_EQ(store->GetFolderCount(), 10u);
    EXPECT_EQ(store->GetCurrentFolderIndex(), 9u); // the eleventh replaced the tenth
    std::vector<std::string> listed;
    for (const char* f = store->GetFirstFolder(); f; f = store->GetNextFolder())
        listed.push_back(f);
    EXPECT_EQ(listed, (std::vector<std::string>{"/Data", "/data", "", longFolder.substr(0, 255), "/f4", "/f5",
                                                "/f6", "/f7", "/f8", "/f10"}));
    EXPECT_EQ(store->Settings().folderCursor, 10u);
}

TEST(BuildOptions, NamesAndPrefix) {
    const std::string tooLong(400, 'n');
    const std::pair<const char*, std::string> archives[] = {
        {nullptr, ".bxa"},
        {"bgm.bxa", "bgm.bxa"},
        {"bgm.BXA", "bgm.BXA.bxa"},         // extensions are compared with their case
        {"out.new.bxa", "out.new.bxa.bxa"}, // the extension starts at the first '.'
        {"/rel.1/bgm", "/rel.1/bgm.bxa"},
        {tooLong.c_str(), std::string(255, 'n') + ".bxa"}, // shortened so that it still ends in it
    };
    auto store = std::make_unique<ProjectStore>();
    for (const auto& [stored, expected] : archives) {
        store->SetArchiveName(stored);
        EXPECT_EQ(store->GetArchiveName(), expected);
    }
    store->SetHeaderName(tooLong.c_str());
    EXPECT_EQ(store->GetHeaderName(), std::string(257, 'n') + ".h");
    store->SetLogName("bgm");
    EXPECT_STREQ(store->GetLogName(), "bgm.crg");
    EXPECT_FALSE(ProjectStore::HasExtension(nullptr, ".h"));
    store->SetFileIdPrefix(std::string(300, 'p').c_str());
    EXPECT_EQ(std::strlen(store->GetFileIdPrefix()), 255u);
    store->SetFileIdPrefix("");
    EXPECT_EQ(store->GetFileIdPrefix(), nullptr);
}

} // namespace
