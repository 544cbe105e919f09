// The entry table, its block moves, the header-name modes and an empty build.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "model/project_store.h"
#include "platform/memory.h"
#include "platform/path.h"

namespace {

const uint32_t kLast = kSlotCount - 1;

// Paths are written here with '/' and registered with the system's own separator.
std::string native(std::string path) {
    for (char& c : path)
        if (c == '/') c = platform::kPathSeparator;
    return path;
}
std::vector<std::string> nativeAll(std::vector<std::string> paths) {
    for (std::string& p : paths)
        p = native(p);
    return paths;
}
// The other system's separator, which names no folder here.
const char kForeignSeparator[] = {platform::kPathSeparator == '/' ? '\\' : '/', '\0'};

std::string pathOf(uint32_t i) {
    return native("/data/f" + std::to_string(i));
}

bool allZero(const EntrySlot* slot) {
    static const EntrySlot zero{};
    return std::memcmp(slot, &zero, sizeof zero) == 0;
}

TEST(EntryTable, RegisterClearEndAndCount) {
    auto store = std::make_unique<ProjectStore>();
    EXPECT_EQ(store->GetEntryEnd(), 0u);
    EXPECT_TRUE(store->RegisterEntry("/a/one.qsd", 4));
    EXPECT_FALSE(store->RegisterEntry("/a/two.qsd", 4)); // a used slot is never overwritten
    EXPECT_STREQ(store->GetEntryPath(4), "/a/one.qsd");
    EXPECT_TRUE(store->RegisterEntry(std::string(259, 'x').c_str(), 0));
    EXPECT_FALSE(store->RegisterEntry(std::string(260, 'x').c_str(), 1));
    EXPECT_FALSE(store->RegisterEntry(nullptr, 2));
    EXPECT_TRUE(store->RegisterEntry("/z", kLast));
    EXPECT_EQ(store->GetEntryEnd(), kSlotCount);
    EXPECT_EQ(store->CountEntries(), 3u);
    for (uint32_t bad : {kSlotCount, 0x10000u, 0xFFFFFFFFu}) {
        EXPECT_FALSE(store->RegisterEntry("/a/x", bad));
        EXPECT_EQ(store->GetEntryPath(bad), nullptr);
        EXPECT_EQ(std::as_const(*store).GetEntryPath(bad), nullptr);
        EXPECT_EQ(store->GetSlot(bad), nullptr);
        EXPECT_FALSE(store->ClearEntry(bad));
    }
    store->UpdateNameOffsets(); // gives the slot a name offset that clearing must zero too
    EXPECT_TRUE(store->ClearEntry(kLast));
    EXPECT_TRUE(allZero(store->GetSlot(kLast)));
    EXPECT_FALSE(store->ClearEntry(kLast));
    EXPECT_EQ(store->GetEntryEnd(), 5u);
    EXPECT_EQ(store->CountEntries(), 2u);
}

TEST(EntryTable, MoveEntries) {
    const struct {
        const char* name;
        std::vector<uint32_t> used;
        uint32_t source, target, count;
        bool result;
        std::vector<uint32_t> after; // where the used slots end up, in the same order
    } cases[] = {{"WithGaps", {5, 7}, 5, 20, 3, true, {20, 22}},
                 {"UpIntoItself", {5, 6}, 5, 7, 5, true, {7, 8}},
                 {"DownIntoItself", {8, 9}, 5, 3, 5, true, {6, 7}},
                 {"TargetUsed", {5, 6}, 5, 6, 3, false, {5, 6}},
                 {"ToTheLastSlot", {0}, 0, kLast, 1, true, {kLast}},
                 {"TargetPastTable", {0}, 0, kLast, 2, false, {0}},
                 {"SourcePastTable", {kLast}, kLast, 0, 2, false, {kLast}},
                 {"GapRowSource", {0}, 0xFFFFFFFFu, 10, 1, false, {0}},
                 {"WrappingCount", {0}, 0, 5, 0xFFFFFFFFu, false, {0}},
                 {"ZeroCountAnywhere", {0}, 0xFFFFFFFFu, 0, 0, true, {0}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto store = std::make_unique<ProjectStore>();
        std::vector<std::string> expected, paths;
        for (uint32_t i : c.used) {
            ASSERT_TRUE(store->RegisterEntry(pathOf(i).c_str(), i));
            expected.push_back(pathOf(i));
        }
        store->UpdateNameOffsets();
        EXPECT_EQ(store->MoveEntries(c.source, c.target, c.count), c.result);
        std::vector<uint32_t> used;
        for (uint32_t i = 0; i < kSlotCount; ++i) {
            const EntrySlot* slot = store->GetSlot(i);
            ASSERT_TRUE(slot->used || allZero(slot)) << i; // a vacated slot keeps nothing behind
            if (!slot->used) continue;
            used.push_back(i);
            paths.push_back(slot->path);
            EXPECT_EQ(slot->nameOffset, 6u) << i; // the offset travels with its path
        }
        EXPECT_EQ(used, c.after);
        EXPECT_EQ(paths, expected);
        // The table's own scans must reach wherever the block went.
        EXPECT_EQ(store->GetEntryEnd(), c.after.back() + 1);
        EXPECT_EQ(store->CountEntries(), c.after.size());
        std::vector<BuildRecord> list(kSlotCount);
        ASSERT_EQ(store->MakeBuildList(list.data(), nullptr), c.after.size());
        for (size_t k = 0; k < c.after.size(); ++k)
            EXPECT_EQ(list[k].index, c.after[k]);
    }
}

// A store placed in memory that is zero already starts out like any other.
TEST(EntryTable, StoreInZeroFilledMemory) {
    platform::LargeBuffer memory(sizeof(ProjectStore), false);
    ASSERT_NE(memory.get(), nullptr);
    ProjectStore* zeroed = new (memory.get()) ProjectStore(ProjectStore::ZeroFilled{});
    auto cleared = std::make_unique<ProjectStore>();
    for (ProjectStore* store : {zeroed, cleared.get()}) {
        ASSERT_TRUE(store->RegisterEntry("/a/b/c.qsd", 9));
        store->UpdateNameOffsets();
    }
    std::vector<unsigned char> a(kSettingsSize), b(kSettingsSize);
    zeroed->SaveSettings(a.data());
    cleared->SaveSettings(b.data());
    EXPECT_EQ(a, b);
    EXPECT_EQ(zeroed->GetAlignment(), cleared->GetAlignment());
    EXPECT_EQ(zeroed->GetEntryEnd(), 10u);
    EXPECT_EQ(zeroed->GetSlot(9)->nameOffset, cleared->GetSlot(9)->nameOffset);
    EXPECT_TRUE(allZero(zeroed->GetSlot(8)));
    zeroed->~ProjectStore();
}

TEST(HeaderNames, NameOffsetsFollowTheMode) {
    const std::vector<std::string> sounds =
        nativeAll({"C:/snd/bgm01.qsd", "C:/snd/bgm02.qsd", "C:/snd/se01.qsd"});
    const std::string foreign = std::string("b") + kForeignSeparator + "x.qsd";
    const struct {
        uint32_t mode;
        std::vector<std::string> paths; // registered at 3, 5, 7, ...
        std::vector<std::string> names; // path + nameOffset after the update
    } cases[] = {
        {OnlyFileName, sounds, {"bgm01.qsd", "bgm02.qsd", "se01.qsd"}},
        {OnlyFileName, {"C:bgm.qsd", foreign, ""}, {"C:bgm.qsd", foreign, ""}},
        {3, nativeAll({"/a/b.qsd"}), {"b.qsd"}}, // a foreign mode counts as file names only
        {CutOverlapping, sounds, {"bgm01.qsd", "bgm02.qsd", "se01.qsd"}},
        {CutOverlapping, {sounds[0], sounds[1]}, {"1.qsd", "2.qsd"}},
        // The drive part is not compared, and a later, shorter path cuts too.
        {CutOverlapping, nativeAll({"C:/a/x.qsd", "D:/a/y.qsd"}), {"x.qsd", "y.qsd"}},
        {CutOverlapping, nativeAll({"C:/a/bcd", "C:/a/b", "C:/a/bcx"}), {"cd", "", "cx"}},
        {CutOverlapping, nativeAll({"C:", "C:/snd/a.qsd"}), nativeAll({"", "snd/a.qsd"})},
        {CutOverlapping, {std::string(259, 'a'), std::string(259, 'a')}, {"", ""}},
        {FullPath, sounds, sounds},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.paths[0] + " mode " + std::to_string(c.mode));
        auto store = std::make_unique<ProjectStore>();
        // Spread out, so that gaps would show if they took part.
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
        EXPECT_TRUE(allZero(store->GetSlot(4)));
    }
}

// The rest of the job set-up shows in every bxa pack output; an empty table never gets that far.
TEST(BuildList, NothingToBuildLeavesTheJobUnstarted) {
    auto store = std::make_unique<ProjectStore>();
    std::vector<BuildRecord> list(kSlotCount);
    auto block = std::make_unique<unsigned char[]>(kJobBlockSize);
    BuildJob* job = jobCreate("/nonexistent/out.bxa", block.get(), kJobBlockSize);
    ASSERT_NE(job, nullptr);
    EXPECT_EQ(PrepareBuildJob(store.get(), job, list.data(), "h.h", "l.crg"), 0u);
    EXPECT_EQ(job->state, BuildJobState::Created);
    jobClose(job);
    jobDestroy(job);
}

} // namespace
