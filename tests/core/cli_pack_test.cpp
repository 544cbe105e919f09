// `bxa pack` end to end: every archive, header and log must match the reference
// model byte for byte, and bad input must be refused before anything is written.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "bxa_model.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

constexpr int64_t kStamp = 1700000001; // 2023-11-14 22:13:21 UTC: an odd second

struct TempDir {
    std::string path;
    TempDir() {
        const char* base = std::getenv("TMPDIR");
        path = std::string(base && *base ? base : "/tmp") + "/bxa-test-XXXXXX";
        if (!::mkdtemp(path.data())) throw std::runtime_error("cannot make a temporary folder");
    }
    ~TempDir() {
        std::error_code ec;
        fs::remove_all(path, ec);
    }
    std::string operator/(const std::string& name) const { return path + "/" + name; }
};

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void writeFile(const std::string& path, const std::string& data) {
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream(path, std::ios::binary).write(data.data(), static_cast<std::streamsize>(data.size()));
}

struct RunResult {
    int status = -1; // exit status, or -1 when the process did not exit normally
    std::string out, err;
};

// Runs the real bxa in `cwd`, with TZ replaced by `tz`.
RunResult runBxa(const std::vector<std::string>& args, const std::string& cwd,
                 const std::string& tz = "UTC0") {
    const std::string bin = std::string(CORVANE_BIN_DIR) + "/bxa";
    const std::string outPath = cwd + ".stdout", errPath = cwd + ".stderr"; // beside the folder under test
    // Everything is prepared before fork, so the child only calls async-signal-safe functions.
    std::vector<std::string> strings{bin};
    strings.insert(strings.end(), args.begin(), args.end());
    const size_t argc = strings.size();
    for (char** e = environ; *e; ++e)
        if (std::strncmp(*e, "TZ=", 3) != 0) strings.push_back(*e);
    strings.push_back("TZ=" + tz);
    std::vector<char*> ptrs;
    for (std::string& s : strings)
        ptrs.push_back(s.data());
    ptrs.insert(ptrs.begin() + argc, nullptr);
    ptrs.push_back(nullptr);

    const pid_t pid = fork();
    if (pid == 0) {
        const int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (out < 0 || err < 0 || chdir(cwd.c_str()) != 0) _exit(127);
        dup2(out, 1);
        dup2(err, 2);
        execve(bin.c_str(), ptrs.data(), ptrs.data() + argc + 1);
        _exit(127);
    }
    RunResult r;
    int wstatus = 0;
    if (pid > 0 && waitpid(pid, &wstatus, 0) == pid && WIFEXITED(wstatus)) r.status = WEXITSTATUS(wstatus);
    r.out = readFile(outPath);
    r.err = readFile(errPath);
    unlink(outPath.c_str());
    unlink(errPath.c_str());
    return r;
}

// Different for every position and seed, so misplaced or mixed-up data shows; quick at any size.
std::string content(size_t n, uint32_t seed) {
    std::string s(n, '\0');
    uint32_t x = seed * 2654435761u + 1;
    for (char& c : s) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        c = static_cast<char>(x);
    }
    return s;
}

struct File {
    uint32_t index;
    std::string path;
    size_t size;
    int64_t mtime = kStamp;
};

struct PackCase {
    const char* name;
    uint32_t alignment;
    std::string prefix;
    int mode;
    std::string archive;
    std::vector<File> files;
    std::vector<std::string> outputs = {"game.bxa", "game.h", "game.crg"};
    std::string tz = "UTC0";
    int utcOffset = 0; // of every member's time in that zone
};

::testing::AssertionResult sameBytes(const std::string& what, const std::string& actual,
                                     const std::string& expected) {
    if (actual == expected) return ::testing::AssertionSuccess();
    const size_t at =
        size_t(std::mismatch(actual.begin(), actual.begin() + std::min(actual.size(), expected.size()),
                             expected.begin())
                   .first -
               actual.begin());
    return ::testing::AssertionFailure() << what << ": " << actual.size() << " bytes, expected "
                                         << expected.size() << "; first difference at offset " << at;
}

const char* const kModeNames[] = {"only-filename", "cut-overlapping", "full-path"};

// The options that say the same as the case's fields, with the members in a list file.
std::vector<std::string> listArgs(const PackCase& c) {
    std::vector<std::string> args{
        "pack", "-q", "-l", "list.txt", "-a", std::to_string(c.alignment), "-m", kModeNames[c.mode]};
    if (!c.prefix.empty()) args.insert(args.end(), {"-p", c.prefix});
    args.push_back(c.archive);
    return args;
}

// Writes the members, runs bxa with `args` and compares its outputs with the model's.
void packAndCompare(const PackCase& c, const std::vector<std::string>& args, std::string list = "") {
    TempDir dir;
    std::vector<File> files = c.files;
    std::sort(files.begin(), files.end(), [](const File& a, const File& b) { return a.index < b.index; });
    const bool listTheFiles = list.empty();
    std::vector<std::string> paths;
    for (const File& f : files) {
        paths.push_back(f.path);
        if (listTheFiles) list += std::to_string(f.index) + "\t" + f.path + "\n";
    }
    const std::vector<std::string> names = bxamodel::nameParts(paths, c.mode);
    bxamodel::Build b{{}, c.alignment, c.prefix, c.archive};
    for (size_t i = 0; i < files.size(); ++i) {
        const File& f = files[i];
        b.entries.push_back({f.index, f.path, names[i], content(f.size, f.index * 7919 + uint32_t(f.size)),
                             bxamodel::stampAt(f.mtime, c.utcOffset)});
        writeFile(dir / f.path, b.entries.back().data);
        const struct timespec times[2] = {{static_cast<time_t>(f.mtime), 0},
                                          {static_cast<time_t>(f.mtime), 0}};
        ASSERT_EQ(utimensat(AT_FDCWD, (dir / f.path).c_str(), times, 0), 0);
    }
    writeFile(dir / "list.txt", list);
    fs::create_directories(fs::path(dir / c.outputs[0]).parent_path());
    const RunResult r = runBxa(args, dir.path, c.tz);
    ASSERT_EQ(r.status, 0) << r.err << r.out;
    EXPECT_EQ(r.err, "");
    const bxamodel::Output want = bxamodel::build(b);
    EXPECT_TRUE(sameBytes(c.outputs[0], readFile(dir / c.outputs[0]), want.archive));
    EXPECT_TRUE(sameBytes(c.outputs[1], readFile(dir / c.outputs[1]), want.header));
    EXPECT_TRUE(sameBytes(c.outputs[2], readFile(dir / c.outputs[2]), want.log));
}

std::vector<File> manySmallFiles() {
    std::vector<File> files;
    uint32_t index = 0;
    for (uint32_t i = 0; i < 3000; ++i) {
        index += 1 + (i % 7 == 0 ? i % 5 : 0); // with holes
        files.push_back({index, "d" + std::to_string(i % 10) + "/f" + std::to_string(i) + ".dat",
                         (i * 2654435761u) % 4097, kStamp + i * 7});
    }
    return files;
}

class PackMatchesModel : public ::testing::TestWithParam<PackCase> {};

TEST_P(PackMatchesModel, ArchiveHeaderAndLog) {
    packAndCompare(GetParam(), listArgs(GetParam()));
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, PackMatchesModel,
    ::testing::Values(
        PackCase{"WorkedExample", 2048, "", 0, "game.bxa", {{0, "a.qsd", 5000}, {2, "b.qsd", 100}}},
        PackCase{"HolesEmptyMembersNoAlignment",
                 0,
                 "",
                 0,
                 "game.bxa",
                 {{1, "a.qsd", 10}, {2, "z1", 0}, {3, "z2", 0}, {7, "b.qsd", 2049}, {8, "z3", 0}},
                 {"game.bxa", "game.h", "game.crg"},
                 "JST-9",
                 9 * 3600},
        PackCase{"OddAlignmentAndNamesOf31To33Bytes",
                 7,
                 "P",
                 0,
                 "game.bxa",
                 {{0, std::string(31, 'a'), 5},
                  {1, std::string(32, 'b'), 6},
                  {2, "d/" + std::string(33, 'c'), 1}}},
        PackCase{"PunctuationInNames",
                 16,
                 "se_",
                 0,
                 "game.bxa",
                 {{0, "a b!#$%&+-.=?@~'(),;[]^_`{}.qsd", 4},
                  {1, "x\\y.qsd", 5},
                  {2, "My file-1.Qsd", 6},
                  {3, "\xE9\x9F\xB3.qsd", 7}}},
        PackCase{"CutOverlapping",
                 2048,
                 "",
                 1,
                 "game.bxa",
                 {{0, "snd/bgm01.qsd", 8}, {5, "snd/bgm02.qsd", 9}, {6, "snd/se01.qsd", 10}}},
        PackCase{"CutOverlappingShortFirstPath", 2048, "", 1, "game.bxa", {{0, "ab", 8}, {1, "abcdef", 9}}},
        PackCase{"FullPathWithPrefix",
                 2048,
                 "SE_",
                 2,
                 "game.bxa",
                 {{0, "snd/bgm/a.qsd", 8}, {3, "voice/b.qsd", 9}}},
        PackCase{"ArchiveWithoutDot",
                 2048,
                 "",
                 0,
                 "out/game",
                 {{0, "a", 8}},
                 {"out/game.bxa", "out/game.h", "out/game.crg"}},
        PackCase{"DotOnlyInFolder",
                 2048,
                 "",
                 0,
                 "rel.1/game",
                 {{0, "a", 8}},
                 {"rel.1/game", "rel.1/game.h", "rel.1/game.crg"}},
        PackCase{"HighestIndexInSummerTime",
                 2048,
                 "",
                 0,
                 "game.bxa",
                 {{0, "a", 8, 1688169599}, {65534, "b", 9, 1688169599 + 61}},
                 {"game.bxa", "game.h", "game.crg"},
                 "CET-1CEST,M3.5.0,M10.5.0/3",
                 2 * 3600},
        PackCase{"ThousandsOfSmallFiles",
                 2048,
                 "X_",
                 1,
                 "many.bxa",
                 manySmallFiles(),
                 {"many.bxa", "many.h", "many.crg"}},
        PackCase{"MemberOf64MiB",
                 2048,
                 "",
                 0,
                 "big.bxa",
                 {{0, "big", 64u << 20}, {1, "after", 3}},
                 {"big.bxa", "big.h", "big.crg"}}),
    [](const ::testing::TestParamInfo<PackCase>& info) { return std::string(info.param.name); });

TEST(PackCli, ModelAnchors) {
    // The worked example: 12,288 bytes, data of index 2 at 8192, attributes at 10240.
    bxamodel::Build b{{{0, "a", "a", std::string(5000, 'a'), {}}, {2, "b", "b", std::string(100, 'b'), {}}},
                      2048,
                      "",
                      "voice.bxa"};
    const std::string ar = bxamodel::build(b).archive;
    ASSERT_EQ(ar.size(), 12288u);
    EXPECT_EQ(ar.substr(0, 8), std::string("BXA\0\3\0\0\0", 8));
    EXPECT_EQ(ar.substr(24, 16), std::string("\0\x20\0\0\x64\0\0\0\0\x28\0\0\x90\0\0\0", 16));
    // Local times of the zones the cases run in, reduced to even seconds.
    const bxamodel::Stamp stamps[] = {bxamodel::stampAt(kStamp, 9 * 3600),
                                      bxamodel::stampAt(1688169599, 7200)};
    const int expected[][6] = {{2023, 11, 15, 7, 13, 20}, {2023, 7, 1, 1, 59, 58}};
    for (int i = 0; i < 2; ++i) {
        const bxamodel::Stamp& s = stamps[i];
        EXPECT_EQ(std::vector<int>({s.year, s.month, s.day, s.hour, s.minute, s.second}),
                  std::vector<int>(expected[i], expected[i] + 6));
    }
}

TEST(PackCli, FileArgumentsTakeIndexesInOrderAndKeepTheirSpelling) {
    const PackCase c{"",
                     2048,
                     "",
                     2,
                     "x.bxa",
                     {{0, "./a.qsd", 10}, {1, "sub/../b.qsd", 20}, {2, "sub/c.qsd", 30}},
                     {"x.bxa", "ids.h", "out.log"}};
    packAndCompare(c, {"pack", "--quiet", "--names=full-path", "--header", "ids.h", "--log=out.log", "x.bxa",
                       "./a.qsd", "sub/../b.qsd", "sub/c.qsd"});
}

TEST(PackCli, ListSyntaxCommentsBlankLinesCrLfAndBareLines) {
    const PackCase c{"",
                     512,
                     "",
                     0,
                     "g.bxa",
                     {{0, "a", 1}, {5, "b", 2}, {6, "c", 3}, {7, "#d", 4}, {9, "e", 5}},
                     {"g.bxa", "g.h", "g.crg"}};
    packAndCompare(c, {"pack", "-qa", "512", "-l", "list.txt", "g.bxa"},
                   "\xEF\xBB\xBF"
                   "a\r\n# a comment\r\n\r\n   \n5\tb\nc\r\n7\t#d\n9\te");
}

TEST(PackCli, RefusedInputExits2AndWritesNothing) {
    const struct {
        std::string list;              // list file text; empty: members come from the arguments
        std::vector<std::string> args; // after "pack -q"
        std::string message;           // expected in standard error
    } cases[] = {
        {"0\ta\n1x\tb\n", {"out.bxa"}, "bxa: list.txt:2: malformed line"},
        {"a\n65535\tb\n", {"out.bxa"}, "bxa: list.txt:2: index 65535 is out of range"},
        {"3\ta\n# x\n3\tb\n", {"out.bxa"}, "bxa: list.txt:3: index 3 is used twice (first at list.txt:1)"},
        {"a\n" + std::string(260, 'p') + "\n", {"out.bxa"}, "bxa: list.txt:2: path of 260 bytes"},
        {"# nothing\n\n", {"out.bxa"}, "list names no member"},
        {"", {"out.bxa", "a", "missing"}, "bxa: argument 2: missing: No such file"},
        {"", {"out.bxa", "a", "folder"}, "bxa: argument 2: folder: is a folder"},
        {"", {"out", "a", "out.bxa"}, "argument 2: out.bxa: is also an output file"},
        {"", {"--align=2k", "out.bxa", "a"}, "invalid alignment '2k'"},
        {"", {"-a", "2147483647", "out.bxa", "a"}, "must stay below 2 GiB"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        TempDir dir;
        writeFile(dir / "a", "aaa");
        fs::create_directory(dir / "folder");
        writeFile(dir / "out.bxa", "old archive"); // must survive a refused run untouched
        std::vector<std::string> args{"pack", "-q"};
        if (!c.list.empty()) {
            writeFile(dir / "list.txt", c.list);
            args.insert(args.end(), {"-l", "list.txt"});
        }
        args.insert(args.end(), c.args.begin(), c.args.end());
        const RunResult r = runBxa(args, dir.path);
        EXPECT_EQ(r.status, 2);
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(readFile(dir / "out.bxa"), "old archive");
        EXPECT_FALSE(fs::exists(dir / "out.h"));
        EXPECT_FALSE(fs::exists(dir / "out.crg"));
    }
}

TEST(PackCli, FailedBuildExits1) {
    TempDir dir;
    writeFile(dir / "a", "aaa");
    const RunResult r = runBxa({"pack", "-q", "-H", "nofolder/out.h", "out.bxa", "a"}, dir.path);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("file open failed[1]. nofolder/out.h"), std::string::npos) << r.out;
    EXPECT_NE(r.err.find("bxa: building out.bxa failed"), std::string::npos) << r.err;
}

TEST(PackCli, HelpAndVersion) {
    TempDir dir;
    const struct {
        std::vector<std::string> args;
        int status;
        const char* out;
        const char* err;
    } cases[] = {
        {{"--help"}, 0, "Usage: bxa COMMAND", ""},
        {{"pack", "out.bxa", "--help"}, 0, "Usage: bxa pack [options] ARCHIVE [FILE...]", ""},
        {{"--version"}, 0, "bxa (Corvane) ", ""},
        {{"pack", "-V"}, 0, "bxa (Corvane) ", ""},
        {{}, 2, "", "Usage: bxa COMMAND"},
        {{"unpack"}, 2, "", "unknown command 'unpack'"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.empty() ? "(none)" : c.args.back());
        const RunResult r = runBxa(c.args, dir.path);
        EXPECT_EQ(r.status, c.status);
        EXPECT_NE(r.out.find(c.out), std::string::npos) << r.out;
        EXPECT_NE(r.err.find(c.err), std::string::npos) << r.err;
        if (c.status == 0) {
            EXPECT_EQ(r.err, "");
        }
    }
}

} // namespace
