// bxa list, verify and extract against archives that bxa pack built, against
// damaged and hostile archives, and the FileID checks of bxa pack.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <numeric>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <vector>

#include "bxa_model.h"
#include "cli/pack_options.h"
#include "support/files.h"
#include "support/system.h"

namespace {

namespace fs = std::filesystem;
using namespace testsupport;

constexpr int64_t kStamp = 1700000001; // 2023-11-14 22:13:21 UTC: an odd second

bool has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

int64_t mtimeOf(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? static_cast<int64_t>(st.st_mtime) : -1;
}

struct Source {
    uint32_t index;
    std::string path;
    size_t size;
    int64_t mtime = kStamp;
};

// Writes the sources and their list "list.txt", and packs them into "game.bxa".
void packSources(const TempDir& dir, const std::vector<Source>& sources, const std::string& tz,
                 const std::vector<std::string>& options = {}) {
    std::string list;
    for (const Source& s : sources) {
        writeFile(dir / s.path, content(s.size, s.index + 1));
        ASSERT_TRUE(setFileTime(dir / s.path, s.mtime));
        list += std::to_string(s.index) + "\t" + s.path + "\n";
    }
    writeFile(dir / "list.txt", list);
    std::vector<std::string> args{"pack", "-q", "-l", "list.txt"};
    args.insert(args.end(), options.begin(), options.end());
    args.push_back("game.bxa");
    const RunResult r = runBxa(args, dir.path, tz);
    ASSERT_EQ(r.status, 0) << r.err;
}

struct RoundTrip {
    const char* name;
    std::vector<Source> sources;
    std::string tz;
    std::vector<std::string> packOptions = {};
};

class ReadBack : public ::testing::TestWithParam<RoundTrip> {};

TEST_P(ReadBack, ListVerifyAndExtractGiveTheSources) {
    const RoundTrip& c = GetParam();
    TempDir dir;
    packSources(dir, c.sources, c.tz, c.packOptions);
    const std::string archive = readFile(dir / "game.bxa");

    const RunResult list = runBxa({"list", "game.bxa"}, dir.path, c.tz);
    ASSERT_EQ(list.status, 0) << list.err;
    std::istringstream lines(list.out);
    for (const Source& s : c.sources) {
        uint32_t index = 0, offset = 0, size = 0;
        std::string date, time, name;
        ASSERT_TRUE(lines >> index >> offset >> size >> date >> time >> name) << list.out;
        EXPECT_EQ(index, s.index);
        EXPECT_EQ(name, fs::path(s.path).filename().string());
        EXPECT_EQ(archive.substr(offset, size), content(s.size, s.index + 1)) << s.path;
        if (c.tz == "UTC0") {
            const bxamodel::Stamp st = bxamodel::stampAt(s.mtime, 0);
            char want[64];
            std::snprintf(want, sizeof want, "%04d/%02d/%02d %02d:%02d:%02d", st.year, st.month, st.day,
                          st.hour, st.minute, st.second);
            EXPECT_EQ(date + " " + time, want);
        }
    }
    EXPECT_FALSE(lines >> std::ws && !lines.eof()) << "holes or extra lines: " << list.out;

    const RunResult verify = runBxa({"verify", "-H", "game.h", "-l", "list.txt", "game.bxa"}, dir.path, c.tz);
    EXPECT_EQ(verify.status, 0) << verify.out << verify.err;

    fs::create_directory(dir / "out");
    const RunResult again = runBxa({"extract", "--dir=out", "game.bxa"}, dir.path, c.tz);
    EXPECT_EQ(again.status, 0) << again.err;
    for (const Source& s : c.sources) {
        const std::string out = dir / ("out/" + fs::path(s.path).filename().string());
        EXPECT_EQ(readFile(out), content(s.size, s.index + 1)) << s.path;
        EXPECT_EQ(mtimeOf(out), s.mtime / 2 * 2) << s.path; // the record keeps even seconds
    }
}

INSTANTIATE_TEST_SUITE_P(
    Archives, ReadBack,
    ::testing::Values(
        RoundTrip{"HolesAndEmptyMembers", {{0, "a.qsd", 5000}, {2, "s/b.qsd", 0}, {3, "c.qsd", 100}}, "UTC0"},
        RoundTrip{"NoAlignmentEastOfUtc",
                  {{1, "x/a.qsd", 7}, {4, "b.qsd", 4097, kStamp + 3600 * 24 * 180}},
                  "JST-9",
                  {"-a", "0"}},
        RoundTrip{"SummerTimeOddAlignmentPrefix",
                  {{0, "a", 1, 1688169599}, {9, "b", 2, 1700000000}},
                  "CET-1CEST,M3.5.0,M10.5.0/3",
                  {"--align=1000", "-p", "se_", "-m", "full-path"}}),
    [](const ::testing::TestParamInfo<RoundTrip>& row) { return std::string(row.param.name); });

// A file name may hold control bytes; pack stores them (dropping only a path's last
// one before opening it), and what pack stores must verify sound.
TEST(VerifyCli, NamesWithControlBytesThatPackStoresAreSound) {
    TempDir dir;
    writeFile(dir / "a\x01z.qsd", "one");
    writeFile(dir / "tab\tend\x1f", "two");
    ASSERT_EQ(runBxa({"pack", "-q", "g.bxa", "a\x01z.qsd", "tab\tend\x1f\x1f"}, dir.path).status, 0);
    const RunResult r = runBxa({"verify", "g.bxa", "a\x01z.qsd", "tab\tend\x1f"}, dir.path);
    EXPECT_EQ(r.status, 0) << r.out << r.err;
}

// A change to the packed folder: `text` written to `file`.
std::function<void(const TempDir&)> writes(const std::string& file, const std::string& text) {
    return [=](const TempDir& d) { writeFile(d / file, text); };
}

TEST(VerifyCli, NamesEachDifference) {
    const struct {
        const char* name;
        std::function<void(const TempDir&)> change; // unset: none
        const char* line; // $D: the folder, where list members name their files absolutely
        const char* options = "-H game.h -l list.txt"; // before the archive, split at blanks
    } cases[] = {
        {"SameSizeOtherBytes", writes("a.qsd", std::string(300, 'x')),
         "index 0: the data differs from $D/a.qsd at offset 0"},
        {"OtherSize", writes("a.qsd", "x"), "index 0: size 300 in the archive, 1 in $D/a.qsd"},
        {"NewerDate", [](const TempDir& d) { setFileTime(d / "s/b.qsd", kStamp + 60); },
         "index 2: date 2023/11/14 22:13:20 in the archive, 2023/11/14 22:14:20 for $D/s/b.qsd"},
        {"MemberNotInArchive", writes("list.txt", "0\ta.qsd\n2\ts/b.qsd\n5\ta.qsd\n"),
         "index 5: not in the archive"},
        {"MemberMissingFromList", {}, "index 2: in the archive but not among", "-- game.bxa a.qsd"},
        {"OtherName", writes("list.txt", "0\ta.qsd\n2\tb2.qsd\n"),
         "index 2: name 'b.qsd' in the archive, 'b2.qsd' from $D/b2.qsd"},
        {"HeaderValueMoved",
         writes("game.h", "#define A_QSD\t(0)\n#define B_QSD\t(3)\n#define GAME_BXA_NUM_FILES\t(3)\n"),
         "B_QSD is 3, which is not a used index"},
        {"HeaderCountWrong",
         writes("game.h", "#define A_QSD\t(0)\n#define B_QSD\t(2)\n#define GAME_BXA_NUM_FILES\t(2)\n"),
         "GAME_BXA_NUM_FILES is 2, but the archive has 3 entries"},
        {"HeaderIndexMissing", writes("game.h", "#define A_QSD\t(0)\n#define GAME_BXA_NUM_FILES\t(3)\n"),
         "index 2: no #define in the header"},
        {"HeaderIndexTwice",
         writes("game.h",
                "#define A_QSD\t(0)\n#define B\t(2)\n#define C\t(2)\n#define GAME_BXA_NUM_FILES\t(3)\n"),
         "index 2: 2 #defines in the header (B, C)"},
        {"HeaderOfAnotherArchive",
         writes("game.h", "#define A_QSD\t(0)\n#define B_QSD\t(2)\n#define X_NUM_FILES\t(3)\n"),
         "the entry count is named X_NUM_FILES, not GAME_BXA_NUM_FILES"},
        {"WrongAlignmentGiven", {}, "not a multiple of the alignment 4096", "-a 4096"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        packSources(dir, {{0, "a.qsd", 300}, {2, "s/b.qsd", 20}}, "UTC0");
        if (c.change) c.change(dir);
        std::vector<std::string> args{"verify"};
        std::istringstream options(c.options);
        for (std::string option; options >> option;)
            args.push_back(option);
        if (args[1] != "--") args.push_back("game.bxa");
        const RunResult r = runBxa(args, dir.path);
        EXPECT_EQ(r.status, 1);
        std::string line = c.line;
        if (const size_t at = line.find("$D"); at != std::string::npos) line.replace(at, 2, dir.path);
        EXPECT_TRUE(has(r.out, "game.bxa: " + line) || has(r.out, line)) << r.out << r.err;
    }
}

// The worked example (index 0 "a.qsd", 1 a hole, 2 "b.qsd") with one change.
std::string hostile(void (*change)(std::string&)) {
    std::string a = bxamodel::build({{{0, "a.qsd", "a.qsd", std::string(5000, 'a'), {2023, 1, 2, 3, 4, 6}},
                                      {2, "b.qsd", "b.qsd", std::string(100, 'b'), {2023, 1, 2, 3, 4, 6}}},
                                     2048,
                                     "",
                                     "h.bxa"})
                        .archive;
    change(a);
    return a;
}

void setName(std::string& a, uint32_t index, const std::string& name) {
    a.replace(10240 + 48 * index, 32, (name + std::string(32, '\0')).substr(0, 32));
}

// The names in `folder`, sorted and each followed by a blank.
std::string namesIn(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(folder))
        names.push_back(e.path().filename().string() + " ");
    std::sort(names.begin(), names.end());
    return std::accumulate(names.begin(), names.end(), std::string());
}

TEST(ReadCli, DamagedAndHostileArchivesExit1WithALineAndStayInTheFolder) {
    const struct {
        const char* name;
        void (*change)(std::string&);
        const char* line;    // from every command; empty: list and verify find it sound
        const char* written; // what extract leaves in the folder
    } cases[] = {
        {"Truncated", [](std::string& a) { a.resize(8200); }, "index 2: data at 8192 (100 bytes) runs past",
         "0.bin "},
        {"WrongLocator", [](std::string& a) { a[34] = 1; }, "the locator puts the attribute table at 75776",
         "0.bin 2.bin "},
        {"Overlap", [](std::string& a) { a[25] = 0x10; },
         "index 2: data at 4096 (100 bytes) overlaps index 0", "a.qsd "},
        {"HugeCount", [](std::string& a) { a[6] = 1; }, "entry count 65539 is out of range", ""},
        {"Separator", [](std::string& a) { setName(a, 2, "../../evil"); }, "holds a path separator",
         "2.bin a.qsd "},
        // Sound, as a build stores it, but no name to write a file under.
        {"ControlByte", [](std::string& a) { setName(a, 0, "a\nb"); }, "", "0.bin b.qsd "},
        {"Duplicate", [](std::string& a) { setName(a, 2, "a.qsd"); }, "", "2.bin a.qsd "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        writeFile(dir / "h.bxa", hostile(c.change));
        fs::create_directory(dir / "out");
        for (const std::string command : {"list", "verify"}) {
            const RunResult r = runBxa({command, "h.bxa"}, dir.path);
            EXPECT_EQ(r.status, *c.line ? 1 : 0) << command;
            EXPECT_TRUE(has(r.out + r.err, c.line)) << command << ": " << r.out << r.err;
        }
        const RunResult r = runBxa({"extract", "-C", "out", "h.bxa"}, dir.path);
        EXPECT_EQ(r.status, 1);
        EXPECT_TRUE(has(r.out + r.err, c.line)) << r.out << r.err;
        EXPECT_EQ(namesIn(dir.path), "h.bxa out ");
        EXPECT_EQ(namesIn(dir / "out"), c.written) << r.out << r.err;
    }
}

TEST(ReadCli, ExtractNeverFollowsLinksAndReplacesOnlyRegularFilesWithForce) {
    TempDir dir;
    writeFile(dir / "h.bxa", hostile([](std::string&) {}));
    writeFile(dir / "outside", "keep");
    fs::create_directory(dir / "out");
    fs::create_symlink("../outside", dir / "out/a.qsd");
    writeFile(dir / "out/b.qsd", "old");
    // Without and with force: b.qsd is kept, then replaced; the link is refused both times.
    for (const std::string& b : {std::string("old"), std::string(100, 'b')}) {
        const RunResult r = runBxa({"extract", b == "old" ? "-C" : "-fC", "out", "h.bxa"}, dir.path);
        EXPECT_EQ(r.status, 1) << r.err;
        EXPECT_TRUE(has(r.err, "a.qsd exists")) << r.err;
        EXPECT_EQ(readFile(dir / "out/b.qsd"), b);
    }
    EXPECT_EQ(readFile(dir / "outside"), "keep");
    EXPECT_TRUE(fs::is_symlink(dir / "out/a.qsd"));
    EXPECT_EQ(namesIn(dir / "out"), "a.qsd b.qsd ");
}

TEST(ReadCli, RefusesWhatIsNoRegularFileWithoutWaiting) {
    TempDir dir;
    ASSERT_TRUE(makeFifo(dir / "fifo"));
    fs::create_directory(dir / "folder");
    const struct {
        const char* path;
        const char* line;
    } cases[] = {{"fifo", "fifo: is a FIFO"},
                 {"folder", "folder: is a folder"},
                 {"/dev/zero", "is a device"},
                 {"missing", "missing: No such file"}};
    for (const auto& c : cases) {
        for (const char* command : {"list", "verify", "extract"}) {
            const RunResult r = runBxa({command, c.path}, dir.path);
            EXPECT_EQ(r.status, 1) << command << " " << c.path;
            EXPECT_TRUE(has(r.err, c.line)) << r.err;
        }
    }
}

TEST(ReadCli, JsonListingEscapesWhatIsNotUtf8) {
    TempDir dir;
    writeFile(dir / "h.bxa", hostile([](std::string& a) { setName(a, 2, "\xE9\x9F\xB3\xFF\"q"); }));
    const RunResult r = runBxa({"list", "--js", "h.bxa"}, dir.path);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out,
              "[\n {\"index\": 0, \"offset\": 2048, \"size\": 5000, \"date\": \"2023-01-02T03:04:06\", "
              "\"name\": \"a.qsd\"},\n {\"index\": 2, \"offset\": 8192, \"size\": 100, \"date\": "
              "\"2023-01-02T03:04:06\", \"name\": \"\xE9\x9F\xB3\\udcff\\\"q\"}\n]\n");
}

struct OptionCase {
    const char* name;
    std::vector<std::string> args;
    bool ok;
    const char* result; // what was parsed, as parsed() shows it, or a part of the error
};

// "ARCHIVE: FILES @ALIGNMENT", then " strict" when set.
std::string parsed(const PackOptions& o) {
    std::string text = o.archive + ":";
    for (const std::string& f : o.files)
        text += " " + f;
    return text + " @" + std::to_string(o.alignment) + (o.strict ? " strict" : "");
}

class PackOptionParsing : public ::testing::TestWithParam<OptionCase> {};

TEST_P(PackOptionParsing, GetoptRules) {
    const OptionCase& c = GetParam();
    PackOptions o;
    std::string error;
    // A first, failing parse must leave nothing behind for the next one.
    PackOptions scratch;
    parsePackOptions({"-a", "x", "--bogus", "-q"}, &scratch, &error);
    error.clear();
    ASSERT_EQ(parsePackOptions(c.args, &o, &error), c.ok) << error;
    EXPECT_TRUE(c.ok ? parsed(o) == c.result : has(error, c.result)) << parsed(o) << error;
}

INSTANTIATE_TEST_SUITE_P(
    Table, PackOptionParsing,
    ::testing::Values(
        OptionCase{"PrefixOfALongName", {"--al", "16", "x.bxa", "f"}, true, "x.bxa: f @16"},
        OptionCase{
            "OptionsAfterOperands", {"x.bxa", "f", "-p", "P", "--strict"}, true, "x.bxa: f @2048 strict"},
        OptionCase{"DoubleDashEndsOptions", {"-q", "--", "-a.bxa", "-q"}, true, "-a.bxa: -q @2048"},
        OptionCase{"Ambiguous", {"--he", "x.bxa", "f"}, false, "ambiguous option '--he' (--header, --help)"},
        OptionCase{"UnknownShortInBundle", {"-qz", "x.bxa", "f"}, false, "unknown option '-z'"},
        OptionCase{"ValueForAFlag", {"--quiet=1", "x.bxa", "f"}, false, "option --quiet takes no value"},
        OptionCase{"MissingLongValue", {"x.bxa", "f", "--log"}, false, "option -L/--log needs a value"},
        OptionCase{"MissingShortValue", {"x.bxa", "f", "-qa"}, false, "option -a needs a value"}),
    [](const ::testing::TestParamInfo<OptionCase>& row) { return std::string(row.param.name); });

TEST(ReadCli, UsageErrorsHelpAndStandardInput) {
    TempDir dir;
    const RunResult bad = runBxa({"verify", "--bogus", "x"}, dir.path);
    EXPECT_EQ(bad.status, 2);
    EXPECT_EQ(bad.err, "bxa: unknown option '--bogus'\nTry 'bxa verify --help'\n");
    const RunResult unknown = runBxa({"unpack"}, dir.path);
    EXPECT_EQ(unknown.status, 2);
    EXPECT_TRUE(has(unknown.err, "unknown command 'unpack'")) << unknown.err;
    const RunResult version = runBxa({"--version"}, dir.path);
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out.rfind("bxa (Corvane) ", 0), 0u) << version.out;
    for (const char* command : {"pack", "list", "verify", "extract"}) {
        const RunResult help = runBxa({"help", command}, dir.path);
        EXPECT_EQ(help.status, 0);
        EXPECT_EQ(help.out, runBxa({command, "--help"}, dir.path).out);
        EXPECT_TRUE(has(help.out, std::string("Usage: bxa ") + command)) << help.out;
    }
    writeFile(dir / "a", "aaa");
    ASSERT_EQ(runBxa({"pack", "-ql", "-", "s.bxa"}, dir.path, "UTC0", "a\n").status, 0);
    EXPECT_EQ(runBxa({"verify", "-l", "-", "s.bxa"}, dir.path, "UTC0", "0\ta\n").status, 0);
    const RunResult wrong = runBxa({"verify", "-l", "-", "s.bxa"}, dir.path, "UTC0", "1\ta\n");
    EXPECT_EQ(wrong.status, 1);
    EXPECT_TRUE(has(wrong.out, "index 1: not in the archive (" + (dir / "a") + ")")) << wrong.out;
}

struct IdCase {
    const char* name;
    std::vector<std::string> paths; // indexes 0, 1, 2...
    const char* warning;
    std::vector<std::string> options = {};
    std::string archive = "ids";
};

class FileIdCheck : public ::testing::TestWithParam<IdCase> {};

// Enough members for bxa to check them beside the build, where the warnings are worked out too.
std::vector<std::string> manyThenShared() {
    std::vector<std::string> paths;
    for (int i = 0; i < 999; ++i)
        paths.push_back("m" + std::to_string(i));
    paths.insert(paths.end(), {"x.a", "x-a"});
    return paths;
}

TEST_P(FileIdCheck, WarnsAndStrictRefusesWithNothingWritten) {
    const IdCase& c = GetParam();
    TempDir dir;
    std::vector<std::string> args{"pack", "-q"};
    args.insert(args.end(), c.options.begin(), c.options.end());
    args.push_back(c.archive + ".bxa");
    for (const std::string& p : c.paths) {
        writeFile(dir / p, p);
        args.push_back(p);
    }
    std::vector<std::string> strict = args;
    strict.insert(strict.begin() + 1, "--strict");
    const RunResult refused = runBxa(strict, dir.path);
    EXPECT_EQ(refused.status, 2);
    EXPECT_TRUE(has(refused.err, c.warning)) << refused.err;
    for (const char* ext : {".bxa", ".h", ".crg"})
        EXPECT_FALSE(fs::exists(dir / (c.archive + ext))) << ext;
    const RunResult warned = runBxa(args, dir.path);
    EXPECT_EQ(warned.status, 0);
    EXPECT_TRUE(has(warned.err, "bxa: warning: ") && has(warned.err, c.warning)) << warned.err;
}

INSTANTIATE_TEST_SUITE_P(
    Names, FileIdCheck,
    ::testing::Values(
        IdCase{"SameAfterSanitising", {"a.b", "a-b", "c"}, "FileID 'A_B' is shared by index 0 (a.b) and"},
        IdCase{"SharedAmongMany", manyThenShared(),
               "FileID 'X_A' is shared by index 999 (x.a) and index 1000 (x-a)"},
        IdCase{"ThreeShareOne",
               {"b/x", "a/x", "c/y", "d/x", "e/y"},
               "FileID 'X' is shared by index 0 (b/x), index 1 (a/x) and index 3 (d/x)"},
        IdCase{"SecondGroupToo",
               {"b/x", "a/x", "c/y", "d/x", "e/y"},
               "FileID 'Y' is shared by index 2 (c/y) and index 4 (e/y)"},
        IdCase{"StartsWithDigit",
               {"1st-take.qsd"},
               "index 0 (1st-take.qsd): FileID '1ST_TAKE_QSD' is not a C identifier: it starts with a digit"},
        IdCase{"Blank", {"my file.qsd"}, "FileID 'MY FILE_QSD' is not a C identifier: it holds ' '"},
        IdCase{"HighByte", {"\xE9\x9F\xB3.qsd"}, "it holds byte 0xe9"},
        IdCase{"UnderscoreCapital",
               {"_x.qsd"},
               "FileID '_X_QSD' is reserved: it starts with an underscore and a capital letter"},
        IdCase{"TwoUnderscores",
               {"a"},
               "FileID '__A' is reserved: it starts with two underscores",
               {"-p", "__"}},
        IdCase{"EmptyName", {"d/same"}, "index 0 (d/same): FileID is empty", {"-m", "cut-overlapping"}},
        IdCase{"EqualsTheCountName",
               {"ids.bxa_num_files"},
               "FileID 'IDS_BXA_NUM_FILES' equals the entry-count name"},
        IdCase{"CountNameNotAnIdentifier",
               {"a"},
               "the entry-count name '1_BXA_NUM_FILES' is not a C identifier",
               {},
               "1"}),
    [](const ::testing::TestParamInfo<IdCase>& row) { return std::string(row.param.name); });

TEST(FileIdCheck, AHeaderThatStrictAcceptsCompiles) {
    TempDir dir;
    std::vector<std::string> args{"pack", "-q", "--strict", "-p", "se_", "-m", "full-path", "ok.bxa"};
    for (const char* p : {"d/bgm01.qsd", "d/bgm02.qsd", "voice_a.qsd", "Z9"}) {
        writeFile(dir / p, p);
        args.push_back(p);
    }
    const RunResult r = runBxa(args, dir.path);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    const std::string command = "cc -fsyntax-only -Werror -Wall -x c " + (dir / "ok.h") + " 2>&1";
    EXPECT_EQ(std::system(command.c_str()), 0);
}

} // namespace
