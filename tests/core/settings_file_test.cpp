// Reading, saving and finding the settings file. Every case holds for root as for
// a normal user: what may be read or written is decided from the mode bits.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "model/project_store.h"
#include "model/settings_file.h"
#include "platform/file_replace.h"
#include "platform/user_dirs.h"
#include "support/files.h"
#include "support/system.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::string;
using Outcome = platform::ReplaceResult::Outcome;

Bytes imageOf(const ProjectStore& store) {
    Bytes image(kSettingsSize, '\0');
    store.SaveSettings(reinterpret_cast<unsigned char*>(image.data()));
    return image;
}

void write(const std::string& path, const Bytes& bytes, mode_t mode = 0644) {
    std::ofstream(path, std::ios::binary) << bytes;
    ASSERT_EQ(::chmod(path.c_str(), mode), 0) << path;
}

// The content whatever the mode (the test itself may lack the right to read it).
Bytes read(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return "<missing>";
    if (!S_ISREG(st.st_mode)) return "<not a file>";
    ::chmod(path.c_str(), st.st_mode | S_IRUSR);
    const Bytes bytes = testsupport::readFile(path);
    ::chmod(path.c_str(), st.st_mode);
    return bytes;
}

mode_t modeOf(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

// Entry names marked by kind: "name/" folder, "name@" link, "name|" FIFO.
std::vector<std::string> listing(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        std::string name = entry.path().filename().string();
        if (entry.is_symlink())
            name += "@";
        else if (entry.is_directory())
            name += "/";
        else if (entry.is_fifo())
            name += "|";
        names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

class SettingsFileTest : public ::testing::Test {
  protected:
    std::unique_ptr<testsupport::TempDir> tmp;
    std::string dir;
    mode_t oldUmask = 0;
    std::unique_ptr<ProjectStore> store = std::make_unique<ProjectStore>();

    void SetUp() override {
        tmp = std::make_unique<testsupport::TempDir>();
        dir = tmp->path;
        oldUmask = ::umask(022);
        store->SelectFolder("/new/folder");
    }
    void TearDown() override {
        ::umask(oldUmask);
        for (const auto& entry : fs::recursive_directory_iterator(dir))
            if (entry.is_directory() && !entry.is_symlink()) ::chmod(entry.path().c_str(), 0700);
        ::chmod(dir.c_str(), 0700);
        tmp.reset();
    }
};

TEST_F(SettingsFileTest, SavingNeverDestroysWhatWasThere) {
    enum Old { NoFile, File, AFolder, AFifo, ALink, StrayTemp, HeldTemp };
    const std::string ini = "Corvane.ini", temp = platform::replacementTempPath(ini);
    const struct {
        const char* name;
        Old old;
        mode_t oldMode, folderMode, umask;
        Outcome outcome;
        bool replaced; // otherwise what was there stays as it was
        mode_t mode;
        std::vector<std::string> after;
    } cases[] = {
        {"new file", NoFile, 0, 0755, 022, Outcome::Replaced, true, 0644, {ini}},
        {"new file under a strict umask", NoFile, 0, 0755, 077, Outcome::Replaced, true, 0600, {ini}},
        {"longer old file", File, 0644, 0755, 022, Outcome::Replaced, true, 0644, {ini}},
        {"old mode kept", File, 0640, 0755, 077, Outcome::Replaced, true, 0640, {ini}},
        {"read-only file", File, 0444, 0755, 022, Outcome::Failed, false, 0444, {ini}},
        {"unreadable file", File, 0200, 0755, 022, Outcome::Failed, false, 0200, {ini}},
        {"read-only dir, writable file", File, 0604, 0555, 022, Outcome::WrittenInPlace, true, 0604, {ini}},
        {"read-only dir, no file", NoFile, 0, 0555, 022, Outcome::Failed, false, 0, {}},
        {"a folder in its place", AFolder, 0755, 0755, 022, Outcome::Failed, false, 0755, {ini + "/"}},
        {"a FIFO in its place", AFifo, 0644, 0755, 022, Outcome::Failed, false, 0644, {ini + "|"}},
        {"stray temporary from a crash", StrayTemp, 0644, 0755, 022, Outcome::Replaced, true, 0644, {ini}},
        {"temporary held by a writer", HeldTemp, 0644, 0755, 022, Outcome::Replaced, true, 0644, {temp, ini}},
        {"link to the file", ALink, 0600, 0755, 022, Outcome::Replaced, true, 0600, {ini + "@", "real.ini"}},
    };
    const Bytes fresh = imageOf(*store);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TearDown();
        SetUp();
        const std::string file = dir + "/" + ini, tempFile = dir + "/" + temp;
        const Bytes old(5000, 'o'); // longer than a block: a new file must not keep its tail
        if (c.old == File || c.old == StrayTemp || c.old == HeldTemp) write(file, old, c.oldMode);
        if (c.old == AFolder) ::mkdir(file.c_str(), c.oldMode);
        if (c.old == AFifo) ::mkfifo(file.c_str(), c.oldMode);
        if (c.old == ALink) {
            write(dir + "/real.ini", old, c.oldMode);
            ::symlink("real.ini", file.c_str());
        }
        if (c.old == StrayTemp || c.old == HeldTemp) write(tempFile, "busy", 0600);
        const int held = c.old == HeldTemp ? ::open(tempFile.c_str(), O_RDONLY) : -1;
        if (held >= 0) ::flock(held, LOCK_EX);
        ::chmod(dir.c_str(), c.folderMode);
        ::umask(c.umask);

        const Bytes before = read(file);
        const platform::ReplaceResult result = SaveSettingsFile(store.get(), file);
        EXPECT_EQ(result.outcome, c.outcome) << result.reason;
        EXPECT_EQ(result.ok(), result.reason.empty());
        EXPECT_EQ(read(file), c.replaced ? fresh : before);
        EXPECT_EQ(modeOf(file), c.mode);
        EXPECT_EQ(listing(dir), c.after);
        if (held >= 0) {
            EXPECT_EQ(read(tempFile), "busy");
            ::close(held);
        }
    }
}

TEST_F(SettingsFileTest, OnlyAReadableFileWithOurFirstBlockLoads) {
    const Bytes image = imageOf(*store);
    const Bytes initial = imageOf(*std::make_unique<ProjectStore>());
    const struct {
        const char* name;
        Bytes bytes; // written with `mode` unless empty; the mode's type may ask for a folder or a FIFO
        mode_t mode;
        bool loaded;
    } cases[] = {
        {"read-only file", image, 0444, true},
        {"longer file", image + Bytes(4096, 'x'), 0644, true},
        {"one byte short", image.substr(1), 0644, false},
        {"magic and version only", image.substr(0, 8), 0644, false},
        {"foreign magic", "CRVX" + image.substr(4), 0644, false},
        {"other version", image.substr(0, 6) + '\2' + image.substr(7), 0644, false},
        {"unreadable file", image, 0200, false},
        {"missing file", "", 0, false},
        {"a folder", "", S_IFDIR, false},
        {"a FIFO without a writer", "", S_IFIFO, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string file = dir + "/" + c.name;
        if (!c.bytes.empty()) write(file, c.bytes, c.mode);
        if (S_ISDIR(c.mode)) ::mkdir(file.c_str(), 0755);
        if (S_ISFIFO(c.mode)) ::mkfifo(file.c_str(), 0644);
        auto loaded = std::make_unique<ProjectStore>();
        EXPECT_EQ(LoadSettingsFile(loaded.get(), file), c.loaded);
        EXPECT_EQ(imageOf(*loaded), c.loaded ? image : initial);
    }
}

enum class Where { Beside, Own, Nowhere };

TEST_F(SettingsFileTest, BesideTheProgramOrInTheUsersConfigFolder) {
    enum Beside { None, Writable, ReadOnly, Unreadable, AFolder };
    const struct {
        const char* name;
        Beside beside;
        mode_t programFolder;
        bool ownFile, configDir;
        Where read, save;
    } cases[] = {
        {"first run in a writable folder", None, 0755, false, true, Where::Beside, Where::Beside},
        {"writable file beside wins over an own file", Writable, 0755, true, true, Where::Beside,
         Where::Beside},
        {"writable file in a read-only folder", Writable, 0555, false, true, Where::Beside, Where::Beside},
        {"installed in a read-only folder", None, 0555, false, true, Where::Own, Where::Own},
        {"installed, saved before", None, 0555, true, true, Where::Own, Where::Own},
        {"read-only file beside, nothing saved yet", ReadOnly, 0755, false, true, Where::Beside, Where::Own},
        {"read-only file beside, saved before", ReadOnly, 0755, true, true, Where::Own, Where::Own},
        {"unreadable file beside", Unreadable, 0755, false, true, Where::Beside, Where::Own},
        {"a folder named like the file beside", AFolder, 0755, false, true, Where::Beside, Where::Own},
        {"no config folder to fall back on", None, 0555, false, false, Where::Nowhere, Where::Nowhere},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TearDown();
        SetUp();
        const std::string program = dir + "/bin/", config = dir + "/home/.config";
        const std::string beside = program + "Corvane.ini", own = config + "/corvane/Corvane.ini";
        fs::create_directories(program);
        fs::create_directories(config + "/corvane");
        if (c.beside == AFolder) fs::create_directory(beside);
        if (c.beside == Writable) write(beside, "b", 0644);
        if (c.beside == ReadOnly) write(beside, "b", 0444);
        if (c.beside == Unreadable) write(beside, "b", 0200);
        if (c.ownFile) write(own, "o", 0644);
        ::chmod(program.c_str(), c.programFolder);
        const SettingsFilePaths paths = LocateSettingsFile(program, c.configDir ? config : "");
        const auto path = [&](Where w) { return w == Where::Beside ? beside : w == Where::Own ? own : ""; };
        EXPECT_EQ(paths.read, path(c.read));
        EXPECT_EQ(paths.save, path(c.save));
    }
    // Installed for every user: nothing is created beside the program, even by root.
    for (const char* system : {"/usr/bin/", "/usr/local/bin/", "/bin/"})
        EXPECT_EQ(LocateSettingsFile(system, "/cfg").save, "/cfg/corvane/Corvane.ini") << system;
}

TEST_F(SettingsFileTest, AnInstalledProgramCreatesItsConfigFolderAndReadsItBack) {
    const std::string program = dir + "/usr/bin/", config = dir + "/home/.config";
    fs::create_directories(program);
    ::chmod(program.c_str(), 0555);
    const SettingsFilePaths first = LocateSettingsFile(program, config);
    // A home that may not be written gets no config folder, root or not.
    fs::create_directories(dir + "/home");
    ::chmod((dir + "/home").c_str(), 0555);
    EXPECT_FALSE(SaveSettingsFile(store.get(), first.save).ok());
    EXPECT_TRUE(fs::is_empty(dir + "/home"));
    ::chmod((dir + "/home").c_str(), 0755);
    ASSERT_TRUE(SaveSettingsFile(store.get(), first.save).ok());
    EXPECT_EQ(modeOf(config + "/corvane"), 0700u);
    auto next = std::make_unique<ProjectStore>();
    ASSERT_TRUE(LoadSettingsFile(next.get(), LocateSettingsFile(program, config).read));
    EXPECT_STREQ(next->GetCurrentFolder(), "/new/folder");
    EXPECT_TRUE(fs::is_empty(program));
}

TEST(UserConfigDir, FollowsTheEnvironment) {
    const struct {
        const char *xdg, *home, *expected;
    } cases[] = {
        {"/cfg", "/home/u", "/cfg"},
        {nullptr, "/home/u", "/home/u/.config"},
        {"", "/home/u/", "/home/u/.config"},
        {"relative/cfg", "/home/u", "/home/u/.config"}, // only an absolute path counts
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.xdg ? c.xdg : "(unset)");
        const testsupport::ScopedEnv xdg("XDG_CONFIG_HOME", c.xdg), home("HOME", c.home);
        EXPECT_EQ(platform::userConfigDir(), c.expected);
    }
}

} // namespace
