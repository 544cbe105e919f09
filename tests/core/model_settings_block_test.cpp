#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "model/project_store.h"

namespace {

using Image = std::vector<unsigned char>;

uint32_t WordAt(const Image& image, size_t offset) {
    return uint32_t(image[offset]) | uint32_t(image[offset + 1]) << 8 | uint32_t(image[offset + 2]) << 16 |
           uint32_t(image[offset + 3]) << 24;
}

void PutWord(Image& image, size_t offset, uint32_t value) {
    for (int i = 0; i < 4; ++i)
        image[offset + i] = static_cast<unsigned char>(value >> (8 * i));
}

size_t FolderAt(uint32_t slot) {
    return 0x014 + slot * 260;
}

Image Save(const ProjectStore& store) {
    Image image(kSettingsSize, 0xEE);
    store.SaveSettings(image.data());
    return image;
}

TEST(SettingsBlock, NewBlockImage) {
    auto store = std::make_unique<ProjectStore>();
    const Image image = Save(*store);
    const Image head = {'C', 'R', 'V', 'N', 0x01, 0x00, 0x01, 0x00};
    EXPECT_EQ(Image(image.begin(), image.begin() + 8), head);
    for (size_t i = 8; i < kSettingsSize; ++i)
        ASSERT_EQ(image[i], 0) << i;
}

TEST(SettingsBlock, FieldsLandAtTheirOffsets) {
    auto store = std::make_unique<ProjectStore>();
    store->SelectFolder("/home/a");
    store->SelectFolder("/home/b");
    store->SetHeaderNameMode(2);
    store->GetFirstFolder();
    const Image image = Save(*store);
    EXPECT_EQ(WordAt(image, 0x008), 2u); // folderCount
    EXPECT_EQ(WordAt(image, 0x00C), 1u); // currentFolder
    EXPECT_EQ(WordAt(image, 0x010), 1u); // folderCursor
    EXPECT_EQ(WordAt(image, FolderAt(0)), 1u);
    EXPECT_STREQ(reinterpret_cast<const char*>(&image[FolderAt(0) + 4]), "/home/a");
    EXPECT_EQ(WordAt(image, FolderAt(1)), 1u);
    EXPECT_STREQ(reinterpret_cast<const char*>(&image[FolderAt(1) + 4]), "/home/b");
    EXPECT_EQ(image[FolderAt(1) + 4 + 255], 0);
    EXPECT_EQ(WordAt(image, FolderAt(2)), 0u);
    EXPECT_EQ(WordAt(image, 0xA3C), 0u);
    EXPECT_EQ(WordAt(image, 0xA40), 2u);
}

TEST(SettingsBlock, LoadThenSaveGivesTheSameBytes) {
    Image image(kSettingsSize, 0);
    std::memcpy(image.data(), "CRVN", 4);
    PutWord(image, 0x004, kSettingsVersion);
    PutWord(image, 0x008, 3);
    PutWord(image, 0x00C, 2);
    PutWord(image, 0x010, 7);
    for (uint32_t i = 0; i < 3; ++i) {
        PutWord(image, FolderAt(i), 1);
        image[FolderAt(i) + 4] = static_cast<unsigned char>('p' + i);
    }
    PutWord(image, 0xA3C, 0xDEADBEEF); // carried over unchanged
    PutWord(image, 0xA40, 1);

    auto store = std::make_unique<ProjectStore>();
    store->LoadSettings(image.data(), image.size());
    EXPECT_EQ(Save(*store), image);
    EXPECT_EQ(store->GetFolderCount(), 3u);
    EXPECT_STREQ(store->GetCurrentFolder(), "r");
    EXPECT_EQ(store->GetHeaderNameMode(), 1u);
}

struct ForeignCase {
    const char* name;
    size_t size;
    size_t patchAt;
    unsigned char patch;
};

class ForeignImage : public ::testing::TestWithParam<ForeignCase> {};

TEST_P(ForeignImage, LeavesTheBlockAlone) {
    auto store = std::make_unique<ProjectStore>();
    store->SelectFolder("/keep");
    const Image before = Save(*store);

    auto other = std::make_unique<ProjectStore>();
    other->SelectFolder("/other");
    other->SetHeaderNameMode(2);
    Image image = Save(*other);
    image.resize(GetParam().size + 1, 0);
    image[GetParam().patchAt] = GetParam().patch;

    EXPECT_FALSE(ProjectStore::IsSettingsImage(image.data(), GetParam().size));
    store->LoadSettings(image.data(), GetParam().size);
    EXPECT_EQ(Save(*store), before);
}

INSTANTIATE_TEST_SUITE_P(Cases, ForeignImage,
                         ::testing::Values(ForeignCase{"Magic", kSettingsSize, 0, 'c'},
                                           ForeignCase{"LastMagicByte", kSettingsSize, 3, 'X'},
                                           ForeignCase{"Version", kSettingsSize, 4, 0x02},
                                           ForeignCase{"VersionHighByte", kSettingsSize, 7, 0x01},
                                           ForeignCase{"Short", kSettingsSize - 1, 8, 0},
                                           ForeignCase{"Long", kSettingsSize + 1, 8, 0},
                                           ForeignCase{"OnlyTheHead", 8, 8, 0}),
                         [](const ::testing::TestParamInfo<ForeignCase>& info) { return info.param.name; });

TEST(SettingsBlock, HostileValuesStaySafe) {
    Image image(kSettingsSize, 'A'); // no terminator anywhere
    std::memcpy(image.data(), "CRVN", 4);
    PutWord(image, 0x004, kSettingsVersion);
    PutWord(image, 0x008, 0xFFFFFFFFu);
    PutWord(image, 0x00C, 10);
    PutWord(image, 0x010, 0x80000000u);
    PutWord(image, 0xA40, 77);
    for (uint32_t i = 0; i < kFolderSlots; ++i)
        PutWord(image, FolderAt(i), 5); // any non-zero value counts as used

    auto store = std::make_unique<ProjectStore>();
    store->LoadSettings(image.data(), image.size());
    EXPECT_EQ(store->GetCurrentFolder(), nullptr);
    EXPECT_EQ(store->GetNextFolder(), nullptr);
    const char* first = store->GetFirstFolder();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(std::strlen(first), kFolderSize - 1);
    int folders = 1;
    while (store->GetNextFolder())
        ++folders;
    EXPECT_EQ(folders, 10);

    // The mode falls back to file names only.
    ASSERT_TRUE(store->RegisterEntry("/x/y/z.qsd", 0));
    store->UpdateNameOffsets();
    EXPECT_EQ(store->GetSlot(0)->nameOffset, 5u);

    // A full set: an unknown folder replaces slot 9.
    EXPECT_TRUE(store->SelectFolder("/new"));
    EXPECT_EQ(store->GetCurrentFolderIndex(), 9u);
    EXPECT_STREQ(store->GetCurrentFolder(), "/new");
}

TEST(Folders, SelectFolderTakesSlotsInOrder) {
    auto store = std::make_unique<ProjectStore>();
    EXPECT_EQ(store->GetCurrentFolder(), nullptr);
    EXPECT_TRUE(store->SelectFolder("/Data"));
    EXPECT_TRUE(store->SelectFolder("/data"));
    EXPECT_TRUE(store->SelectFolder("/Data"));
    EXPECT_EQ(store->GetFolderCount(), 2u);
    EXPECT_EQ(store->GetCurrentFolderIndex(), 0u);
    EXPECT_TRUE(store->SelectFolder(""));
    EXPECT_EQ(store->GetFolderCount(), 3u);
    EXPECT_STREQ(store->GetCurrentFolder(), "");
}

TEST(Folders, EleventhReplacesTheTenth) {
    auto store = std::make_unique<ProjectStore>();
    for (int i = 0; i < 10; ++i)
        store->SelectFolder(("/f" + std::to_string(i)).c_str());
    EXPECT_EQ(store->GetFolderCount(), 10u);
    store->SelectFolder("/eleventh");
    EXPECT_EQ(store->GetFolderCount(), 10u);
    EXPECT_EQ(store->GetCurrentFolderIndex(), 9u);
    EXPECT_STREQ(store->GetCurrentFolder(), "/eleventh");

    std::vector<std::string> listed;
    for (const char* f = store->GetFirstFolder(); f; f = store->GetNextFolder())
        listed.push_back(f);
    ASSERT_EQ(listed.size(), 10u);
    EXPECT_EQ(listed[0], "/f0");
    EXPECT_EQ(listed[8], "/f8");
    EXPECT_EQ(listed[9], "/eleventh");
    EXPECT_EQ(store->Settings().folderCursor, 10u);
    EXPECT_EQ(store->GetNextFolder(), nullptr);
    EXPECT_EQ(store->Settings().folderCursor, 10u);
}

TEST(Folders, LongFoldersAreCutAndStillMatch) {
    auto store = std::make_unique<ProjectStore>();
    const std::string longFolder(300, 'd');
    store->SelectFolder(longFolder.c_str());
    store->SelectFolder(longFolder.c_str());
    EXPECT_EQ(store->GetFolderCount(), 1u);
    EXPECT_EQ(std::string(store->GetCurrentFolder()), longFolder.substr(0, 255));
}

} // namespace
