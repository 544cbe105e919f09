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

class SettingsFile : public ::testing::Test {
  protected:
    std::string dir, file;
    void SetUp() override {
        char pattern[] = "/tmp/corvane-settings-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        dir = pattern;
        file = dir + "/" + SettingsFileName();
    }
    void TearDown() override {
        ::chmod(dir.c_str(), 0700);
        fs::remove_all(dir);
    }
    size_t entries() const { return size_t(std::distance(fs::directory_iterator(dir), {})); }
    static Image read(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return Image(std::istreambuf_iterator<char>(in), {});
    }
    static void write(const std::string& path, const Image& bytes) {
        std::ofstream(path, std::ios::binary) << std::string(bytes.begin(), bytes.end());
    }
};

TEST_F(SettingsFile, FieldOffsetsAndWholeReplacement) {
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
    write(file, image);
    auto store = std::make_unique<ProjectStore>();
    ASSERT_TRUE(LoadSettingsFile(store.get(), file.c_str()));
    EXPECT_EQ(store->GetFolderCount(), 3u);
    EXPECT_STREQ(store->GetCurrentFolder(), "r");
    EXPECT_EQ(store->Settings().folderCursor, 7u);
    EXPECT_EQ(store->GetHeaderNameMode(), 1u);
    write(file, Image(5000, 'x')); // a longer old file must not leave a tail
    ASSERT_TRUE(SaveSettingsFile(store.get(), file.c_str()));
    EXPECT_EQ(read(file), image);
    EXPECT_EQ(entries(), 1u); // no temporary file left behind
    struct stat st {};
    ASSERT_EQ(::stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0644u);

    // Failed saves keep the old file and leave no temporary one.
    EXPECT_FALSE(SaveSettingsFile(fresh.get(), (dir + "/no/such/folder.ini").c_str()));
    if (::geteuid() != 0) { // permissions do not bind root
        ASSERT_EQ(::chmod(dir.c_str(), 0500), 0);
        EXPECT_FALSE(SaveSettingsFile(fresh.get(), file.c_str()));
        EXPECT_EQ(read(file), image);
        ASSERT_EQ(::chmod(dir.c_str(), 0700), 0);
    }
    // The rename cannot replace a non-empty folder: the temporary file must go again.
    fs::remove(file);
    fs::create_directories(file + "/keep");
    EXPECT_FALSE(SaveSettingsFile(fresh.get(), file.c_str()));
    EXPECT_EQ(entries(), 1u);
}

TEST_F(SettingsFile, OnlyTheFirstBlockDecides) {
    auto other = std::make_unique<ProjectStore>();
    other->SelectFolder("/other");
    const Image good = save(*other);
    const struct {
        const char* name;
        size_t size, patchAt; // the patch lands behind the file when patchAt >= size
        unsigned char patch;
        bool loaded;
    } cases[] = {
        {"whole block", kSettingsSize, kSettingsSize, 0, true},
        {"longer file", kSettingsSize + 4096, kSettingsSize, 'x', true},
        {"one byte longer", kSettingsSize + 1, kSettingsSize, 0, true},
        {"foreign magic", kSettingsSize, 3, 'X', false},
        {"other version", kSettingsSize, 7, 0x01, false},
        {"longer file, other version", kSettingsSize + 10, 6, 0x02, false},
        {"one byte short", kSettingsSize - 1, kSettingsSize, 0, false},
        {"magic and version only", 8, kSettingsSize, 0, false},
        {"empty", 0, 0, 0, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Image image = good;
        image.resize(std::max(c.size, kSettingsSize) + 1, 0);
        image[c.patchAt] = c.patch;
        image.resize(c.size);
        write(file, image);
        auto store = std::make_unique<ProjectStore>();
        EXPECT_EQ(LoadSettingsFile(store.get(), file.c_str()), c.loaded);
        EXPECT_EQ(store->GetCurrentFolder() != nullptr, c.loaded);
        if (c.loaded) {
            EXPECT_EQ(save(*store), good);
        }
    }
    auto store = std::make_unique<ProjectStore>();
    EXPECT_FALSE(LoadSettingsFile(store.get(), (dir + "/missing.ini").c_str()));
    EXPECT_FALSE(LoadSettingsFile(store.get(), dir.c_str()));
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
