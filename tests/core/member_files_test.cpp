// The system's side of a build's files: member opens, outputs and the kernel copy.
// Portable: the same cases hold for every system's implementation.
#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <string>

#include "platform/file_time.h"
#include "platform/member_files.h"
#include "support/files.h"
#include "support/system.h"

namespace {

namespace fs = std::filesystem;

std::string readAll(const fs::path& p) {
    return testsupport::readFile(p.string());
}

class MemberFilesTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(fs::create_directories(dir / "a"));
        ASSERT_TRUE(fs::create_directories(dir / "b"));
    }
    void TearDown() override { platform::closeMemberFileCache(&cache); }
    std::string file(const std::string& name, const std::string& bytes) { return tmp.put(name, bytes); }
    testsupport::TempDir tmp;
    const fs::path dir = tmp.path;
    platform::MemberFileCache cache = platform::emptyMemberFileCache();
};

struct RefusedCase {
    const char* name;
    int expectedErrno;
};

class RefusedMember : public MemberFilesTest, public ::testing::WithParamInterface<RefusedCase> {};

TEST_P(RefusedMember, FailsAtOnceWithItsReason) {
    const std::string kind = GetParam().name;
    std::string path = (dir / "x").string();
    if (kind == "folder") fs::create_directory(path);
    if (kind == "fifo" && !testsupport::makeFifo(path)) GTEST_SKIP() << "no FIFOs on this system";
    platform::FileStatus st;
    errno = 0;
    EXPECT_EQ(platform::openMemberFile(path.c_str(), &st), platform::kNoMember);
    EXPECT_EQ(errno, GetParam().expectedErrno);
    // Opened on the caller's word, it still opens without waiting, and its status refuses it.
    errno = 0;
    const platform::MemberHandle seen = platform::openSeenMemberFile(path.c_str());
    if (seen != platform::kNoMember) {
        EXPECT_FALSE(platform::memberFileStatus(seen, &st));
        platform::closeMemberFile(seen);
    }
    EXPECT_EQ(errno, GetParam().expectedErrno);
}

INSTANTIATE_TEST_SUITE_P(Table, RefusedMember,
                         ::testing::Values(RefusedCase{"missing", ENOENT}, RefusedCase{"folder", EISDIR},
                                           RefusedCase{"fifo", EINVAL}),
                         [](const auto& row) { return std::string(row.param.name); });

// Members in one folder, then another, then the first again, with and without the
// cache: each open must reach its own file, and its date must be the one the list
// of files reads for the same file.
TEST_F(MemberFilesTest, EveryOpenReachesItsOwnFileAndDate) {
    const char* names[] = {"a/one", "a/two", "b/one", "a/three", "top"};
    for (bool cached : {false, true}) {
        platform::openMemberFileCache(cached ? &cache : nullptr);
        for (const char* name : names) {
            std::string path = file(name, std::string(name) + (cached ? "+" : ""));
            fs::last_write_time(path, fs::last_write_time(path) - std::chrono::hours(49));
            platform::FileStatus st, listed;
            platform::MemberHandle m = platform::openMemberFile(path.c_str(), &st);
            ASSERT_NE(m, platform::kNoMember) << name;
            char buf[32] = {};
            long long n = platform::readMemberFile(m, buf, sizeof buf);
            EXPECT_EQ(platform::closeMemberFile(m), 0);
            ASSERT_GE(n, 0) << name;
            EXPECT_EQ(std::string(buf, static_cast<std::size_t>(n)), readAll(path)) << name;
            EXPECT_EQ(st.size, static_cast<uint64_t>(n)) << name;
            ASSERT_TRUE(platform::readOpenedFileStatus(path.c_str(), &listed));
            EXPECT_EQ(st.lastWrite, listed.lastWrite) << name;
        }
        platform::closeMemberFileCache(cached ? &cache : nullptr);
    }
}

TEST_F(MemberFilesTest, OutputStartsEmptyWhetherOrNotItExisted) {
    std::string old = file("old", "left from before");
    std::string fresh = (dir / "fresh").string();
    for (const std::string& path : {old, fresh}) {
        std::FILE* f = platform::createOutputFile(path.c_str());
        ASSERT_NE(f, nullptr) << path;
        std::fputs("new", f);
        std::fclose(f);
        EXPECT_EQ(readAll(path), "new") << path;
    }
    errno = 0;
    EXPECT_EQ(platform::createOutputFile((dir / "no" / "such").string().c_str()), nullptr);
    EXPECT_EQ(errno, ENOENT);
}

// Whatever share the kernel copy takes, the rest goes through plain reads and writes,
// and the archive must hold the bytes before it, the member, and what follows.
TEST_F(MemberFilesTest, KernelCopyAndStreamsTogetherKeepTheOrder) {
    const std::string data = testsupport::content(300 * 1024 + 7, 5);
    std::string member = file("a/member", data);
    platform::openMemberFileCache(&cache);
    platform::FileStatus st;
    platform::MemberHandle in = platform::openMemberFile(member.c_str(), &st);
    std::FILE* out = platform::createOutputFile((dir / "out").string().c_str());
    ASSERT_NE(in, platform::kNoMember);
    ASSERT_NE(out, nullptr);
    std::fputs("head", out);
    for (int round = 0; round < 2; ++round) {
        std::size_t want = data.size() / 2 + static_cast<std::size_t>(round);
        std::size_t moved = platform::copyInKernel(in, out, want);
        ASSERT_LE(moved, want);
        std::string rest(want - moved, '\0');
        ASSERT_EQ(platform::readMemberFile(in, rest.data(), rest.size()),
                  static_cast<long long>(rest.size()));
        ASSERT_EQ(std::fwrite(rest.data(), 1, rest.size(), out), rest.size());
    }
    std::fputs("tail", out);
    platform::closeMemberFile(in);
    ASSERT_EQ(std::fclose(out), 0);
    EXPECT_TRUE(readAll(dir / "out") == "head" + data + "tail");
}

} // namespace
