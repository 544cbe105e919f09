// The Windows platform layer, run under Wine or on Windows itself.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>
#include <windows.h>

#include "engine/member_attributes.h"
#include "platform/exe_path.h"
#include "platform/file_access.h"
#include "platform/file_replace.h"
#include "platform/file_time.h"
#include "platform/member_files.h"
#include "support/files.h"

namespace {

namespace fs = std::filesystem;

class WinPlatformTest : public ::testing::Test {
  protected:
    std::string file(const std::string& name, const std::string& bytes) {
        testsupport::writeFile(dir + "\\" + name, bytes);
        return dir + "\\" + name;
    }
    testsupport::TempDir tmp;
    const std::string dir = fs::path(tmp.path).make_preferred().string(); // with the system's separator
};

// Sets a file's last-write time to a local wall-clock time.
void setLocalWriteTime(const std::string& path, WORD y, WORD mo, WORD d, WORD h, WORD mi, WORD s) {
    SYSTEMTIME st{y, mo, 0, d, h, mi, s, 0};
    FILETIME local, utc;
    ASSERT_TRUE(::SystemTimeToFileTime(&st, &local));
    ASSERT_TRUE(::LocalFileTimeToFileTime(&local, &utc));
    HANDLE h2 = ::CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                              nullptr);
    ASSERT_NE(h2, INVALID_HANDLE_VALUE);
    ASSERT_TRUE(::SetFileTime(h2, nullptr, nullptr, &utc));
    ::CloseHandle(h2);
}

struct StampCase {
    const char* name;
    WORD year, month, day, hour, minute, second;
    bool ok;
};

class DosStampTest : public WinPlatformTest, public ::testing::WithParamInterface<StampCase> {};

// The local wall-clock time comes back, seconds halved, whatever the zone.
TEST_P(DosStampTest, LastWriteComesBackAsLocalDosTime) {
    const StampCase& c = GetParam();
    std::string p = file("m.qsd", "x");
    setLocalWriteTime(p, c.year, c.month, c.day, c.hour, c.minute, c.second);
    uint16_t date = 0, time = 0;
    ASSERT_EQ(platform::readLastWriteDos(p.c_str(), &date, &time), c.ok);
    if (!c.ok) return;
    EXPECT_EQ(date, ((c.year - 1980) << 9) | (c.month << 5) | c.day);
    EXPECT_EQ(time, (c.hour << 11) | (c.minute << 5) | (c.second / 2));

    // The open-file status agrees with the path-based reading.
    platform::FileStatus st;
    ASSERT_TRUE(platform::readOpenedFileStatus(p.c_str(), &st));
    platform::LocalTime lt;
    ASSERT_TRUE(platform::toLocalTime(st.lastWrite, &lt));
    EXPECT_EQ(lt.year, c.year);
    EXPECT_EQ(lt.hour, c.hour);
    EXPECT_EQ(lt.minute, c.minute);
    EXPECT_EQ(lt.second, c.second);

    // A build dates a member by the time it read when it opened it: the same stamp.
    platform::MemberHandle m = platform::openMemberFile(p.c_str(), &st);
    ASSERT_NE(m, platform::kNoMember);
    platform::closeMemberFile(m);
    EXPECT_EQ(dosStampOf(st.lastWrite), static_cast<uint32_t>(date) << 16 | time);
}

INSTANTIATE_TEST_SUITE_P(Times, DosStampTest,
                         ::testing::Values(StampCase{"OddSecond", 2023, 11, 14, 22, 13, 21, true},
                                           StampCase{"FirstDosYear", 1980, 1, 1, 0, 0, 0, true},
                                           StampCase{"LastDosYear", 2107, 12, 31, 23, 59, 58, true},
                                           StampCase{"BeforeDos", 1979, 12, 31, 23, 59, 59, false}),
                         [](const auto& info) { return std::string(info.param.name); });

// Members are read without sharing: a file another program holds open for writing,
// or a folder, has no date or status to give.
TEST_F(WinPlatformTest, HeldFileAndFolderGiveNoDate) {
    std::string p = file("held.qsd", "data");
    uint16_t date, time;
    platform::FileStatus st;
    ASSERT_TRUE(platform::readLastWriteDos(p.c_str(), &date, &time));
    HANDLE held = ::CreateFileA(p.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(platform::readLastWriteDos(p.c_str(), &date, &time));
    EXPECT_FALSE(platform::readOpenedFileStatus(p.c_str(), &st));
    ::CloseHandle(held);
    EXPECT_TRUE(platform::readOpenedFileStatus(p.c_str(), &st));
    EXPECT_EQ(st.size, 4u);
    EXPECT_FALSE(platform::readLastWriteDos(dir.c_str(), &date, &time));
    EXPECT_FALSE(platform::readOpenedFileStatus(dir.c_str(), &st));
}

struct ShareCase {
    const char* name;
    DWORD heldAccess, heldShare;
    bool memberOpens;
};

class MemberShareTest : public WinPlatformTest, public ::testing::WithParamInterface<ShareCase> {};

// A build reads members another program has open as long as that program lets
// others read; while the build holds a member, the list of files (which asks for
// the file to itself) gets no date for it.
TEST_P(MemberShareTest, BuildOpensWhatOthersShare) {
    const ShareCase& c = GetParam();
    std::string p = file("m.qsd", "data");
    HANDLE held = ::CreateFileA(p.c_str(), c.heldAccess, c.heldShare, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    platform::FileStatus st;
    errno = 0;
    platform::MemberHandle m = platform::openMemberFile(p.c_str(), &st);
    ::CloseHandle(held);
    EXPECT_EQ(m != platform::kNoMember, c.memberOpens);
    if (m == platform::kNoMember) {
        EXPECT_EQ(errno, EACCES);
        return;
    }
    EXPECT_EQ(st.size, 4u);
    EXPECT_FALSE(platform::readOpenedFileStatus(p.c_str(), &st));
    platform::closeMemberFile(m);
    EXPECT_TRUE(platform::readOpenedFileStatus(p.c_str(), &st));
}

INSTANTIATE_TEST_SUITE_P(
    Holders, MemberShareTest,
    ::testing::Values(ShareCase{"Reader", GENERIC_READ, FILE_SHARE_READ, true},
                      ShareCase{"WriterSharing", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, true},
                      ShareCase{"WriterNotSharingReads", GENERIC_WRITE, FILE_SHARE_WRITE, false},
                      ShareCase{"Exclusive", GENERIC_READ, 0, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(WinExePath, SettingsFileSitsInTheModuleFolder) {
    char module[MAX_PATH];
    ASSERT_GT(::GetModuleFileNameA(nullptr, module, MAX_PATH), 0u);
    std::string folder = module;
    folder.erase(folder.rfind('\\') + 1);
    EXPECT_EQ(platform::executableDir(), folder);
    EXPECT_EQ(platform::fileBesideExecutable("Corvane.ini"), folder + "Corvane.ini");
}

TEST_F(WinPlatformTest, ReplaceFileOverwritesAndReadsBack) {
    std::string p = file("Corvane.ini", std::string(5000, 'o'));
    const unsigned char fresh[] = {'C', 'R', 'V', 'N'};
    EXPECT_EQ(platform::replaceFile(p, fresh, sizeof fresh).outcome, platform::ReplaceResult::Replaced);
    unsigned char back[8] = {};
    EXPECT_EQ(platform::readFileStart(p, back, sizeof back), 4);
    EXPECT_EQ(std::memcmp(back, fresh, 4), 0);
    EXPECT_EQ(fs::directory_iterator(dir)->path().filename(), "Corvane.ini"); // nothing left beside it
    EXPECT_EQ(platform::readFileStart(dir + "\\missing", back, sizeof back), -1);
    // What the user marked read-only is left alone.
    ::SetFileAttributesA(p.c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_FALSE(platform::replaceFile(p, fresh, 2).ok());
    EXPECT_EQ(platform::readFileStart(p, back, sizeof back), 4);
    ::SetFileAttributesA(p.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(WinPlatformTest, LookupTellsKindsAndKnowsOneFileByTwoPaths) {
    std::string p = file("a.qsd", "12345");
    platform::FileLookup lookup;
    platform::FileFacts viaBackslash, viaSlash, folder;
    std::string error;
    ASSERT_TRUE(lookup.find(p, &viaBackslash, &error));
    EXPECT_EQ(viaBackslash.kind, platform::FileFacts::Kind::Regular);
    EXPECT_EQ(viaBackslash.size, 5u);
    EXPECT_TRUE(viaBackslash.readable);
    std::string slashed = p;
    for (char& c : slashed)
        if (c == '\\') c = '/';
    ASSERT_TRUE(lookup.find(slashed, &viaSlash, &error));
    EXPECT_EQ(viaSlash.id, viaBackslash.id);
    EXPECT_EQ(viaSlash.device, viaBackslash.device);
    ASSERT_TRUE(lookup.find(dir, &folder, &error));
    EXPECT_EQ(folder.kind, platform::FileFacts::Kind::Folder);
    EXPECT_FALSE(lookup.find(dir + "\\missing.qsd", &folder, &error));
    EXPECT_EQ(error, std::strerror(ENOENT));
}

} // namespace
