// The engine through its step interface: steps, failures, reported faults, the job slot.
// Layout, names and dates are compared byte for byte with the reference writer in cli_pack_test.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "engine/archive_layout.h"
#include "engine/build_job.h"
#include "engine/build_progress.h"
#include "engine/file_io.h"
#include "engine/header_output.h"
#include "engine/member_attributes.h"
#include "support/files.h"
#include "support/system.h"

namespace {

using testsupport::readFile;

uint32_t u32At(const std::string& s, size_t off) {
    const unsigned char* p = reinterpret_cast<const unsigned char*>(s.data()) + off;
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

struct Member {
    uint32_t index;
    std::string path;
};

class EngineTest : public ::testing::Test {
  protected:
    void SetUp() override {
        engineInit();
        block.reset(static_cast<unsigned char*>(std::malloc(kJobBlockSize)));
    }
    void TearDown() override {
        finish();
        engineFinish();
        engineResetFileOps();
    }

    std::string file(const std::string& name, const std::string& bytes) { return tmp.put(name, bytes); }

    // Creates and starts a job over `members`; archive, header and log go into the temp dir.
    void start(const std::vector<Member>& members, const std::string& archive = "out.bxa") {
        paths.clear();
        records.clear();
        for (const auto& m : members)
            paths.push_back(m.path);
        for (size_t i = 0; i < members.size(); ++i)
            records.push_back(BuildRecord{members[i].index, 0, paths[i].data()});
        archiveName = dir + "/" + archive;
        headerName = dir + "/out.h";
        logName = dir + "/out.crg";
        job = jobCreate(archiveName.c_str(), block.get(), kJobBlockSize);
        ASSERT_NE(job, nullptr);
        jobSetEntryCount(job, members.back().index + 1);
        jobSetList(job, records.data(), static_cast<uint32_t>(records.size()));
        jobSetHeaderName(job, headerName.c_str());
        jobSetLogName(job, logName.c_str());
        jobStart(job);
    }

    // Runs steps until the job ends, then closes its files; returns what it printed.
    std::string run() {
        testing::internal::CaptureStdout();
        while (jobGetState(job) != BuildJobState::Done && jobGetState(job) != BuildJobState::Failed)
            jobExecute();
        jobClose(job);
        return testing::internal::GetCapturedStdout();
    }

    void finish() {
        if (job) jobDestroy(job);
        job = nullptr;
    }

    testsupport::TempDir tmp;
    const std::string dir = tmp.path;
    std::string archiveName, headerName, logName;
    std::vector<std::string> paths;
    std::vector<BuildRecord> records;
    struct Free {
        void operator()(unsigned char* p) const { std::free(p); }
    };
    std::unique_ptr<unsigned char, Free> block;
    BuildJob* job = nullptr;
};

TEST(AlignUp, SignedAlignment) {
    EXPECT_EQ(alignUp(0, 2048), 0u);
    EXPECT_EQ(alignUp(1, 2048), 2048u);
    EXPECT_EQ(alignUp(2048, 2048), 2048u);
    EXPECT_EQ(alignUp(1001, 1000), 2000u);
    EXPECT_EQ(alignUp(77, 0), 77u);
    EXPECT_EQ(alignUp(77, 0xFFFFF000u), 77u); // negative: no alignment
}

// A member that is gone or is a folder fails at its turn: the first member and its
// padding stay, behind a header region never written.
TEST_F(EngineTest, MissingOrFolderMemberFailsAndKeepsPartialOutputs) {
    const std::vector<std::string> bad{dir + "/gone.qsd", dir};
    for (const std::string& member : bad) {
        start({{0, file("a", "aaaa")}, {1, member}, {2, file("c", "cc")}});
        EXPECT_EQ(run(), "File open failed[3]. \"" + member + "\"\n");
        EXPECT_EQ(jobGetState(job), BuildJobState::Failed);
        EXPECT_EQ(jobGetErrorCount(job), 1u);
        EXPECT_EQ(readFile(archiveName), std::string(2048, '\0') + "aaaa" + std::string(2044, '\0'));
        std::string h = readFile(headerName);
        EXPECT_NE(h.find("(0)"), std::string::npos);
        EXPECT_EQ(h.find("NUM_FILES"), std::string::npos);
        EXPECT_EQ(readFile(logName), "");
        finish();
    }
}

TEST_F(EngineTest, UncreatableOutputsFailTheOpenStep) {
    std::string m = file("m", "x");
    std::string bad = dir + "/no/such/folder";
    for (int which = 0; which < 3; ++which) {
        SCOPED_TRACE(which);
        start({{0, m}});
        if (which == 0) std::snprintf(job->archiveName, sizeof job->archiveName, "%s.bxa", bad.c_str());
        if (which == 1) jobSetHeaderName(job, bad.c_str());
        if (which == 2) jobSetLogName(job, bad.c_str());
        std::string name = which == 0 ? bad + ".bxa" : bad;
        EXPECT_EQ(run(), "file open failed[" + std::to_string(which) + "]. " + name + "\n");
        EXPECT_EQ(jobGetState(job), BuildJobState::Failed);
        EXPECT_EQ(job->archiveFile, nullptr);
        EXPECT_EQ(job->headerFile, nullptr);
        finish();
    }
}

TEST_F(EngineTest, TrailingControlByteIsDropped) {
    std::string m = file("m.qsd", "data");
    start({{0, m + "\n"}}, "ctl.bxa\x1f");
    run();
    EXPECT_EQ(jobGetState(job), BuildJobState::Done);
    EXPECT_EQ(readFile(dir + "/ctl.bxa").size(), 6144u);
    EXPECT_EQ(paths[0], m + std::string(1, '\0')); // trimmed in the caller's own text
}

// What the message hook saw, and errno at each call.
std::vector<std::string> g_hooked;
std::vector<int> g_hookErrno;
void hook(const char* text, void*) {
    g_hooked.push_back(text);
    g_hookErrno.push_back(errno);
}
std::FILE* g_firstOutput = nullptr; // the archive: the first file the job creates

struct FaultCase {
    const char* name;
    void (*inject)(EngineFileOps&);
    // Expected messages; $A, $H and $L stand for the archive, header and log names.
    std::vector<std::string> messages;
    BuildJobState state;
};

const FaultCase kFaults[] = {
    {"ReadError",
     [](EngineFileOps& ops) { ops.read = [](MemberHandle, void*, std::size_t) -> long long { return -1; }; },
     {"read error in crs file.\n"},
     BuildJobState::Done},
    {"SeeksToAttributesAndHeaderRegion",
     [](EngineFileOps& ops) {
         ops.seek = [](std::FILE* f, long o, int w) {
             return o == 4096 || o == 0 ? -1 : engineDefaultFileOps().seek(f, o, w);
         };
     },
     {"seek error[1]. ret = -1\n", "seek error[0]. ret = -1\n"},
     BuildJobState::Done},
    {"FullDiskAtEveryWrite",
     [](EngineFileOps& ops) {
         ops.write = [](const void*, std::size_t, std::FILE*) -> std::size_t { return 0; };
     },
     // Member data and padding wait in the job's buffer until the attribute table's
     // turn; the table and its padding until the header region's.
     {"write error in header file. $H\n", "write error in header file. $H\n",
      "write error in header file. $H\n", "write error in log file. $L\n", "write error in bxa file.[1]\n",
      "write error in bxa file[2]. ret = 0\n", "write error[0]. ret = 0\n"},
     BuildJobState::Done},
    {"FullDiskAtFlush",
     [](EngineFileOps& ops) { ops.flush = [](std::FILE*) { return EOF; }; },
     {"flush error[0]. $A\n", "flush error[1]. $H\n", "flush error[2]. $L\n"},
     BuildJobState::Done},
    {"FullDiskAtFinalClose",
     [](EngineFileOps& ops) {
         g_firstOutput = nullptr;
         ops.create = [](const char* path, char* buffer, std::size_t size) {
             std::FILE* f = engineDefaultFileOps().create(path, buffer, size);
             if (!g_firstOutput) g_firstOutput = f;
             return f;
         };
         ops.close = [](std::FILE* f) {
             int rc = engineDefaultFileOps().close(f);
             return f == g_firstOutput ? EOF : rc;
         };
     },
     {"close error[0]. $A\n"},
     BuildJobState::Done},
};

class EngineFaults : public EngineTest, public ::testing::WithParamInterface<FaultCase> {};

// Every fault is reported once, counted once, handed to the hook, and never ends a build as clean.
TEST_P(EngineFaults, AreReportedAndCounted) {
    const FaultCase& c = GetParam();
    std::string m = file("m", std::string(100, 'm'));
    start({{0, m}});
    g_hooked.clear();
    engineSetMessageHook(hook, nullptr);
    c.inject(engineFileOps());
    std::string out = run();
    engineSetMessageHook(nullptr, nullptr);
    engineResetFileOps();
    std::string expected;
    for (std::string message : c.messages) {
        for (auto [key, value] : {std::pair<std::string, std::string>{"$A", archiveName},
                                  {"$H", headerName},
                                  {"$L", logName},
                                  {"$M", m}})
            if (size_t at = message.find(key); at != std::string::npos) message.replace(at, 2, value);
        expected += message;
    }
    EXPECT_EQ(out, expected);
    std::string hooked;
    for (const std::string& text : g_hooked)
        hooked += text;
    EXPECT_EQ(hooked, out);
    EXPECT_EQ(jobGetErrorCount(job), c.messages.size());
    EXPECT_EQ(jobGetState(job), c.state);
}

INSTANTIATE_TEST_SUITE_P(Table, EngineFaults, ::testing::ValuesIn(kFaults),
                         [](const auto& row) { return std::string(row.param.name); });

// A real full device: member bytes wait in the job's buffer and fail when it is written
// out, a small member's at the end, a large one's on the way, again and again; either
// way the first message is the write error of the member data, said once, with the
// system's reason, and the build is no clean one. Every message names the job's file, never the path it was
// created under.
TEST_F(EngineTest, FullDeviceSaysFirstThatMemberDataWasNotWritten) {
    const std::string full = testsupport::fullDevice();
    if (full.empty()) GTEST_SKIP() << "no full device on this system";
    for (const size_t size : {size_t{1}, size_t{3} << 20}) {
        SCOPED_TRACE(size);
        start({{0, file("m", std::string(size, 'x'))}});
        jobSetOutputPaths(job, full.c_str(), nullptr, nullptr);
        g_hooked.clear();
        g_hookErrno.clear();
        engineSetMessageHook(hook, nullptr);
        engineSetStdoutMessages(false);
        std::string out = run();
        engineSetStdoutMessages(true);
        engineSetMessageHook(nullptr, nullptr);
        EXPECT_EQ(out, "");
        ASSERT_FALSE(g_hooked.empty());
        EXPECT_EQ(g_hooked.front(), "write error in bxa file.[1]\n");
        EXPECT_EQ(g_hookErrno.front(), ENOSPC);
        EXPECT_EQ(std::count(g_hooked.begin(), g_hooked.end(), "write error in bxa file.[1]\n"), 1);
        EXPECT_EQ(g_hooked.back(), "write error[0]. ret = 0\n");
        EXPECT_EQ(jobGetErrorCount(job), g_hooked.size());
        finish();
    }
}

// A member swapped for something that is no regular file fails at its turn, without waiting.
TEST_F(EngineTest, MemberThatIsNoRegularFileFailsAtOnce) {
    std::string fifo = dir + "/fifo";
    if (!testsupport::makeFifo(fifo)) GTEST_SKIP() << "no FIFOs on this system";
    // With the facts bxa carried from its check, when the file was still a regular one.
    const MemberFacts checked[] = {{4, 0}, {5000, 0}};
    const struct {
        std::string path;
        size_t waiting = 0; // bytes waiting in the FIFO: as many as carried for it
    } cases[] = {{fifo}, {fifo, 5000}, {"/dev/zero"}, {dir}};
    for (const bool carried : {false, true}) {
        for (const auto& bad : cases) {
            SCOPED_TRACE(bad.path + (bad.waiting ? ", full" : "") + (carried ? ", facts carried" : ""));
            // Opened for reading and writing, the FIFO takes the bytes without a reader.
            std::FILE* writer = bad.waiting ? std::fopen(fifo.c_str(), "r+b") : nullptr;
            if (writer) {
                ASSERT_EQ(std::fwrite(std::string(bad.waiting, 'f').data(), 1, bad.waiting, writer),
                          bad.waiting);
                ASSERT_EQ(std::fflush(writer), 0);
            }
            start({{0, file("a", "aaaa")}, {1, bad.path}});
            if (carried) jobSetMemberFacts(job, checked);
            EXPECT_EQ(run(), "File open failed[3]. \"" + bad.path + "\"\n");
            EXPECT_EQ(jobGetState(job), BuildJobState::Failed);
            EXPECT_EQ(jobGetErrorCount(job), 1u);
            finish();
            if (writer) std::fclose(writer);
        }
    }
}

// The size a member had when opened is what is stored, however much it grows meanwhile.
TEST_F(EngineTest, MemberGrowingDuringItsCopyKeepsItsSize) {
    std::string grows = file("grows", std::string(3000, 'g'));
    engineFileOps().open = [](const char* path, platform::FileStatus* status) {
        MemberHandle m = engineDefaultFileOps().open(path, status);
        if (m != kNoMember && std::string(path).find("grows") != std::string::npos)
            std::ofstream(path, std::ios::binary | std::ios::app) << std::string(5000, 'x');
        return m;
    };
    start({{0, grows}, {1, file("next", "n")}});
    run();
    EXPECT_EQ(jobGetState(job), BuildJobState::Done);
    std::string s = readFile(archiveName);
    EXPECT_EQ(u32At(s, 12), 3000u);
    EXPECT_EQ(u32At(s, 16), 6144u); // the next member where 3000 bytes put it
    EXPECT_EQ(s.substr(2048, 3001), std::string(3000, 'g') + '\0');
}

// Only empty members: nothing lies behind the header region, and the attribute table
// must still be written at the data's end, inside the file.
TEST_F(EngineTest, OnlyEmptyMembersGiveAWholeArchive) {
    struct Case {
        uint32_t alignment, dataStart, length;
    };
    for (Case c : {Case{2048, 2048, 4096}, Case{0, 32, 128}}) {
        SCOPED_TRACE(c.alignment);
        start({{0, file("e0", "")}, {1, file("e1", "")}});
        jobSetAlignment(job, c.alignment);
        run();
        std::string s = readFile(archiveName);
        ASSERT_EQ(s.size(), c.length);
        EXPECT_EQ(u32At(s, 8), c.dataStart);
        EXPECT_EQ(u32At(s, 24), c.dataStart); // locator: T
        EXPECT_EQ(u32At(s, 28), 96u);
        EXPECT_EQ(s.substr(c.dataStart, 2), "e0");
        EXPECT_EQ(s.substr(c.dataStart + 48, 2), "e1");
        EXPECT_EQ(readFile(logName), archiveName + " 0 " + std::to_string(c.dataStart) + "\r\n");
        finish();
    }
}

// The archive may end just below 2^31 and no further. The member claims the size; its
// real bytes are few, so only the decision is tested, not 2 GiB of copying.
TEST_F(EngineTest, SizeLimitIsExact) {
    static long g_claimed;
    struct Case {
        uint32_t alignment;
        long size;
        bool refused;
    };
    // Alignment 0, one entry: 24 bytes of header, then the member, then 48 of attributes.
    const Case cases[] = {{0, 0x7FFFFFFF - 72, false},
                          {0, 0x7FFFFFFF - 71, true},
                          {2048, 0x80000000L - 6144, false},
                          {2048, 0x80000000L - 6143, true}};
    std::string m = file("m", "few");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.size);
        g_claimed = c.size;
        engineFileOps().open = [](const char* path, platform::FileStatus* status) {
            MemberHandle opened = engineDefaultFileOps().open(path, status);
            status->size = static_cast<uint64_t>(g_claimed);
            return opened;
        };
        start({{0, m}});
        jobSetAlignment(job, c.alignment);
        std::string out = run();
        engineResetFileOps();
        EXPECT_EQ(jobGetState(job) == BuildJobState::Failed, c.refused);
        EXPECT_EQ(out == "archive too large[4]. \"" + m + "\"\n", c.refused) << out;
        EXPECT_EQ(archiveLength(std::vector<uint64_t>{uint64_t(c.size)}.data(), 1, 1, c.alignment) >=
                      kArchiveLimit,
                  c.refused);
        finish();
    }
}

TEST_F(EngineTest, SingleJobSlotAndUseCount) {
    start({{0, file("m", "x")}});
    std::unique_ptr<unsigned char[]> other(new unsigned char[kJobBlockSize]);
    other[0] = 0x5a;
    EXPECT_EQ(jobCreate("second.bxa", other.get(), kJobBlockSize), nullptr);
    EXPECT_EQ(other[0], 0x5a);
    EXPECT_EQ(jobGetState(job), BuildJobState::Started);
    finish();
    EXPECT_EQ(jobCreate("x.bxa", other.get(), 1024), nullptr); // too small a block is refused

    engineFinish();
    engineFinish();
    engineFinish(); // below zero stays zero
    engineInit();
    BuildJob* j = jobCreate("x.bxa", other.get(), kJobBlockSize);
    EXPECT_NE(j, nullptr);
    jobDestroy(j);
}

// The header's stream buffers inside the copy buffer: a job whose slot was emptied while
// it ran still writes out and closes its header before that buffer is released.
TEST_F(EngineTest, DestroyingAJobOutsideTheSlotClosesItsFiles) {
    start({{0, file("m", "x")}});
    jobExecute(); // the open step: the header holds its opening comment, not yet written
    ASSERT_EQ(jobGetState(job), BuildJobState::Running);
    engineFinish(); // the use count reaches 0: the slot is emptied under the job
    jobDestroy(job);
    job = nullptr;
    engineInit();
    EXPECT_NE(readFile(headerName).find("FILE ID Header"), std::string::npos);
}

// The engine clears only the part of the caller's block that a build reaches; holes
// and an entry count above the last index must still come out as zeros.
TEST_F(EngineTest, WhatTheBlockHeldBeforeDoesNotShow) {
    std::vector<Member> ms{{1, file("a", "one")}, {5, file("b", "five")}};
    std::string results[2];
    const unsigned char fills[2] = {0x00, 0xA5};
    for (int k = 0; k < 2; ++k) {
        std::memset(block.get(), fills[k], kJobBlockSize);
        start(ms);
        jobSetEntryCount(job, 9);
        run();
        ASSERT_EQ(jobGetState(job), BuildJobState::Done);
        results[k] = readFile(archiveName);
        finish();
    }
    EXPECT_EQ(u32At(results[0], 24), 0u); // entry 2 is a hole
    EXPECT_EQ(results[1], results[0]);
}

TEST_F(EngineTest, FastPathsAndTheirFallbacksGiveTheSameBytes) {
    std::string big;
    for (int i = 0; i < 3 * 1024 * 1024 + 17; ++i)
        big.push_back(static_cast<char>(i * 7 + i / 251));
    std::vector<Member> ms{{0, file("small1", "abc")}, {1, file("big", big)}, {4, file("small2", "xyz")}};
    // Mode 3: lengths and dates carried from the caller, small members read on its word.
    std::vector<MemberFacts> facts;
    for (const Member& m : ms) {
        platform::FileStatus st;
        ASSERT_TRUE(platform::readOpenedFileStatus(m.path.c_str(), &st));
        facts.push_back({static_cast<uint32_t>(st.size), dosStampOf(st.lastWrite)});
    }
    std::string results[4];
    for (int mode = 0; mode < 4; ++mode) {
        if (mode == 1) // a kernel copy that gives up early
            engineFileOps().copy = [](MemberHandle from, std::FILE* to, std::size_t size) {
                return engineDefaultFileOps().copy(from, to, size < 1000 ? size : 1000);
            };
        if (mode == 2) engineFileOps().copy = nullptr;
        start(ms);
        if (mode == 3) jobSetMemberFacts(job, facts.data());
        run();
        ASSERT_EQ(jobGetState(job), BuildJobState::Done);
        results[mode] = readFile(archiveName);
        finish();
    }
    EXPECT_EQ(results[0].substr(4096, big.size()), big);
    EXPECT_EQ(results[0], results[1]);
    EXPECT_EQ(results[0], results[2]);
    EXPECT_EQ(results[0], results[3]);
}

// Carried facts stand for each member as the caller saw it: at most that length is
// copied (what a shrunk file still has, without a fault), and that date is recorded.
TEST_F(EngineTest, CarriedFactsStandForTheMemberAsSeen) {
    const uint32_t seen =
        (19u << 25 | 12u << 21 | 31u << 16) | (23u << 11 | 58u << 5 | 29u); // 1999-12-31 23:58:58
    const struct {
        std::string bytes;
        uint32_t carried;
        std::string stored;
    } cases[] = {{"abc", 3, "abc"}, {"abcd", 2, "ab"}, {"wxyz", 10, "wxyz"}};
    std::vector<Member> members;
    std::vector<MemberFacts> facts;
    for (uint32_t i = 0; i < 3; ++i) {
        members.push_back({i, file("m" + std::to_string(i), cases[i].bytes)});
        facts.push_back({cases[i].carried, seen});
    }
    start(members);
    jobSetMemberFacts(job, facts.data());
    EXPECT_EQ(run(), "");
    ASSERT_EQ(jobGetState(job), BuildJobState::Done);
    EXPECT_EQ(jobGetErrorCount(job), 0u);
    const std::string s = readFile(archiveName);
    const uint32_t table = u32At(s, 32);
    for (uint32_t i = 0; i < 3; ++i) {
        SCOPED_TRACE(cases[i].bytes);
        EXPECT_EQ(s.substr(u32At(s, 8 + 8 * i), u32At(s, 12 + 8 * i)), cases[i].stored);
        EXPECT_EQ(s.substr(table + 48 * i + 32, 12),
                  std::string("\xCF\x07\x0C\x00\x1F\x00\x17\x00\x3A\x00\x3A\x00", 12));
    }
}

// Progress figures from hand-set job counters: members of 100, 0 and 300 bytes.
struct ProgressCase {
    const char* name;
    uint32_t current;
    uint32_t copied;
    bool memberOpen;
    uint64_t bytesDone;
};

const ProgressCase kProgressCases[] = {
    {"NothingYet", 0, 0, false, 0},
    {"FirstMemberPartly", 0, 40, true, 40},
    // The step that finishes a member moves `current` on but leaves `copied` behind.
    {"FirstMemberJustFinished", 1, 100, false, 100},
    {"EmptyMemberFinished", 2, 0, false, 100},
    {"LastMemberGrewBeyondItsLength", 2, 500, true, 400},
    {"AllDone", 3, 300, false, 400},
    {"CounterPastTheList", 7, 0, false, 400},
};

class BytesDone : public ::testing::TestWithParam<ProgressCase> {};

TEST_P(BytesDone, CountsFinishedMembersAndTheOpenOnesShare) {
    const ProgressCase& c = GetParam();
    BuildProgress progress({100, 0, 300});
    BuildJob job{};
    job.memberCount = 3;
    job.current = c.current;
    job.copied = c.copied;
    job.memberFile = c.memberOpen ? MemberHandle{1} : kNoMember;
    EXPECT_EQ(progress.bytesDone(job), c.bytesDone);
    EXPECT_DOUBLE_EQ(progress.percent(job), static_cast<double>(c.bytesDone) / 4.0);
}

INSTANTIATE_TEST_SUITE_P(Table, BytesDone, ::testing::ValuesIn(kProgressCases),
                         [](const auto& row) { return std::string(row.param.name); });

TEST(BuildProgressWithoutBytes, CompleteOnlyWhenEveryMemberIs) {
    BuildProgress progress({0, 0});
    BuildJob job{};
    job.memberCount = 2;
    job.current = 1;
    EXPECT_EQ(progress.percent(job), 0.0);
    job.current = 2;
    EXPECT_EQ(progress.percent(job), 100.0);
}

struct StepCase {
    const char* name;
    uint32_t memberCount, current, copied;
    int32_t memberSize;
    double percent;
};

const StepCase kStepCases[] = {
    {"HalfOfTheSecondOfFour", 4, 1, 50, 100, 37.5},
    {"EmptyMemberAddsNoShare", 4, 2, 0, 0, 50.0},
    {"FinishedLastMemberStopsAtAHundred", 4, 4, 100, 100, 100.0},
    {"NoMembers", 0, 0, 0, 0, 0.0},
};

class StepPercent : public ::testing::TestWithParam<StepCase> {};

TEST_P(StepPercent, IsTheTitlesFigure) {
    const StepCase& c = GetParam();
    BuildJob job{};
    job.memberCount = c.memberCount;
    job.current = c.current;
    job.copied = c.copied;
    job.memberSize = c.memberSize;
    EXPECT_DOUBLE_EQ(jobStepPercent(job), c.percent);
}

INSTANTIATE_TEST_SUITE_P(Table, StepPercent, ::testing::ValuesIn(kStepCases),
                         [](const auto& row) { return std::string(row.param.name); });

// A real build in small chunks: the byte figure only rises and ends at 100, over
// members of several chunks one after another, an empty one and one shorter than a chunk.
TEST_F(EngineTest, ByteProgressNeverGoesBackwards) {
    const std::vector<uint64_t> sizes{5000, 3000, 0, 12000, 3};
    std::vector<Member> members;
    for (size_t i = 0; i < sizes.size(); ++i)
        members.push_back(
            {static_cast<uint32_t>(i), file("m" + std::to_string(i), std::string(sizes[i], 'x'))});
    start(members);
    job->chunkSize = 1000;
    BuildProgress progress(sizes);
    double last = 0.0;
    int steps = 0;
    testing::internal::CaptureStdout();
    while (jobGetState(job) != BuildJobState::Done && jobGetState(job) != BuildJobState::Failed) {
        jobExecute();
        ++steps;
        const double now = progress.percent(*job);
        EXPECT_GE(now, last) << "after step " << steps;
        last = now;
    }
    jobClose(job);
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(jobGetState(job), BuildJobState::Done);
    EXPECT_EQ(last, 100.0);
    EXPECT_GT(steps, 20); // the chunks were really small
}

} // namespace
