#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "model/project_store.h"

namespace {

struct ModeCase {
    const char* name;
    uint32_t mode;
    std::vector<std::string> paths; // registered at 0, 1, 2, ...
    std::vector<std::string> names; // path + nameOffset after the update
};

class HeaderNames : public ::testing::TestWithParam<ModeCase> {};

TEST_P(HeaderNames, NameOffsetsFollowTheMode) {
    const ModeCase& c = GetParam();
    auto store = std::make_unique<ProjectStore>();
    // Spread the entries out: gaps must not take part.
    for (size_t i = 0; i < c.paths.size(); ++i)
        ASSERT_TRUE(store->RegisterEntry(c.paths[i].c_str(), uint32_t(3 + 2 * i)));
    store->SetHeaderNameMode(c.mode);
    store->UpdateNameOffsets();
    std::vector<std::string> names;
    for (size_t i = 0; i < c.paths.size(); ++i) {
        const EntrySlot* slot = store->GetSlot(uint32_t(3 + 2 * i));
        ASSERT_LT(slot->nameOffset, kPathSize);
        names.push_back(slot->path + slot->nameOffset);
    }
    EXPECT_EQ(names, c.names);
    for (uint32_t gap : {0u, 4u})
        EXPECT_EQ(store->GetSlot(gap)->nameOffset, 0u);
}

const std::vector<std::string> kSounds = {"C:/snd/bgm01.qsd", "C:/snd/bgm02.qsd", "C:/snd/se01.qsd"};

INSTANTIATE_TEST_SUITE_P(
    Cases, HeaderNames,
    ::testing::Values(
        ModeCase{"FileName", OnlyFileName, kSounds, {"bgm01.qsd", "bgm02.qsd", "se01.qsd"}},
        ModeCase{"FileNameWithoutSeparator",
                 OnlyFileName,
                 {"C:bgm.qsd", "bgm\\x.qsd"},
                 {"C:bgm.qsd", "bgm\\x.qsd"}},
        ModeCase{"FileNameTrailingSlash", OnlyFileName, {"/snd/"}, {""}},
        ModeCase{"FileNameEmptyPath", OnlyFileName, {""}, {""}},
        ModeCase{"ForeignModeCountsAsFileName", 3, {"/a/b.qsd"}, {"b.qsd"}},
        ModeCase{"ForeignModeAllBits", 0xFFFFFFFFu, {"/a/b.qsd"}, {"b.qsd"}},
        ModeCase{"Overlap", CutOverlapping, kSounds, {"bgm01.qsd", "bgm02.qsd", "se01.qsd"}},
        ModeCase{"OverlapTwo", CutOverlapping, {"C:/snd/bgm01.qsd", "C:/snd/bgm02.qsd"}, {"1.qsd", "2.qsd"}},
        ModeCase{"OverlapSingle", CutOverlapping, {"C:/snd/bgm01.qsd"}, {""}},
        ModeCase{"OverlapSamePath", CutOverlapping, {"C:/a/x.qsd", "C:/a/x.qsd"}, {"", ""}},
        ModeCase{"OverlapDriveNotCompared", CutOverlapping, {"C:/a/x.qsd", "D:/a/y.qsd"}, {"x.qsd", "y.qsd"}},
        ModeCase{"OverlapLowerIsLeading", CutOverlapping, {"C:/a/b", "C:/a/bc"}, {"", "c"}},
        ModeCase{"OverlapHigherIsLeading", CutOverlapping, {"C:/a/bc", "C:/a/b"}, {"c", ""}},
        ModeCase{"OverlapShortFirst", CutOverlapping, {"C:/", "C:/snd/a.qsd", "ab"}, {"", "snd/a.qsd", ""}},
        ModeCase{"OverlapDiffersAtThree", CutOverlapping, {"C:/x", "C:/y"}, {"x", "y"}},
        ModeCase{"OverlapFullLengthPaths",
                 CutOverlapping,
                 {std::string(259, 'a'), std::string(259, 'a')},
                 {"", ""}},
        ModeCase{"FullPath", FullPath, kSounds, kSounds}),
    [](const ::testing::TestParamInfo<ModeCase>& info) { return info.param.name; });

TEST(HeaderNameModes, FileNameOffset) {
    EXPECT_EQ(ProjectStore::FileNameOffset("C:/snd/bgm01.qsd"), 7u);
    EXPECT_EQ(ProjectStore::FileNameOffset(""), 0xFFFFFFFFu);
}

TEST(BuildList, OneRecordPerUsedSlotInIndexOrder) {
    auto store = std::make_unique<ProjectStore>();
    for (uint32_t i : {kSlotCount - 1, 7u, 3u})
        ASSERT_TRUE(store->RegisterEntry(("/m/f" + std::to_string(i)).c_str(), i));
    std::vector<BuildRecord> list(kSlotCount);
    uint16_t highest = 1;
    ASSERT_EQ(store->MakeBuildList(list.data(), &highest), 3u);
    EXPECT_EQ(highest, kSlotCount - 1);
    const uint32_t order[] = {3, 7, kSlotCount - 1};
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(list[k].index, order[k]);
        EXPECT_EQ(list[k].nameOffset, 3u); // recomputed: behind "/m/"
        EXPECT_EQ(list[k].path, store->GetEntryPath(order[k]));
    }
}

TEST(BuildList, EmptyTable) {
    auto store = std::make_unique<ProjectStore>();
    BuildRecord record{9, 9, nullptr};
    uint16_t highest = 9;
    EXPECT_EQ(store->MakeBuildList(&record, &highest), 0u);
    EXPECT_EQ(highest, 0u);
    EXPECT_EQ(record.index, 9u);
}

TEST(BuildList, PrepareBuildJobConfiguresAndStarts) {
    auto store = std::make_unique<ProjectStore>();
    std::vector<BuildRecord> list(kSlotCount);
    auto block = std::make_unique<unsigned char[]>(kJobBlockSize);
    BuildJob* job = jobCreate("/nonexistent/out.bxa", block.get(), kJobBlockSize);
    ASSERT_NE(job, nullptr);

    // Nothing registered: the job is left as created.
    EXPECT_EQ(PrepareBuildJob(store.get(), job, list.data(), "h.h", "l.crg"), 0u);
    EXPECT_EQ(job->state, BuildJobState::Created);

    ASSERT_TRUE(store->RegisterEntry("/m/a.qsd", 2));
    ASSERT_TRUE(store->RegisterEntry("/m/b.qsd", 9));
    store->SetFileIdPrefix("SE_");
    store->SetAlignment(16);
    EXPECT_EQ(PrepareBuildJob(store.get(), job, list.data(), "h.h", nullptr), 2u);
    EXPECT_EQ(job->state, BuildJobState::Started);
    EXPECT_EQ(job->entryCount, 10u);
    EXPECT_EQ(job->memberCount, 2u);
    EXPECT_EQ(job->list, list.data());
    EXPECT_STREQ(job->headerName, "h.h");
    EXPECT_EQ(job->outputFlags & kOutputLog, kOutputLog); // an absent name is not passed on
    EXPECT_STREQ(job->prefix, "SE_");
    EXPECT_EQ(job->alignment, 16u);
    jobClose(job);
    jobDestroy(job);
}

} // namespace
