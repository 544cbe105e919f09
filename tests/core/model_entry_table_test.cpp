#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "model/project_store.h"

namespace {

class EntryTable : public ::testing::Test {
  protected:
    std::unique_ptr<ProjectStore> store = std::make_unique<ProjectStore>();

    void Use(std::initializer_list<uint32_t> indexes) {
        for (uint32_t i : indexes)
            ASSERT_TRUE(store->RegisterEntry(("/data/f" + std::to_string(i)).c_str(), i));
    }
    std::vector<uint32_t> UsedBelow(uint32_t end) const {
        std::vector<uint32_t> used;
        for (uint32_t i = 0; i < end; ++i)
            if (store->GetEntryPath(i)) used.push_back(i);
        return used;
    }
    static bool AllZero(const EntrySlot* slot) {
        static const EntrySlot zero{};
        return std::memcmp(slot, &zero, sizeof zero) == 0;
    }
};

TEST_F(EntryTable, StartsEmpty) {
    EXPECT_EQ(store->GetEntryEnd(), 0u);
    EXPECT_EQ(store->CountEntries(), 0u);
    EXPECT_EQ(store->GetEntryPath(0), nullptr);
    EXPECT_EQ(store->GetEntryPath(kSlotCount - 1), nullptr);
}

TEST_F(EntryTable, RegisterFillsOnlyEmptySlots) {
    EXPECT_TRUE(store->RegisterEntry("/a/one.qsd", 4));
    EXPECT_FALSE(store->RegisterEntry("/a/two.qsd", 4));
    EXPECT_STREQ(store->GetEntryPath(4), "/a/one.qsd");
    const EntrySlot* slot = store->GetSlot(4);
    EXPECT_EQ(slot->used, 1u);
    EXPECT_EQ(slot->nameOffset, 0u);
    for (size_t i = std::strlen("/a/one.qsd"); i < kPathSize; ++i)
        ASSERT_EQ(slot->path[i], '\0') << i;
}

TEST_F(EntryTable, RegisterRefusesBadInput) {
    const std::string longest(259, 'x');
    const std::string tooLong(260, 'x');
    EXPECT_TRUE(store->RegisterEntry(longest.c_str(), 1));
    EXPECT_STREQ(store->GetEntryPath(1), longest.c_str());
    EXPECT_FALSE(store->RegisterEntry(tooLong.c_str(), 2));
    EXPECT_FALSE(store->RegisterEntry(nullptr, 3));
    for (uint32_t index : {kSlotCount, kSlotCount + 1, 0xFFFFFFFFu})
        EXPECT_FALSE(store->RegisterEntry("/a/x", index)) << index;
    EXPECT_EQ(store->CountEntries(), 1u);
}

TEST_F(EntryTable, EndAndCountFollowTheHighestUsedSlot) {
    Use({0, 1, 5});
    EXPECT_EQ(store->GetEntryEnd(), 6u);
    EXPECT_EQ(store->CountEntries(), 3u);
    Use({kSlotCount - 1});
    EXPECT_EQ(store->GetEntryEnd(), kSlotCount);
    EXPECT_EQ(store->CountEntries(), 4u);
}

TEST_F(EntryTable, ClearZeroesTheWholeSlot) {
    Use({7});
    store->UpdateNameOffsets();
    EXPECT_NE(store->GetSlot(7)->nameOffset, 0u);
    EXPECT_TRUE(store->ClearEntry(7));
    EXPECT_TRUE(AllZero(store->GetSlot(7)));
    EXPECT_FALSE(store->ClearEntry(7));
    EXPECT_EQ(store->GetEntryEnd(), 0u);
}

TEST_F(EntryTable, OutOfRangeIndexesAreRefused) {
    Use({0, kSlotCount - 1});
    for (uint32_t index : {kSlotCount, 0x10000u, 0xFFFFFFFFu}) {
        EXPECT_EQ(store->GetEntryPath(index), nullptr);
        EXPECT_EQ(std::as_const(*store).GetEntryPath(index), nullptr);
        EXPECT_EQ(store->GetSlot(index), nullptr);
        EXPECT_FALSE(store->ClearEntry(index));
    }
    EXPECT_EQ(store->CountEntries(), 2u);
}

struct MoveCase {
    const char* name;
    std::vector<uint32_t> used;
    uint32_t source, target, count;
    bool result;
    std::vector<uint32_t> after;
};

class MoveEntriesTest : public EntryTable, public ::testing::WithParamInterface<MoveCase> {};

TEST_P(MoveEntriesTest, MovesBlocksWithTheirGaps) {
    const MoveCase& c = GetParam();
    for (uint32_t i : c.used)
        ASSERT_TRUE(store->RegisterEntry(("/data/f" + std::to_string(i)).c_str(), i));
    EXPECT_EQ(store->MoveEntries(c.source, c.target, c.count), c.result);
    EXPECT_EQ(UsedBelow(kSlotCount), c.after);
    // The paths travel with their slots, keeping their order.
    std::vector<std::string> before, now;
    for (uint32_t i : c.used)
        before.push_back("/data/f" + std::to_string(i));
    for (uint32_t i : c.after)
        now.push_back(store->GetEntryPath(i));
    EXPECT_EQ(now, before);
}

const uint32_t kLast = kSlotCount - 1;

INSTANTIATE_TEST_SUITE_P(Cases, MoveEntriesTest,
                         ::testing::Values(MoveCase{"Disjoint", {5, 7}, 5, 20, 3, true, {20, 22}},
                                           MoveCase{"DownIntoOverlap", {7}, 5, 4, 3, true, {6}},
                                           MoveCase{"UpIntoOverlap", {5}, 5, 6, 3, true, {6}},
                                           MoveCase{"UpIntoOverlapSeveral", {5, 6}, 5, 7, 5, true, {7, 8}},
                                           MoveCase{"DownIntoOverlapSeveral", {8, 9}, 5, 3, 5, true, {6, 7}},
                                           MoveCase{"TargetUsed", {5, 6}, 5, 6, 3, false, {5, 6}},
                                           MoveCase{"OntoItself", {5}, 5, 5, 1, false, {5}},
                                           MoveCase{"EmptyOntoItself", {9}, 5, 5, 3, true, {9}},
                                           MoveCase{"ZeroCount", {5}, 5, 5, 0, true, {5}},
                                           MoveCase{"ToTheLastSlot", {0}, 0, kLast, 1, true, {kLast}},
                                           MoveCase{"TargetEndPastTable", {0}, 0, kLast, 2, false, {0}},
                                           MoveCase{
                                               "SourceEndPastTable", {kLast}, kLast, 0, 2, false, {kLast}},
                                           MoveCase{"GapRowSource", {0}, 0xFFFFFFFFu, 10, 1, false, {0}},
                                           MoveCase{"WrappingTarget", {0}, 0, 0xFFFFFFFFu, 2, false, {0}},
                                           MoveCase{"WrappingCount", {0}, 0, 5, 0xFFFFFFFFu, false, {0}},
                                           MoveCase{"ZeroCountOutside", {0}, 0xFFFFFFFFu, 0, 0, true, {0}}),
                         [](const ::testing::TestParamInfo<MoveCase>& info) { return info.param.name; });

TEST_F(EntryTable, MoveCarriesTheNameOffset) {
    Use({2});
    store->UpdateNameOffsets();
    const uint32_t offset = store->GetSlot(2)->nameOffset;
    ASSERT_NE(offset, 0u);
    EXPECT_TRUE(store->MoveEntries(2, 40, 1));
    EXPECT_EQ(store->GetSlot(40)->nameOffset, offset);
    EXPECT_TRUE(AllZero(store->GetSlot(2)));
}

} // namespace
