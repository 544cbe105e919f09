// `bxa pack` end to end: every archive, header and log must match the reference
// model byte for byte.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <random>

#include "bxa_model.h"
#include "cli_run.h"

namespace {

using clitest::readFile;
using clitest::runBxa;
using clitest::TempDir;

constexpr int64_t kStamp = 1700000001; // 2023-11-14 22:13:21 UTC: an odd second

struct File {
    uint32_t index;
    std::string path;
    std::string data;
    int64_t mtime = kStamp;
};

struct Expect {
    std::string archiveFile, headerFile, logFile;
};

std::string bytes(size_t n, uint32_t seed) {
    std::string s(n, '\0');
    std::mt19937 gen(seed);
    for (char& c : s)
        c = static_cast<char>(gen());
    return s;
}

::testing::AssertionResult sameBytes(const std::string& what, const std::string& actual,
                                     const std::string& expected) {
    if (actual == expected) return ::testing::AssertionSuccess();
    size_t i = 0;
    while (i < actual.size() && i < expected.size() && actual[i] == expected[i])
        ++i;
    return ::testing::AssertionFailure() << what << ": " << actual.size() << " bytes, expected "
                                         << expected.size() << "; first difference at offset " << i;
}

void makeFiles(const TempDir& dir, const std::vector<File>& files) {
    for (const File& f : files) {
        std::string full = dir / f.path;
        std::filesystem::create_directories(std::filesystem::path(full).parent_path());
        clitest::writeFile(full, f.data);
        clitest::setMtime(full, f.mtime);
    }
}

std::string indexedList(const std::vector<File>& files) {
    std::string list;
    for (const File& f : files)
        list += std::to_string(f.index) + "\t" + f.path + "\n";
    return list;
}

bxamodel::Output model(std::vector<File> files, uint32_t alignment, const std::string& prefix, int mode,
                       const std::string& archive, int utcOffset = 0) {
    std::sort(files.begin(), files.end(), [](const File& a, const File& b) { return a.index < b.index; });
    std::vector<std::string> paths;
    for (const File& f : files)
        paths.push_back(f.path);
    std::vector<std::string> names = bxamodel::nameParts(paths, mode);
    bxamodel::Build b;
    b.alignment = alignment;
    b.prefix = prefix;
    b.archiveName = archive;
    for (size_t i = 0; i < files.size(); ++i)
        b.entries.push_back({files[i].index, files[i].path, names[i], files[i].data,
                             bxamodel::stampAt(files[i].mtime, utcOffset)});
    return bxamodel::build(b);
}

void expectOutputs(const TempDir& dir, const Expect& e, const bxamodel::Output& want) {
    EXPECT_TRUE(sameBytes(e.archiveFile, readFile(dir / e.archiveFile), want.archive));
    EXPECT_TRUE(sameBytes(e.headerFile, readFile(dir / e.headerFile), want.header));
    EXPECT_TRUE(sameBytes(e.logFile, readFile(dir / e.logFile), want.log));
}

const char* const kModeNames[] = {"only-filename", "cut-overlapping", "full-path"};

struct PackCase {
    const char* name;
    std::vector<File> files;
    uint32_t alignment;
    std::string prefix;
    int mode;
    std::string archive;
    Expect expect;
};

class PackMatchesModel : public ::testing::TestWithParam<PackCase> {};

TEST_P(PackMatchesModel, ArchiveHeaderAndLog) {
    const PackCase& c = GetParam();
    TempDir dir;
    makeFiles(dir, c.files);
    std::filesystem::create_directories(std::filesystem::path(dir / c.expect.archiveFile).parent_path());
    clitest::writeFile(dir / "list.txt", indexedList(c.files));
    std::vector<std::string> args{
        "pack", "-q", "-l", "list.txt", "-a", std::to_string(c.alignment), "-m", kModeNames[c.mode]};
    if (!c.prefix.empty()) args.insert(args.end(), {"-p", c.prefix});
    args.push_back(c.archive);
    clitest::RunResult r = runBxa(args, dir.path(), {"TZ=UTC0"});
    ASSERT_EQ(r.status, 0) << r.err << r.out;
    EXPECT_EQ(r.err, "");
    expectOutputs(dir, c.expect, model(c.files, c.alignment, c.prefix, c.mode, c.archive));
}

const Expect kGame{"game.bxa", "game.h", "game.crg"};

INSTANTIATE_TEST_SUITE_P(
    Layouts, PackMatchesModel,
    ::testing::Values(
        PackCase{"WorkedExample",
                 {{0, "a.qsd", bytes(5000, 1)}, {2, "b.qsd", bytes(100, 2)}},
                 2048,
                 "",
                 0,
                 "game.bxa",
                 kGame},
        PackCase{"HolesAndEmptyMembers",
                 {{1, "a.qsd", bytes(10, 3)},
                  {2, "z1", ""},
                  {3, "z2", ""},
                  {7, "b.qsd", bytes(2049, 4)},
                  {8, "z3", ""}},
                 2048,
                 "",
                 0,
                 "game.bxa",
                 kGame},
        PackCase{"NoAlignment",
                 {{0, "a", bytes(3, 5)}, {1, "e", ""}, {2, "b", bytes(17, 6)}, {4, "c", bytes(1, 7)}},
                 0,
                 "",
                 0,
                 "game.bxa",
                 kGame},
        PackCase{"AlignmentNotPowerOfTwo",
                 {{0, "a", bytes(999, 8)}, {1, "b", bytes(1001, 9)}, {3, "c", bytes(1, 10)}},
                 1000,
                 "",
                 0,
                 "game.bxa",
                 kGame},
        PackCase{"OddSmallAlignment",
                 {{0, "a", bytes(5, 11)}, {2, "b", bytes(6, 12)}},
                 7,
                 "P",
                 0,
                 "game.bxa",
                 kGame},
        PackCase{"NamesOf31To33Bytes",
                 {{0, std::string(31, 'a'), bytes(1, 13)},
                  {1, std::string(32, 'b'), bytes(2, 14)},
                  {2, "d/" + std::string(33, 'c'), bytes(3, 15)}},
                 2048,
                 "",
                 0,
                 "game.bxa",
                 kGame},
        PackCase{"PunctuationInNames",
                 {{0, "a b!#$%&+-.=?@~'(),;[]^_`{}.qsd", bytes(4, 16)},
                  {1, "x\\y.qsd", bytes(5, 17)},
                  {2, "My file-1.Qsd", bytes(6, 18)},
                  {3, "\xE9\x9F\xB3.qsd", bytes(7, 19)}},
                 16,
                 "se_",
                 0,
                 "game.bxa",
                 kGame},
        PackCase{"CutOverlapping",
                 {{0, "snd/bgm01.qsd", bytes(8, 20)},
                  {1, "snd/bgm02.qsd", bytes(9, 21)},
                  {2, "snd/se01.qsd", bytes(10, 22)}},
                 2048,
                 "",
                 1,
                 "game.bxa",
                 kGame},
        PackCase{"CutOverlappingInsideAName",
                 {{0, "snd/bgm01.qsd", bytes(8, 23)}, {5, "snd/bgm02.qsd", bytes(9, 24)}},
                 2048,
                 "",
                 1,
                 "game.bxa",
                 kGame},
        PackCase{"CutOverlappingShortFirstPath",
                 {{0, "ab", bytes(8, 25)}, {1, "abcdef", bytes(9, 26)}},
                 2048,
                 "",
                 1,
                 "game.bxa",
                 kGame},
        PackCase{"FullPathWithPrefix",
                 {{0, "snd/bgm/a.qsd", bytes(8, 27)}, {3, "voice/b.qsd", bytes(9, 28)}},
                 2048,
                 "SE_",
                 2,
                 "game.bxa",
                 kGame},
        PackCase{"ArchiveWithoutDot",
                 {{0, "a", bytes(8, 29)}},
                 2048,
                 "",
                 0,
                 "out/game",
                 {"out/game.bxa", "out/game.h", "out/game.crg"}},
        PackCase{"DotOnlyInFolder",
                 {{0, "a", bytes(8, 30)}},
                 2048,
                 "",
                 0,
                 "rel.1/game",
                 {"rel.1/game", "rel.1/game.h", "rel.1/game.crg"}},
        PackCase{"ArchiveExtensionReplaced",
                 {{0, "a", bytes(8, 31)}},
                 4,
                 "",
                 0,
                 "out/pack.data.bin",
                 {"out/pack.data.bin", "out/pack.data.h", "out/pack.data.crg"}},
        PackCase{"HighestIndex",
                 {{0, "a", bytes(8, 32)}, {65534, "b", bytes(9, 33)}},
                 2048,
                 "",
                 0,
                 "game.bxa",
                 kGame}),
    [](const ::testing::TestParamInfo<PackCase>& info) { return std::string(info.param.name); });

TEST(PackCli, WorkedExampleHasTheDocumentedSize) {
    // Anchors the model itself: 12,288 bytes, data of index 2 at 8192, attributes at 10240.
    bxamodel::Build b;
    b.archiveName = "voice.bxa";
    b.entries = {{0, "a", "a", bytes(5000, 1), {}}, {2, "b", "b", bytes(100, 2), {}}};
    std::string ar = bxamodel::build(b).archive;
    ASSERT_EQ(ar.size(), 12288u);
    EXPECT_EQ(ar.substr(0, 8), std::string("BXA\0\3\0\0\0", 8));
    EXPECT_EQ(ar.substr(24, 16), std::string("\0\x20\0\0\x64\0\0\0\0\x28\0\0\x90\0\0\0", 16));
}

TEST(PackCli, FileArgumentsTakeIndexesInOrderAndKeepTheirSpelling) {
    TempDir dir;
    std::vector<File> files{
        {0, "./a.qsd", bytes(10, 40)}, {1, "sub/../b.qsd", bytes(20, 41)}, {2, "sub/c.qsd", bytes(30, 42)}};
    std::filesystem::create_directories(dir / "sub");
    makeFiles(dir, files);
    clitest::RunResult r = runBxa({"pack", "--quiet", "--names=full-path", "--header", "ids.h",
                                   "--log=out.log", "x.bxa", "./a.qsd", "sub/../b.qsd", "sub/c.qsd"},
                                  dir.path(), {"TZ=UTC0"});
    ASSERT_EQ(r.status, 0) << r.err;
    expectOutputs(dir, {"x.bxa", "ids.h", "out.log"}, model(files, 2048, "", 2, "x.bxa"));
}

TEST(PackCli, ListSyntaxCommentsBlankLinesCrLfAndBareLines) {
    TempDir dir;
    std::vector<File> files{{0, "a", bytes(1, 50)},
                            {5, "b", bytes(2, 51)},
                            {6, "c", bytes(3, 52)},
                            {7, "#d", bytes(4, 53)},
                            {9, "e", bytes(5, 54)}};
    makeFiles(dir, files);
    clitest::writeFile(dir / "list.txt", "\xEF\xBB\xBF"
                                         "a\r\n# a comment\r\n\r\n   \n5\tb\nc\r\n7\t#d\n9\te");
    clitest::RunResult r = runBxa({"pack", "-qa", "512", "-l", "list.txt", "g.bxa"}, dir.path(), {"TZ=UTC0"});
    ASSERT_EQ(r.status, 0) << r.err;
    expectOutputs(dir, {"g.bxa", "g.h", "g.crg"}, model(files, 512, "", 0, "g.bxa"));
}

// Dates are the member's local last-write time in the zone of the run.
struct ZoneCase {
    const char* tz;
    int64_t mtime;
    int offset;
    bxamodel::Stamp expected;
};

TEST(PackCli, AttributeDatesAreLocalTimeOfTheZone) {
    const ZoneCase cases[] = {
        {"UTC0", kStamp, 0, {2023, 11, 14, 22, 13, 20}},
        {"JST-9", kStamp, 9 * 3600, {2023, 11, 15, 7, 13, 20}},
        {"NST+3:30", kStamp, -(3 * 3600 + 1800), {2023, 11, 14, 18, 43, 20}},
        {"CET-1CEST,M3.5.0,M10.5.0/3", 1688169599, 2 * 3600, {2023, 7, 1, 1, 59, 58}},
    };
    for (const ZoneCase& z : cases) {
        SCOPED_TRACE(z.tz);
        TempDir dir;
        std::vector<File> files{{0, "a", bytes(3, 60), z.mtime}, {1, "b", "", z.mtime + 61}};
        makeFiles(dir, files);
        clitest::RunResult r =
            runBxa({"pack", "-q", "t.bxa", "a", "b"}, dir.path(), {std::string("TZ=") + z.tz});
        ASSERT_EQ(r.status, 0) << r.err;
        bxamodel::Stamp s = bxamodel::stampAt(z.mtime, z.offset);
        EXPECT_EQ(std::vector<int>({s.year, s.month, s.day, s.hour, s.minute, s.second}),
                  std::vector<int>({z.expected.year, z.expected.month, z.expected.day, z.expected.hour,
                                    z.expected.minute, z.expected.second}));
        expectOutputs(dir, {"t.bxa", "t.h", "t.crg"}, model(files, 2048, "", 0, "t.bxa", z.offset));
    }
}

TEST(PackCli, ThousandsOfSmallFilesWithHoles) {
    TempDir dir;
    std::mt19937 gen(7);
    std::vector<File> files;
    uint32_t index = 0;
    for (int i = 0; i < 3000; ++i) {
        index += 1 + (gen() % 8 == 0 ? gen() % 5 : 0);
        files.push_back({index, "d" + std::to_string(i % 10) + "/f" + std::to_string(i) + ".dat",
                         bytes(gen() % 4097, static_cast<uint32_t>(i)), kStamp + i * 7});
    }
    makeFiles(dir, files);
    clitest::writeFile(dir / "list.txt", indexedList(files));
    clitest::RunResult r =
        runBxa({"pack", "-q", "-m", "cut-overlapping", "-p", "X_", "-l", "list.txt", "many.bxa"}, dir.path(),
               {"TZ=UTC0"});
    ASSERT_EQ(r.status, 0) << r.err;
    expectOutputs(dir, {"many.bxa", "many.h", "many.crg"}, model(files, 2048, "X_", 1, "many.bxa"));
}

// Each 4-byte word holds its own position, so misplaced data shows; quick to make at any size.
std::string countingBytes(size_t n) {
    std::string s(n, '\0');
    for (size_t i = 0; i + 4 <= n; i += 4) {
        uint32_t v = static_cast<uint32_t>(i / 4);
        std::memcpy(&s[i], &v, 4);
    }
    return s;
}

TEST(PackCli, MemberOfExactlyOneChunk) {
    TempDir dir;
    std::vector<File> files{{0, "big", countingBytes(64u << 20)}, {1, "after", bytes(3, 71)}};
    makeFiles(dir, files);
    clitest::RunResult r = runBxa({"pack", "-q", "big.bxa", "big", "after"}, dir.path(), {"TZ=UTC0"});
    ASSERT_EQ(r.status, 0) << r.err;
    expectOutputs(dir, {"big.bxa", "big.h", "big.crg"}, model(files, 2048, "", 0, "big.bxa"));
}

} // namespace
