// Builds archives through the engine's step interface and checks the bytes.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "engine/build_job.h"
#include "engine/file_io.h"
#include "engine/header_output.h"

namespace {

std::string readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

uint32_t u32At(const std::string& s, size_t off) {
    const unsigned char* p = reinterpret_cast<const unsigned char*>(s.data()) + off;
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

bool allZero(const std::string& s, size_t from, size_t to) {
    for (size_t i = from; i < to; ++i)
        if (s[i] != 0) return false;
    return true;
}

struct Member {
    uint32_t index;
    std::string path;
    uint32_t nameOffset = 0;
};

class EngineTest : public ::testing::Test {
  protected:
    void SetUp() override {
        char tmpl[] = "/tmp/corvane-engine-XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir = tmpl;
        engineInit();
        block.reset(static_cast<unsigned char*>(std::malloc(kJobBlockSize)));
    }
    void TearDown() override {
        if (job) jobDestroy(job);
        engineFinish();
        engineResetFileOps();
        std::system(("rm -rf '" + dir + "'").c_str());
    }

    std::string file(const std::string& name, const std::string& bytes) {
        std::string p = dir + "/" + name;
        writeFile(p, bytes);
        return p;
    }

    // Creates and starts a job over `members`; archive, header and log go into the temp dir.
    void start(const std::vector<Member>& members, uint32_t alignment = 2048, const char* prefix = nullptr,
               const std::string& archive = "out.bxa") {
        paths.clear();
        for (const auto& m : members)
            paths.push_back(m.path);
        records.clear();
        for (size_t i = 0; i < members.size(); ++i)
            records.push_back(BuildRecord{members[i].index, members[i].nameOffset, paths[i].data()});
        archiveName = dir + "/" + archive;
        headerName = dir + "/out.h";
        logName = dir + "/out.crg";
        job = jobCreate(archiveName.c_str(), block.get(), kJobBlockSize);
        ASSERT_NE(job, nullptr);
        jobSetEntryCount(job, members.back().index + 1);
        jobSetList(job, records.data(), static_cast<uint32_t>(records.size()));
        jobSetHeaderName(job, headerName.c_str());
        jobSetLogName(job, logName.c_str());
        jobSetPrefix(job, prefix);
        if (alignment != 2048) jobSetAlignment(job, alignment);
        jobStart(job);
    }

    // Runs steps until the job ends; returns the number of steps taken.
    int run() {
        int steps = 0;
        while (jobGetState(job) != BuildJobState::Done && jobGetState(job) != BuildJobState::Failed) {
            jobExecute();
            ++steps;
        }
        jobClose(job);
        return steps;
    }

    std::string dir, archiveName, headerName, logName;
    std::vector<std::string> paths;
    std::vector<BuildRecord> records;
    struct Free {
        void operator()(unsigned char* p) const { std::free(p); }
    };
    std::unique_ptr<unsigned char, Free> block;
    BuildJob* job = nullptr;
};

TEST(Sanitise, ReplacesPunctuationAndUppercasesAscii) {
    char text[] = "!#$%&+-./:=?@\\~ az\"(),;[]_09\xe3\x81\x82";
    sanitiseIdentifier(text);
    EXPECT_STREQ(text, "_______________ AZ\"(),;[]_09\xe3\x81\x82");
}

TEST_F(EngineTest, NameWithoutDotGetsDefaultExtensions) {
    std::string m = file("m", "x");
    std::string base = dir + "/noext";
    std::vector<BuildRecord> recs{{0, 0, m.data()}};
    // The folder of the temp dir holds no '.', so the base name is the whole path.
    ASSERT_EQ(dir.find('.'), std::string::npos);
    job = jobCreate(base.c_str(), block.get(), kJobBlockSize);
    jobSetEntryCount(job, 1);
    jobSetList(job, recs.data(), 1);
    jobStart(job);
    run();
    EXPECT_EQ(jobGetState(job), BuildJobState::Done);
    EXPECT_EQ(readAll(base + ".bxa").size(), 6144u);
    EXPECT_NE(readAll(base + ".h").find("'" + base + ".bxa' FILE ID"), std::string::npos);
    EXPECT_EQ(readAll(base + ".crg"), base + ".bxa 0 4096\r\n");
}

TEST_F(EngineTest, ExactChunkTakesTwoSteps) {
    std::string big = dir + "/big";
    {
        std::FILE* f = std::fopen(big.c_str(), "wb");
        ASSERT_EQ(ftruncate(fileno(f), kChunkSize), 0);
        std::fclose(f);
    }
    start({{0, big}, {1, file("small", "s")}});
    jobExecute(); // open
    jobExecute(); // the whole chunk
    EXPECT_EQ(job->current, 0u);
    EXPECT_EQ(job->copied, kChunkSize);
    jobExecute(); // reads nothing, finishes the member
    EXPECT_EQ(job->current, 1u);
    jobExecute();
    EXPECT_EQ(jobGetState(job), BuildJobState::Done);
    jobClose(job);
    std::string s = readAll(archiveName);
    EXPECT_EQ(u32At(s, 12), kChunkSize);
    EXPECT_EQ(u32At(s, 16), 2048u + kChunkSize);
}

TEST_F(EngineTest, MissingMemberFailsAndKeepsPartialOutputs) {
    testing::internal::CaptureStdout();
    std::string gone = dir + "/gone.qsd";
    start({{0, file("a", "aaaa")}, {1, gone}, {2, file("c", "cc")}});
    run();
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(jobGetState(job), BuildJobState::Failed);
    EXPECT_EQ(out, "File open failed[3]. \"" + gone + "\"\n");
    std::string s = readAll(archiveName);
    EXPECT_EQ(s.size(), 4096u); // the first member and its padding
    EXPECT_TRUE(allZero(s, 0, 2048));
    std::string h = readAll(headerName);
    EXPECT_NE(h.find("(0)"), std::string::npos);
    EXPECT_EQ(h.find("NUM_FILES"), std::string::npos);
    EXPECT_EQ(readAll(logName), "");
}

TEST_F(EngineTest, FolderMemberFails) {
    testing::internal::CaptureStdout();
    start({{0, dir}});
    run();
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(jobGetState(job), BuildJobState::Failed);
}

TEST_F(EngineTest, UncreatableOutputsFailTheOpenStep) {
    std::string m = file("m", "x");
    for (int which = 0; which < 3; ++which) {
        SCOPED_TRACE(which);
        start({{0, m}});
        std::string bad = dir + "/no/such/folder";
        if (which == 0) {
            std::snprintf(job->archiveName, sizeof job->archiveName, "%s.bxa", bad.c_str());
        } else if (which == 1) {
            jobSetHeaderName(job, bad.c_str());
        } else {
            jobSetLogName(job, bad.c_str());
        }
        testing::internal::CaptureStdout();
        jobExecute();
        std::string out = testing::internal::GetCapturedStdout();
        EXPECT_EQ(jobGetState(job), BuildJobState::Failed);
        std::string name = which == 0 ? bad + ".bxa" : bad;
        EXPECT_EQ(out, "file open failed[" + std::to_string(which) + "]. " + name + "\n");
        EXPECT_EQ(job->archiveFile, nullptr);
        EXPECT_EQ(job->headerFile, nullptr);
        jobDestroy(job);
        job = nullptr;
    }
}

TEST_F(EngineTest, TrailingControlByteIsDropped) {
    std::string m = file("m.qsd", "data");
    start({{0, m + "\n"}}, 2048, nullptr, "ctl.bxa\x1f");
    run();
    EXPECT_EQ(jobGetState(job), BuildJobState::Done);
    EXPECT_EQ(readAll(dir + "/ctl.bxa").size(), 6144u);
    EXPECT_EQ(paths[0], m + std::string(1, '\0')); // trimmed in the caller's own text
}

// Fault injection through the file table.
struct Faults {
    static inline int failWritesAfter = -1; // writes allowed before they start failing
    static inline bool failRead = false;
    static inline bool failSeek = false;
    static std::size_t write(const void* b, std::size_t n, std::FILE* f) {
        if (failWritesAfter == 0) return 0;
        if (failWritesAfter > 0) --failWritesAfter;
        return engineDefaultFileOps().write(b, n, f);
    }
    static std::size_t read(void*, std::size_t, std::FILE*) { return 0; }
    static int error(std::FILE*) { return failRead; }
    static int seek(std::FILE* f, long o, int w) {
        return failSeek && o == 0 ? -1 : engineDefaultFileOps().seek(f, o, w);
    }
};

TEST_F(EngineTest, ReportedFaultsDoNotStopTheBuild) {
    std::string m = file("m", std::string(100, 'm'));
    // A read error: the member ends with what was copied, the build goes on.
    Faults::failRead = true;
    engineFileOps().read = Faults::read;
    engineFileOps().error = Faults::error;
    start({{0, m}});
    testing::internal::CaptureStdout();
    run();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "read error in crs file.\n");
    EXPECT_EQ(jobGetState(job), BuildJobState::Done);
    EXPECT_EQ(u32At(readAll(archiveName), 12), 0u);
    jobDestroy(job);
    job = nullptr;
    engineResetFileOps();

    // Seeks to the end and to the start fail: both are reported, the job still completes.
    Faults::failSeek = true;
    engineFileOps().seek = Faults::seek;
    start({{0, m}});
    testing::internal::CaptureStdout();
    run();
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_NE(out.find("seek error[1]. ret = -1\n"), std::string::npos);
    EXPECT_NE(out.find("seek error[0]. ret = -1\n"), std::string::npos);
    EXPECT_EQ(jobGetState(job), BuildJobState::Done);
    jobDestroy(job);
    job = nullptr;
    engineResetFileOps();

    // Every archive write fails from the start (a full disk).
    engineFileOps().write = Faults::write;
    Faults::failWritesAfter = 0;
    start({{0, m}});
    testing::internal::CaptureStdout();
    run();
    out = testing::internal::GetCapturedStdout();
    Faults::failWritesAfter = -1;
    EXPECT_NE(out.find("write error in bxa file.[1]\n"), std::string::npos);
    EXPECT_NE(out.find("write error in bxa file[3]. ret = 0\n"), std::string::npos);
    EXPECT_NE(out.find("write error in bxa file[2]. ret = 0\n"), std::string::npos);
    EXPECT_NE(out.find("write error[0]. ret = 0\n"), std::string::npos);
    EXPECT_EQ(jobGetState(job), BuildJobState::Done);
}

TEST_F(EngineTest, SingleJobSlotAndUseCount) {
    start({{0, file("m", "x")}});
    std::unique_ptr<unsigned char[]> other(new unsigned char[kJobBlockSize]);
    other[0] = 0x5a;
    EXPECT_EQ(jobCreate("second.bxa", other.get(), kJobBlockSize), nullptr);
    EXPECT_EQ(other[0], 0x5a);
    EXPECT_EQ(jobGetState(job), BuildJobState::Started);
    jobDestroy(job);
    job = nullptr;
    // Too small a block is refused rather than overrun.
    EXPECT_EQ(jobCreate("x.bxa", other.get(), 1024), nullptr);

    engineFinish();
    engineFinish();
    engineFinish(); // below zero stays zero
    engineInit();
    BuildJob* j = jobCreate("x.bxa", other.get(), kJobBlockSize);
    EXPECT_NE(j, nullptr);
    jobDestroy(j);
}

TEST(AlignUp, SignedAlignment) {
    EXPECT_EQ(alignUp(0, 2048), 0u);
    EXPECT_EQ(alignUp(1, 2048), 2048u);
    EXPECT_EQ(alignUp(2048, 2048), 2048u);
    EXPECT_EQ(alignUp(1001, 1000), 2000u);
    EXPECT_EQ(alignUp(77, 0), 77u);
    EXPECT_EQ(alignUp(77, 0xFFFFF000u), 77u); // negative: no alignment
}

} // namespace

namespace {

std::size_t copyAFewBytes(std::FILE* from, std::FILE* to, std::size_t size) {
    return engineDefaultFileOps().copy(from, to, size < 1000 ? size : 1000);
}

TEST_F(EngineTest, FastPathsAndTheirFallbacksGiveTheSameBytes) {
    std::string big;
    for (int i = 0; i < 3 * 1024 * 1024 + 17; ++i)
        big.push_back(static_cast<char>(i * 7 + i / 251));
    std::vector<Member> ms{{0, file("small1", "abc")}, {1, file("big", big)}, {4, file("small2", "xyz")}};
    std::string results[4];
    for (int mode = 0; mode < 4; ++mode) {
        if (mode == 1) engineFileOps().copy = copyAFewBytes; // a copy that gives up early
        if (mode == 2) engineFileOps().copy = nullptr;
        if (mode == 3) engineFileOps().lastWrite = nullptr; // dates looked up by path instead
        start(ms);
        run();
        ASSERT_EQ(jobGetState(job), BuildJobState::Done);
        results[mode] = readAll(archiveName);
        jobDestroy(job);
        job = nullptr;
    }
    EXPECT_EQ(results[0].substr(4096, big.size()), big);
    EXPECT_EQ(u32At(results[0], 20), big.size());
    EXPECT_EQ(results[0], results[1]);
    EXPECT_EQ(results[0], results[2]);
    EXPECT_EQ(results[0], results[3]);
}

} // namespace
