// `bxa pack` refuses bad input before it writes anything, and reports how it ended
// through its exit status.
#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

#include "cli_run.h"

namespace {

using clitest::fileExists;
using clitest::readFile;
using clitest::runBxa;
using clitest::TempDir;
using clitest::writeFile;

struct CheckCase {
    const char* name;
    std::string list;              // list file text; empty: members come from `args`
    std::vector<std::string> args; // after "pack -q"
    std::string message;           // expected in standard error
};

class PackRefuses : public ::testing::TestWithParam<CheckCase> {};

TEST_P(PackRefuses, WithStatus2AndNoOutput) {
    const CheckCase& c = GetParam();
    TempDir dir;
    writeFile(dir / "a", "aaa");
    writeFile(dir / "b", "bbbb");
    std::filesystem::create_directory(dir / "folder");
    ASSERT_EQ(mkfifo((dir / "fifo").c_str(), 0644), 0);
    // An archive from an earlier run must survive a refused one untouched.
    writeFile(dir / "out.bxa", "old archive");
    std::vector<std::string> args{"pack", "-q"};
    if (!c.list.empty()) {
        writeFile(dir / "list.txt", c.list);
        args.insert(args.end(), {"-l", "list.txt"});
    }
    args.insert(args.end(), c.args.begin(), c.args.end());
    clitest::RunResult r = runBxa(args, dir.path());
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(readFile(dir / "out.bxa"), "old archive");
    EXPECT_FALSE(fileExists(dir / "out.h"));
    EXPECT_FALSE(fileExists(dir / "out.crg"));
}

const std::string kLongPath(260, 'p');

INSTANTIATE_TEST_SUITE_P(
    Checks, PackRefuses,
    ::testing::Values(
        CheckCase{"MalformedIndex", "0\ta\n1x\tb\n", {"out.bxa"}, "bxa: list.txt:2: malformed line"},
        CheckCase{"MissingIndex", "\ta\n", {"out.bxa"}, "bxa: list.txt:1: missing index"},
        CheckCase{
            "IndexTooHigh", "a\n65535\tb\n", {"out.bxa"}, "bxa: list.txt:2: index 65535 is out of range"},
        CheckCase{
            "HugeIndex", "99999999999999999999\ta\n", {"out.bxa"}, "list.txt:1: index 99999999999999999999"},
        CheckCase{"BareLineAfterHighest", "65534\ta\nb\n", {"out.bxa"}, "bxa: list.txt:2: index 65535"},
        CheckCase{"IndexUsedTwice",
                  "3\ta\n# x\n3\tb\n",
                  {"out.bxa"},
                  "bxa: list.txt:3: index 3 is used twice (first at list.txt:1)"},
        CheckCase{
            "BareLineCollides", "1\ta\n0\tb\na\n", {"out.bxa"}, "bxa: list.txt:3: index 1 is used twice"},
        CheckCase{"EmptyPath", "0\t\n", {"out.bxa"}, "bxa: list.txt:1: empty path"},
        CheckCase{"PathTooLong", "a\n" + kLongPath + "\n", {"out.bxa"}, "bxa: list.txt:2: path of 260 bytes"},
        CheckCase{"MissingMember", "a\nmissing\n", {"out.bxa"}, "bxa: list.txt:2: missing: No such file"},
        CheckCase{"FolderMember", "a\nfolder\n", {"out.bxa"}, "bxa: list.txt:2: folder: is a folder"},
        CheckCase{"FifoMember", "a\nfifo\n", {"out.bxa"}, "bxa: list.txt:2: fifo: not a regular file"},
        CheckCase{"NoMembers", "# nothing\n\n", {"out.bxa"}, "list names no member"},
        CheckCase{"MissingList", "", {"-l", "nolist.txt", "out.bxa"}, "bxa: nolist.txt: No such file"},
        CheckCase{
            "MissingArgument", "", {"out.bxa", "a", "missing"}, "bxa: argument 2: missing: No such file"},
        CheckCase{"ArgumentTooLong", "", {"out.bxa", kLongPath}, "bxa: argument 1: path of 260 bytes"},
        CheckCase{"ArchiveIsAMember",
                  "",
                  {"out.bxa", "a", "out.bxa"},
                  "argument 2: out.bxa: is also an output file"},
        CheckCase{"LogIsAMember", "", {"-L", "a", "out.bxa", "a"}, "argument 1: a: is also an output file"},
        CheckCase{
            "HeaderIsAMember", "", {"-H", "b", "out.bxa", "a", "b"}, "argument 2: b: is also an output"},
        CheckCase{"ArchiveOver2GiB", "", {"-a", "2147483647", "out.bxa", "a"}, "must stay below 2 GiB"},
        CheckCase{"NoArchive", "", {}, "missing ARCHIVE"},
        CheckCase{"NoMemberArguments", "", {"out.bxa"}, "no members"},
        CheckCase{"ListAndArguments", "a\n", {"out.bxa", "b"}, "not both"},
        CheckCase{"UnknownOption", "", {"--fast", "out.bxa", "a"}, "unknown option '--fast'"},
        CheckCase{"NegativeAlignment", "", {"-a", "-1", "out.bxa", "a"}, "invalid alignment '-1'"},
        CheckCase{"JunkAlignment", "", {"--align=2k", "out.bxa", "a"}, "invalid alignment '2k'"},
        CheckCase{"AlignmentTooBig", "", {"-a", "2147483648", "out.bxa", "a"}, "invalid alignment"},
        CheckCase{"UnknownMode", "", {"-m", "only-file", "out.bxa", "a"}, "invalid header-name mode"},
        CheckCase{"PrefixTooLong", "", {"-p", std::string(256, 'x'), "out.bxa", "a"}, "prefix of 256 bytes"},
        CheckCase{"MissingValue", "", {"out.bxa", "a", "-a"}, "option '-a' needs a value"}),
    [](const ::testing::TestParamInfo<CheckCase>& info) { return std::string(info.param.name); });

TEST(PackCli, UnreadableMemberIsRefused) {
    if (geteuid() == 0) GTEST_SKIP() << "every file is readable to root";
    TempDir dir;
    writeFile(dir / "a", "aaa");
    chmod((dir / "a").c_str(), 0);
    clitest::RunResult r = runBxa({"pack", "out.bxa", "a"}, dir.path());
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("bxa: argument 1: a: Permission denied"), std::string::npos) << r.err;
    EXPECT_FALSE(fileExists(dir / "out.bxa"));
}

TEST(PackCli, FailedBuildExits1) {
    TempDir dir;
    writeFile(dir / "a", "aaa");
    clitest::RunResult r = runBxa({"pack", "-q", "-H", "nofolder/out.h", "out.bxa", "a"}, dir.path());
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("file open failed[1]. nofolder/out.h"), std::string::npos) << r.out;
    EXPECT_NE(r.err.find("bxa: building out.bxa failed"), std::string::npos) << r.err;
}

TEST(PackCli, HelpAndVersion) {
    TempDir dir;
    struct {
        std::vector<std::string> args;
        int status;
        const char* out;
        const char* err;
    } const cases[] = {
        {{"--help"}, 0, "Usage: bxa COMMAND", ""},
        {{"pack", "--help"}, 0, "Usage: bxa pack [options] ARCHIVE [FILE...]", ""},
        {{"pack", "out.bxa", "-h"}, 0, "--names MODE", ""},
        {{"--version"}, 0, "bxa (Corvane) ", ""},
        {{"pack", "-V"}, 0, "bxa (Corvane) ", ""},
        {{}, 2, "", "Usage: bxa COMMAND"},
        {{"unpack"}, 2, "", "unknown command 'unpack'"},
        {{"pack", "--bogus"}, 2, "", "Usage: bxa pack"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.empty() ? "(none)" : c.args.back());
        clitest::RunResult r = runBxa(c.args, dir.path());
        EXPECT_EQ(r.status, c.status);
        EXPECT_NE(r.out.find(c.out), std::string::npos) << r.out;
        EXPECT_NE(r.err.find(c.err), std::string::npos) << r.err;
        if (c.status == 0) {
            EXPECT_EQ(r.err, "");
        }
    }
}

} // namespace
