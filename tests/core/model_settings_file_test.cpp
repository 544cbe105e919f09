#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include "model/project_store.h"

namespace {

using Bytes = std::vector<unsigned char>;

class SettingsFile : public ::testing::Test {
  protected:
    std::string dir;
    std::string file;

    void SetUp() override {
        char pattern[] = "/tmp/corvane-settings-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        dir = pattern;
        file = dir + "/" + SettingsFileName();
    }
    void TearDown() override {
        ::chmod(dir.c_str(), 0700);
        for (const std::string& name : Names())
            std::remove((dir + "/" + name).c_str());
        ::rmdir((dir + "/" + SettingsFileName()).c_str());
        ::rmdir(dir.c_str());
    }
    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        if (DIR* d = ::opendir(dir.c_str())) {
            while (const dirent* e = ::readdir(d))
                if (e->d_name[0] != '.') names.push_back(e->d_name);
            ::closedir(d);
        }
        return names;
    }
    static Bytes Read(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return Bytes(std::istreambuf_iterator<char>(in), {});
    }
    static void Write(const std::string& path, const Bytes& bytes) {
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    }
    static Bytes Image(const ProjectStore& store) {
        Bytes image(kSettingsSize);
        store.SaveSettings(image.data());
        return image;
    }
};

TEST_F(SettingsFile, RoundTrip) {
    auto saved = std::make_unique<ProjectStore>();
    saved->SelectFolder("/srv/sound");
    saved->SelectFolder("/srv/movie");
    saved->SetHeaderNameMode(CutOverlapping);
    ASSERT_TRUE(SaveSettingsFile(saved.get(), file.c_str()));

    const Bytes bytes = Read(file);
    EXPECT_EQ(bytes, Image(*saved));
    EXPECT_EQ(Names(), std::vector<std::string>{SettingsFileName()});
    struct stat st {};
    ASSERT_EQ(::stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0644u);

    auto loaded = std::make_unique<ProjectStore>();
    EXPECT_TRUE(LoadSettingsFile(loaded.get(), file.c_str()));
    EXPECT_EQ(Image(*loaded), bytes);
    EXPECT_STREQ(loaded->GetCurrentFolder(), "/srv/movie");
}

TEST_F(SettingsFile, SaveReplacesAnOldFile) {
    Write(file, Bytes(5000, 'x'));
    auto store = std::make_unique<ProjectStore>();
    ASSERT_TRUE(SaveSettingsFile(store.get(), file.c_str()));
    EXPECT_EQ(Read(file).size(), kSettingsSize);
    EXPECT_EQ(Names().size(), 1u);
}

TEST_F(SettingsFile, UnsuitableFilesAreIgnored) {
    auto good = std::make_unique<ProjectStore>();
    good->SetHeaderNameMode(FullPath);
    const Bytes image = Image(*good);
    Bytes shortFile(image.begin(), image.end() - 1);
    Bytes longFile = image;
    longFile.push_back(0);
    Bytes wrongVersion = image;
    wrongVersion[4] = 2;

    for (const Bytes& bytes : {shortFile, longFile, wrongVersion, Bytes{}}) {
        Write(file, bytes);
        auto store = std::make_unique<ProjectStore>();
        EXPECT_FALSE(LoadSettingsFile(store.get(), file.c_str())) << bytes.size();
        EXPECT_EQ(store->GetHeaderNameMode(), 0u);
    }
    auto store = std::make_unique<ProjectStore>();
    EXPECT_FALSE(LoadSettingsFile(store.get(), (dir + "/missing.ini").c_str()));
    EXPECT_FALSE(LoadSettingsFile(store.get(), dir.c_str()));
    EXPECT_FALSE(LoadSettingsFile(store.get(), nullptr));
    EXPECT_FALSE(LoadSettingsFile(nullptr, file.c_str()));
}

TEST_F(SettingsFile, FailedSaveLeavesNoTrace) {
    auto store = std::make_unique<ProjectStore>();
    EXPECT_FALSE(SaveSettingsFile(store.get(), (dir + "/no/such/folder.ini").c_str()));
    EXPECT_FALSE(SaveSettingsFile(nullptr, file.c_str()));
    EXPECT_FALSE(SaveSettingsFile(store.get(), nullptr));
    // The rename cannot replace a folder: the temporary file must go again.
    ASSERT_EQ(::mkdir(file.c_str(), 0700), 0);
    ASSERT_EQ(::mkdir((file + "/keep").c_str(), 0700), 0);
    EXPECT_FALSE(SaveSettingsFile(store.get(), file.c_str()));
    EXPECT_EQ(Names(), std::vector<std::string>{SettingsFileName()});
    ::rmdir((file + "/keep").c_str());
}

TEST_F(SettingsFile, ReadOnlyFolderKeepsTheOldFile) {
    if (::geteuid() == 0) GTEST_SKIP() << "permissions do not bind root";
    const Bytes old(kSettingsSize, 'o');
    Write(file, old);
    ASSERT_EQ(::chmod(dir.c_str(), 0500), 0);
    auto store = std::make_unique<ProjectStore>();
    EXPECT_FALSE(SaveSettingsFile(store.get(), file.c_str()));
    EXPECT_EQ(Read(file), old);
    EXPECT_EQ(Names().size(), 1u);
}

} // namespace
