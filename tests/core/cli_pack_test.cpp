// `bxa pack` end to end: every archive, header and log must match the reference
// model byte for byte, and bad input must be refused before anything is written.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

#include "bxa_model.h"
#include "engine/build_job.h"
#include "model/project_store.h"
#include "support/files.h"
#include "support/system.h"

namespace {

namespace fs = std::filesystem;

constexpr int64_t kStamp = 1700000001; // 2023-11-14 22:13:21 UTC: an odd second

using namespace testsupport;

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
    std::vector<File> files;
    std::string archive = "game.bxa";
    std::string tz = "UTC0";
    int utcOffset = 0;                     // of every member's time in that zone
    std::vector<std::string> options = {}; // when set: these, then the archive and the members as arguments
    std::vector<std::string> outputs = {}; // archive, header, log; by default beside the archive
};

// The archive gets ".bxa" unless its name has a dot; header and log replace the extension of its file name.
std::vector<std::string> defaultOutputs(const std::string& archive) {
    const size_t fileName = archive.rfind('/') + 1; // 0 without a folder
    const std::string stem = archive.substr(0, archive.find('.', fileName));
    return {archive.find('.') == std::string::npos ? archive + ".bxa" : archive, stem + ".h", stem + ".crg"};
}

::testing::AssertionResult sameBytes(const std::string& what, const std::string& actual,
                                     const std::string& expected) {
    if (actual == expected) return ::testing::AssertionSuccess();
    size_t at = 0;
    while (at < actual.size() && at < expected.size() && actual[at] == expected[at])
        ++at;
    return ::testing::AssertionFailure() << what << ": " << actual.size() << " bytes, expected "
                                         << expected.size() << "; first difference at offset " << at;
}

const char* const kModeNames[] = {"", "cut-overlapping", "full-path"};

// The members as arguments after the case's own options, or else in a list file with
// options that say the same as the case's fields.
std::vector<std::string> packArgs(const PackCase& c, const std::vector<std::string>& paths) {
    std::vector<std::string> args{"pack"};
    if (c.options.empty()) {
        args.insert(args.end(), {"-qa", std::to_string(c.alignment), "-l", "list.txt"});
        if (c.mode != 0) args.insert(args.end(), {"-m", kModeNames[c.mode]}); // else the default
        if (!c.prefix.empty()) args.insert(args.end(), {"-p", c.prefix});
    }
    args.insert(args.end(), c.options.begin(), c.options.end());
    args.push_back(c.archive);
    if (!c.options.empty()) args.insert(args.end(), paths.begin(), paths.end());
    return args;
}

class PackMatchesModel : public ::testing::TestWithParam<PackCase> {};

// Writes the members and their list, runs bxa and compares its outputs with the model's.
TEST_P(PackMatchesModel, ArchiveHeaderAndLog) {
    const PackCase& c = GetParam();
    TempDir dir;
    std::vector<File> files = c.files;
    std::sort(files.begin(), files.end(), [](const File& a, const File& b) { return a.index < b.index; });
    // Every form the list syntax allows: a byte-order mark, comments, blank lines, CRLF
    // endings, and bare paths wherever the index follows the previous one.
    std::string list = "\xEF\xBB\xBF# members\r\n\r\n   \n";
    std::vector<std::string> paths, registered;
    int64_t previous = -1;
    for (const File& f : files) {
        const bool bare = f.index == previous + 1 && f.path[0] != '#';
        list += (bare ? "" : std::to_string(f.index) + "\t") + f.path + (f.index % 2 ? "\r\n" : "\n");
        paths.push_back(f.path);
        // A list's entries become absolute paths; arguments stay as typed.
        registered.push_back(c.options.empty() ? dir / f.path : f.path);
        previous = f.index;
    }
    list.pop_back(); // the last line without its end
    const std::vector<std::string> names = bxamodel::nameParts(registered, c.mode);
    bxamodel::Build b{{}, c.alignment, c.prefix, c.archive};
    for (size_t i = 0; i < files.size(); ++i) {
        const File& f = files[i];
        b.entries.push_back({f.index, registered[i], names[i],
                             content(f.size, f.index * 7919 + uint32_t(f.size)),
                             bxamodel::stampAt(f.mtime, c.utcOffset)});
        writeFile(dir / f.path, b.entries.back().data);
        ASSERT_TRUE(setFileTime(dir / f.path, f.mtime));
    }
    writeFile(dir / "list.txt", list);
    const std::vector<std::string> out = c.outputs.empty() ? defaultOutputs(c.archive) : c.outputs;
    fs::create_directories(fs::path(dir / out[0]).parent_path());
    const RunResult r = runBxa(packArgs(c, paths), dir.path, c.tz);
    ASSERT_EQ(r.status, 0) << r.err << r.out;
    // FileID warnings are allowed; the bytes must not change because of them.
    for (size_t at = 0; at < r.err.size(); at = r.err.find('\n', at) + 1)
        EXPECT_EQ(r.err.compare(at, 14, "bxa: warning: "), 0) << r.err;
    const bxamodel::Output want = bxamodel::build(b);
    EXPECT_TRUE(sameBytes(out[0], readFile(dir / out[0]), want.archive));
    EXPECT_TRUE(sameBytes(out[1], readFile(dir / out[1]), want.header));
    EXPECT_TRUE(sameBytes(out[2], readFile(dir / out[2]), want.log));
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

INSTANTIATE_TEST_SUITE_P(
    Layouts, PackMatchesModel,
    ::testing::Values(
        PackCase{"WorkedExample", 2048, "", 0, {{0, "a.qsd", 5000}, {2, "b.qsd", 100}}},
        PackCase{"HolesEmptyMembersNoAlignment",
                 0,
                 "",
                 0,
                 {{1, "a.qsd", 10}, {2, "z1", 0}, {3, "z2", 0}, {7, "b.qsd", 2049}, {8, "z3", 0}},
                 "game.bxa",
                 "JST-9",
                 9 * 3600},
        PackCase{"OddAlignmentPunctuationAndNamesOf31To33Bytes",
                 7,
                 "se_",
                 0,
                 {{0, std::string(31, 'a'), 5},
                  {1, std::string(32, 'b'), 6},
                  {2, "d/" + std::string(33, 'c'), 1},
                  {3, "a b!#$%&+-.=?@~'(),;[]^_`{}.qsd", 4},
                  {4, "x\\y.qsd", 5},
                  {5, "My file-1.Qsd", 6},
                  {6, "\xE9\x9F\xB3.qsd", 7},
                  {7, "#x.qsd", 8}}},
        PackCase{"CutOverlapping",
                 2048,
                 "",
                 1,
                 {{0, "snd/bgm01.qsd", 8}, {5, "snd/bgm02.qsd", 9}, {6, "snd/se01.qsd", 10}}},
        // As arguments, so the paths stay this short.
        PackCase{"CutOverlappingShortFirstPath",
                 2048,
                 "",
                 1,
                 {{0, "ab", 8}, {1, "abcdef", 9}},
                 "game.bxa",
                 "UTC0",
                 0,
                 {"-qm", "cut-overlapping"}},
        PackCase{"FileArgumentsKeepTheirSpellingInFullPaths",
                 2048,
                 "SE_",
                 2,
                 {{0, "./a.qsd", 10}, {1, "sub/../b.qsd", 20}, {2, "sub/c.qsd", 30}},
                 "x.bxa",
                 "UTC0",
                 0,
                 {"--quiet", "--names=full-path", "--prefix=SE_", "--header", "ids.h", "--log=out.log"},
                 {"x.bxa", "ids.h", "out.log"}},
        PackCase{"ArchiveWithoutDot", 2048, "", 0, {{0, "a", 8}}, "out/game"},
        PackCase{"DotOnlyInFolder", 2048, "", 0, {{0, "a", 8}}, "rel.1/game"},
        PackCase{"HighestIndexInSummerTime",
                 2048,
                 "",
                 0,
                 {{0, "a", 8, 1688169599}, {65534, "b", 9, 1688169599 + 61}},
                 "game.bxa",
                 "CET-1CEST,M3.5.0,M10.5.0/3",
                 2 * 3600},
        PackCase{"ThousandsOfSmallFiles", 2048, "X_", 1, manySmallFiles(), "many.bxa"},
        // Neighbours in one folder, a folder whose name starts another's, and members on
        // both sides of the size where the kernel copy takes over.
        PackCase{"FoldersSharedByNeighboursAndMembersAroundTheCopySize",
                 2048,
                 "",
                 2,
                 {{0, "a/x", 70000},
                  {1, "a/y", 65536},
                  {2, "a/b/x", 65535},
                  {3, "a/b/y", 200000},
                  {4, "a/z", 5},
                  {5, "ab/x", 65537},
                  {6, "x", 7},
                  {7, "a/x2", 0},
                  {8, "a/b/x2", 9}}},
        PackCase{"IdsCutToTheirBuffers",
                 2048,
                 "SE_",
                 2,
                 {{0, std::string(200, 'd') + "/" + std::string(54, 'e'), 5}, {1, "b.qsd", 3}},
                 "x.bxa",
                 "UTC0",
                 0,
                 {"-q", "-m", "full-path", "-p", "SE_"}},
        PackCase{"MemberOf64MiB", 2048, "", 0, {{0, "big", 64u << 20}, {1, "after", 3}}, "big.bxa"}),
    [](const ::testing::TestParamInfo<PackCase>& row) { return std::string(row.param.name); });

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
    // Local time two hours east of UTC, reduced to even seconds.
    const bxamodel::Stamp s = bxamodel::stampAt(1688169599, 7200);
    EXPECT_EQ(std::vector<int>({s.year, s.month, s.day, s.hour, s.minute, s.second}),
              std::vector<int>({2023, 7, 1, 1, 59, 58}));
}

TEST(PackCli, RefusedInputExits2AndWritesNothing) {
    std::string many;
    for (int i = 0; i < 3000; ++i)
        many += std::to_string(i) + "\ta\n";
    const struct {
        std::string list;              // list file text; empty: members come from the arguments
        std::vector<std::string> args; // after "pack -q"
        std::string message;           // expected in standard error
    } cases[] = {
        {"0\ta\n1x\tb\n", {"out.bxa"}, "bxa: list.txt:2: malformed line"},
        {"a\n65535\tb\n", {"out.bxa"}, "bxa: list.txt:2: index 65535 is out of range"},
        {"3\ta\n# x\n3\tb\n", {"out.bxa"}, "bxa: list.txt:3: index 3 is used twice (first at list.txt:1)"},
        {"a\n/" + std::string(259, 'p') + "\n", {"out.bxa"}, "bxa: list.txt:2: path of 260 bytes"},
        {"# nothing\n\n", {"out.bxa"}, "list names no member"},
        {"", {"out.bxa", "a", "missing"}, "bxa: argument 2: missing: No such file"},
        {"", {"out.bxa", "a", "folder"}, "bxa: argument 2: folder: is a folder"},
        {"", {"out", "a", "out.bxa"}, "out.bxa: is the same file as argument 2 (out.bxa)"},
        // The first problem in the order the list names its members, not by index.
        {"5\tmissing\n2\tfolder\n", {"out.bxa"}, "/missing: No such file"},
        {"a\n", {"list.txt"}, "list.txt: is the same file as the list file list.txt"},
        {"", {"--align=2k", "out.bxa", "a"}, "invalid alignment '2k'"},
        {"", {"-a", "2147483647", "out.bxa", "a"}, "must stay below 2 GiB"},
        // Enough members for the check to run beside the build: a problem found while the
        // build is well under way, the first problem by line though another comes first by
        // index, and a member that is the archive. Still only the refusal is said.
        {many + "3000\tmissing\n", {"out.bxa"}, "bxa: list.txt:3001: /"},
        {"5000\tmissing\n2999\tfolder\n" + many.substr(0, many.rfind("2999\t")),
         {"out.bxa"},
         "bxa: list.txt:1: /"},
        {many + "3000\tout.bxa\n", {"out.bxa"}, "bxa: out.bxa: is the same file as list.txt:3001 (/"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        TempDir dir;
        writeFile(dir / "a", "aaa");
        fs::create_directory(dir / "folder");
        writeFile(dir / "out.bxa", "old archive"); // must survive a refused run untouched
        writeFile(dir / "list.txt", c.list);
        std::vector<std::string> args{"pack", "-q"};
        if (!c.list.empty()) args.insert(args.end(), {"-l", "list.txt"});
        args.insert(args.end(), c.args.begin(), c.args.end());
        const RunResult r = runBxa(args, dir.path);
        EXPECT_EQ(r.status, 2);
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        EXPECT_EQ(r.err.find("failed"), std::string::npos) << r.err; // no word of a build
        EXPECT_EQ(readFile(dir / "out.bxa"), "old archive");
        std::vector<std::string> left;
        for (const auto& e : fs::directory_iterator(dir.path))
            left.push_back(e.path().filename().string());
        std::sort(left.begin(), left.end());
        EXPECT_EQ(left, (std::vector<std::string>{"a", "folder", "list.txt", "out.bxa"}));
    }
}

// Outputs whose temporaries cannot be made (here: their names would pass the longest path
// the system takes, though the outputs' own fit) fail the build, but a member problem is
// still what bxa reports first, with nothing left behind.
TEST(PackCli, AMemberProblemComesBeforeOutputsThatCannotBeMade) {
    const struct {
        std::vector<std::string> members;
        int status;
        std::string message;
    } cases[] = {
        {{"a", "missing"}, 2, "bxa: argument 2: missing: No such file or directory\n"},
        {{"a"}, 1, ": the path is too long\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        TempDir dir;
        writeFile(dir / "a", "aaa");
        fs::path deep = dir.path;
        while (deep.string().size() < PATH_MAX - 150)
            deep /= std::string(100, 'd');
        fs::create_directories(deep);
        fs::create_directory_symlink(deep, dir / "deep");
        // The archive's real path is 4 bytes short of the limit; its temporary, ".NAME.XXXXXX"
        // beside it, 4 bytes over (a name of up to 200 bytes is taken whole).
        const std::string archive =
            "deep/" + std::string(PATH_MAX - 4 - deep.string().size() - 1 - 4, 'x') + ".bxa";
        std::vector<std::string> args{"pack", "-q", archive};
        args.insert(args.end(), c.members.begin(), c.members.end());
        const RunResult r = runBxa(args, dir.path);
        EXPECT_EQ(r.status, c.status) << r.err;
        EXPECT_TRUE(r.err.size() >= c.message.size() &&
                    r.err.compare(r.err.size() - c.message.size(), c.message.size(), c.message) == 0)
            << r.err;
        EXPECT_TRUE(fs::is_empty(deep));
    }
}

// Relative paths of a list name files beside the list, wherever bxa runs: a decoy of the
// same name in the current folder must not be packed. They become absolute paths, so even
// full-path header names do not depend on where bxa runs.
TEST(PackCli, ListPathsResolveAgainstTheListsFolder) {
    TempDir dir;
    writeFile(dir / "proj/a.qsd", content(3000, 1));
    writeFile(dir / "proj/sub/b.qsd", content(10, 2));
    writeFile(dir / "abs/c.qsd", content(20, 3));
    writeFile(dir / "elsewhere/a.qsd", "decoy");
    writeFile(dir / "proj/game.lst", "a.qsd\r\n4\tsub/b.qsd\n" + (dir / "abs/c.qsd") + "\n");
    const RunResult inside = runBxa({"pack", "-qm", "full-path", "-l", "game.lst", "out.bxa"}, dir / "proj");
    ASSERT_EQ(inside.status, 0) << inside.err;
    const RunResult outside =
        runBxa({"pack", "-qm", "full-path", "-l", "../proj/game.lst", "out.bxa"}, dir / "elsewhere");
    ASSERT_EQ(outside.status, 0) << outside.err;
    for (const char* name : {"out.bxa", "out.h", "out.crg"})
        EXPECT_TRUE(
            sameBytes(name, readFile(dir / "elsewhere" + "/" + name), readFile(dir / "proj" + "/" + name)));

    EXPECT_NE(readFile(dir / "proj/out.h").find("/* " + (dir / "proj/sub/b.qsd") + " */"), std::string::npos);

    // A list on standard input has no folder: its paths are relative to the current one.
    const RunResult piped = runBxa({"pack", "-qm", "full-path", "-l", "-", "std.bxa"}, dir / "proj", "UTC0",
                                   readFile(dir / "proj/game.lst"));
    ASSERT_EQ(piped.status, 0) << piped.err;
    EXPECT_TRUE(sameBytes("std.bxa", readFile(dir / "proj/std.bxa"), readFile(dir / "proj/out.bxa")));
    EXPECT_NE(readFile(dir / "proj/std.h").find("/* " + (dir / "proj/a.qsd") + " */"), std::string::npos);
    const RunResult bad = runBxa({"pack", "-q", "-l", "-", "bad.bxa"}, dir.path, "UTC0", "a\n1x\tb\n");
    EXPECT_EQ(bad.status, 2);
    EXPECT_EQ(bad.err.rfind("bxa: standard input:2: malformed line", 0), 0u) << bad.err;
}

// Every file under `dir` with its bytes (or what kind of file it is), to show that nothing changed.
std::map<std::string, std::string> snapshot(const std::string& dir) {
    std::map<std::string, std::string> files;
    for (const auto& e : fs::recursive_directory_iterator(dir)) {
        const std::string name = e.path().lexically_relative(dir).string();
        if (e.is_symlink())
            files[name] = "-> " + fs::read_symlink(e.path()).string();
        else if (e.is_regular_file()) // a big member only by its size: it is never written to
            files[name] = e.file_size() < (1u << 20) ? readFile(e.path().string())
                                                     : std::to_string(e.file_size()) + " bytes";
        else
            files[name] = e.is_directory() ? "<folder>" : "<other>";
    }
    return files;
}

// A folder with two members listed in list.txt and the outputs of an earlier build.
void writeOutputCase(const TempDir& dir) {
    writeFile(dir / "a", "aaa");
    writeFile(dir / "m.qsd", "mmm");
    writeFile(dir / "list.txt", "0\ta\n1\tm.qsd\n");
    writeFile(dir / "out.bxa", "old archive");
    writeFile(dir / "out.h", "old header");
    fs::create_directory(dir / "folder.bxa");
    ASSERT_TRUE(makeFifo(dir / "fifo"));
    fs::create_hard_link(dir / "a", dir / "hl");
    fs::create_symlink("a", dir / "sl.bxa");
}

TEST(PackCli, CollidingOrUnusableOutputsAreRefusedBeforeAnythingIsWritten) {
    const struct {
        const char* name;
        std::vector<std::string> args; // after "pack -q -l list.txt"
        std::string message;
    } cases[] = {
        {"ArchiveIsHeader",
         {"-H", "out.bxa", "out.bxa"},
         "out.bxa: the header would be the same file as the archive out.bxa"},
        {"ArchiveIsLog",
         {"-L", "new.bxa", "new.bxa"},
         "new.bxa: the log would be the same file as the archive new.bxa"},
        {"HeaderIsLog",
         {"-H", "x.h", "-L", "x.h", "new.bxa"},
         "x.h: the log would be the same file as the header x.h"},
        {"SamePathOtherSpelling",
         {"-H", "./new.bxa", "new.bxa"},
         "./new.bxa: the header would be the same file as the archive new.bxa"},
        {"ArchiveIsMember", {"m.qsd"}, "m.qsd: is the same file as list.txt:2 (/"},
        {"ArchiveWithTrailingCr", {"m.qsd\r"}, "m.qsd: is the same file as list.txt:2 (/"},
        {"HeaderIsHardLinkToMember", {"-H", "hl", "new.bxa"}, "hl: is the same file as list.txt:1 (/"},
        {"ArchiveIsSymlinkToMember", {"sl.bxa"}, "sl.bxa: is the same file as list.txt:1 (/"},
        {"LogIsTheList",
         {"-L", "list.txt", "new.bxa"},
         "list.txt: is the same file as the list file list.txt"},
        {"ArchiveIsAFolder", {"folder.bxa"}, "folder.bxa: exists and is not a regular file"},
        {"LogIsAFifo", {"-L", "fifo", "new.bxa"}, "fifo: exists and is not a regular file"},
        {"HeaderFolderMissing",
         {"-H", "nofolder/out.h", "new.bxa"},
         "nofolder/out.h: its folder does not exist"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        writeOutputCase(dir);
        const auto before = snapshot(dir.path);
        std::vector<std::string> args{"pack", "-q", "-l", "list.txt"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const RunResult r = runBxa(args, dir.path);
        EXPECT_EQ(r.status, 2);
        EXPECT_NE(r.err.find("bxa: " + c.message), std::string::npos) << r.err;
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(snapshot(dir.path), before);
    }
}

// Whether `dir` holds a temporary archive of at least `bytes`.
bool temporaryArchiveHolds(const std::string& dir, uintmax_t bytes) {
    for (const auto& e : fs::directory_iterator(dir)) {
        const std::string name = e.path().filename().string();
        if (name.rfind(".out.bxa.", 0) == 0 && e.is_regular_file() && e.file_size() >= bytes) return true;
    }
    return false;
}

// A build that fails or is stopped leaves the earlier outputs as they were and no temporary file.
TEST(PackCli, FailedOrInterruptedBuildKeepsThePreviousOutputs) {
    const struct {
        const char* name;
        int signal;         // sent once the build is under way; 0: none
        long fileSizeLimit; // bytes a file may take before writes fail; -1: no limit
        int status;
        std::string message;                   // expected in standard error
        std::vector<std::string> options = {}; // before the list
    } cases[] = {
        {"FullDisk", 0, 100000, 1, "(File too large)"},
        {"Interrupt", SIGINT, -1, 128 + SIGINT, "stopped; the previous files are left"},
        {"Terminate", SIGTERM, -1, 128 + SIGTERM, "stopped; the previous files are left"},
        {"HangUp", SIGHUP, -1, 128 + SIGHUP, "stopped; the previous files are left"},
        // Warnings are said before the copying that a signal stops.
        {"InterruptedWithWarnings",
         SIGINT,
         -1,
         128 + SIGINT,
         "FileID '9M_QSD' is not a C identifier",
         {"-p", "9"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        writeOutputCase(dir);
        if (c.signal) { // big enough to be still copying when the signal comes, yet sparse
            std::FILE* f = std::fopen((dir / "m.qsd").c_str(), "wb");
            ASSERT_EQ(ftruncate(fileno(f), 1l << 30), 0);
            std::fclose(f);
        } else {
            writeFile(dir / "m.qsd", content(300000, 1));
        }
        const auto before = snapshot(dir.path);
        RunOptions options;
        options.fileSizeLimit = c.fileSizeLimit;
        options.signal = c.signal;
        options.signalWhen = [&dir] { return temporaryArchiveHolds(dir.path, 4 << 20); };
        std::vector<std::string> args{"pack", "-q"};
        args.insert(args.end(), c.options.begin(), c.options.end());
        args.insert(args.end(), {"-l", "list.txt", "out.bxa"});
        const RunResult r = runBxa(args, dir.path, options);
        EXPECT_EQ(r.whenHeld, c.signal != 0);
        EXPECT_EQ(r.status, c.status) << r.err;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(snapshot(dir.path), before);
    }
}

// Two runs writing one archive at once: each finishes, and what stays is whole.
TEST(PackCli, ConcurrentRunsLeaveAWholeArchive) {
    TempDir dir;
    writeFile(dir / "a", content(20 << 20, 1));
    writeFile(dir / "b", content(20 << 20, 2));
    std::string alone[2];
    for (int i = 0; i < 2; ++i) {
        ASSERT_EQ(runBxa({"pack", "-q", "out.bxa", i ? "b" : "a"}, dir.path).status, 0);
        alone[i] = readFile(dir / "out.bxa");
    }
    ASSERT_NE(alone[0], alone[1]);
    BxaProcess first({"pack", "-q", "out.bxa", "a"}, dir.path);
    BxaProcess second({"pack", "-q", "out.bxa", "b"}, dir.path);
    EXPECT_EQ(first.wait().status, 0);
    EXPECT_EQ(second.wait().status, 0);
    const std::string last = readFile(dir / "out.bxa");
    EXPECT_TRUE(last == alone[0] || last == alone[1]);
    EXPECT_EQ(snapshot(dir.path).size(), 5u) << "a, b and the three outputs, no temporary file";
}

} // namespace
