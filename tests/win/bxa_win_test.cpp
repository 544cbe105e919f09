// bxa.exe on Windows paths: a list of backslash (and one slash) paths, packed in each
// header-name mode and checked byte for byte against the reference writer with the
// backslash rule, dates through the system's own local-time conversion.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>
#include <windows.h>

#include "core/bxa_model.h"
#include "support/files.h"
#include "support/system.h"

namespace {

namespace fs = std::filesystem;

using namespace testsupport;

struct Member {
    uint32_t index;
    const char* listed; // as the list names it, relative to the list's folder
    std::size_t size;
    int64_t epochSeconds; // last-write time
};

// A hole at 1 and 2, an empty member, one past the size where Linux copies in the
// kernel, a bare line taking the next index, and a slash among backslashes.
const Member kMembers[] = {
    {0, "snd\\bgm01.qsd", 5000, 1700000001},
    {3, "snd\\bgm02.qsd", 2048, 946684799},
    {4, "snd\\sub\\se01.qsd", 0, 1600000000},
    {5, "snd/voice 1.qmv", 70001, 1688169599},
};

std::string listText() {
    std::string text;
    for (const Member& m : kMembers)
        text += (m.index == 5 ? std::string() : std::to_string(m.index) + "\t") + m.listed + "\r\n";
    return text;
}

void setWriteTime(const std::string& path, int64_t epochSeconds, bxamodel::Stamp* local) {
    const uint64_t ticks = static_cast<uint64_t>(epochSeconds) * 10000000ULL + 116444736000000000ULL;
    FILETIME utc{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)}, lft;
    HANDLE h = ::CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE) << path;
    ASSERT_TRUE(::SetFileTime(h, nullptr, nullptr, &utc));
    ::CloseHandle(h);
    SYSTEMTIME st;
    ASSERT_TRUE(::FileTimeToLocalFileTime(&utc, &lft) && ::FileTimeToSystemTime(&lft, &st));
    *local = {st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, static_cast<uint16_t>(st.wSecond / 2 * 2)};
}

struct PackCase {
    const char* name;
    int mode;
    const char* names; // the -m value for `mode`
    const char* prefix;
    uint32_t alignment;
};

class BxaWinPack : public ::testing::TestWithParam<PackCase> {
  protected:
    TempDir tmp;
    // With the system's own separator, as a user's list would name it.
    const std::string dir = fs::path(tmp.path).make_preferred().string();
};

TEST_P(BxaWinPack, MatchesTheBackslashModel) {
    const PackCase& c = GetParam();
    bxamodel::Build want{{}, c.alignment, c.prefix, "out.bxa"};
    std::vector<std::string> paths;
    for (const Member& m : kMembers) {
        bxamodel::Entry e;
        e.index = m.index;
        e.path = dir + "\\" + m.listed; // the list's folder joined with a backslash
        e.data = content(m.size, m.index + 1);
        writeFile(e.path, e.data);
        setWriteTime(e.path, m.epochSeconds, &e.stamp);
        paths.push_back(e.path);
        want.entries.push_back(e);
    }
    const std::vector<std::string> parts = bxamodel::nameParts(paths, c.mode, '\\');
    for (std::size_t i = 0; i < parts.size(); ++i)
        want.entries[i].namePart = parts[i];
    writeFile(dir + "\\game.lst", listText());

    std::vector<std::string> args{
        "pack", "-q", "-m", c.names, "-a", std::to_string(c.alignment), "-l", dir + "\\game.lst", "out.bxa"};
    if (*c.prefix) args.insert(args.end(), {"-p", c.prefix});
    RunOptions sameZone; // the expected dates come from the system's own conversion
    sameZone.keepTz = true;
    const RunResult r = runBxa(args, dir, sameZone);
    ASSERT_EQ(r.status, 0) << r.err;
    const bxamodel::Output out = bxamodel::build(want);
    EXPECT_TRUE(readFile(dir + "\\out.bxa") == out.archive) << "archive";
    EXPECT_EQ(readFile(dir + "\\out.h"), out.header);
    EXPECT_EQ(readFile(dir + "\\out.crg"), out.log);
}

INSTANTIATE_TEST_SUITE_P(Modes, BxaWinPack,
                         ::testing::Values(PackCase{"OnlyFileName", 0, "only-filename", "", 2048},
                                           PackCase{"CutOverlapping", 1, "cut-overlapping", "SE_", 0},
                                           PackCase{"FullPath", 2, "full-path", "X", 16}),
                         [](const auto& row) { return std::string(row.param.name); });

} // namespace
