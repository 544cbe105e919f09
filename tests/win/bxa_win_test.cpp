// bxa.exe on Windows paths: a list of backslash (and one slash) paths, packed in each
// header-name mode and checked byte for byte against the reference writer with the
// backslash rule, dates through the system's own local-time conversion.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>
#include <windows.h>

#include "core/bxa_model.h"

namespace {

namespace fs = std::filesystem;

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void writeFile(const std::string& path, const std::string& data) {
    std::ofstream(path, std::ios::binary).write(data.data(), static_cast<std::streamsize>(data.size()));
}

// Different for every position and member, so misplaced data shows.
std::string content(std::size_t n, uint32_t seed) {
    std::string s(n, '\0');
    std::mt19937 rng(seed);
    for (char& c : s)
        c = static_cast<char>(rng());
    return s;
}

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

// Runs bxa.exe from the tests' own folder in `cwd`; its messages go nowhere.
int runBxaExe(const std::string& args, const std::string& cwd) {
    char module[MAX_PATH];
    DWORD n = ::GetModuleFileNameA(nullptr, module, MAX_PATH);
    std::string exe(module, n);
    exe.erase(exe.rfind('\\') + 1);
    exe += "bxa.exe";
    std::string command = "\"" + exe + "\" " + args;
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE nul = ::CreateFileA("NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                               &inherit, OPEN_EXISTING, 0, nullptr);
    STARTUPINFOA si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = si.hStdOutput = si.hStdError = nul;
    PROCESS_INFORMATION pi{};
    if (!::CreateProcessA(exe.c_str(), command.data(), nullptr, nullptr, TRUE, 0, nullptr, cwd.c_str(), &si,
                          &pi)) {
        ::CloseHandle(nul);
        return -1;
    }
    ::WaitForSingleObject(pi.hProcess, INFINITE);
    DWORD status = 0;
    ::GetExitCodeProcess(pi.hProcess, &status);
    ::CloseHandle(pi.hProcess);
    ::CloseHandle(pi.hThread);
    ::CloseHandle(nul);
    return static_cast<int>(status);
}

struct PackCase {
    const char* name;
    int mode;
    const char* options;
    const char* prefix;
    uint32_t alignment;
};

class BxaWinPack : public ::testing::TestWithParam<PackCase> {
  protected:
    void SetUp() override {
        dir = testing::TempDir() + "bxa-win-" + std::to_string(std::random_device{}());
        ASSERT_TRUE(fs::create_directories(dir + "\\snd\\sub"));
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(dir, ec);
    }
    std::string dir;
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

    std::string args = std::string("pack -q ") + c.options + " -a " + std::to_string(c.alignment) + " -l \"" +
                       dir + "\\game.lst\" out.bxa";
    if (*c.prefix) args += std::string(" -p ") + c.prefix;
    ASSERT_EQ(runBxaExe(args, dir), 0) << args;
    const bxamodel::Output out = bxamodel::build(want);
    EXPECT_TRUE(readFile(dir + "\\out.bxa") == out.archive) << "archive";
    EXPECT_EQ(readFile(dir + "\\out.h"), out.header);
    EXPECT_EQ(readFile(dir + "\\out.crg"), out.log);
}

INSTANTIATE_TEST_SUITE_P(Modes, BxaWinPack,
                         ::testing::Values(PackCase{"OnlyFileName", 0, "-m only-filename", "", 2048},
                                           PackCase{"CutOverlapping", 1, "-m cut-overlapping", "SE_", 0},
                                           PackCase{"FullPath", 2, "-m full-path", "X", 16}),
                         [](const auto& row) { return std::string(row.param.name); });

} // namespace
