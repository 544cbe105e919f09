// The archive reader against sound archives of every shape and a table of damaged
// and hostile ones; each damage must be named, never crash, never read past the end.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "bxa_model.h"
#include "engine/archive_reader.h"
#include "support/files.h"

namespace {

void put32(std::string& s, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        s[at + i] = static_cast<char>(v >> (8 * i));
}

bxamodel::Entry member(uint32_t index, const std::string& name, size_t size) {
    return {index, "dir/" + name, name, testsupport::content(size, index), {2023, 11, 14, 22, 13, 20}};
}

// N = 4, H = 48: index 0 (5000 bytes) at 2048, index 1 a hole, index 2 (100 bytes)
// at 8192, index 3 (empty) at 10240; attribute table at 10240, file of 12288 bytes.
std::string worked(uint32_t alignment = 2048) {
    return bxamodel::build({{member(0, "a.qsd", 5000), member(2, "b.qsd", 100), member(3, "c.qsd", 0)},
                            alignment,
                            "",
                            "t.bxa"})
        .archive;
}

constexpr size_t kTable = 10240;
size_t record(uint32_t index) {
    return kTable + 48 * index;
}

struct Opened {
    std::string bytes;
    MemoryArchiveSource source;
    ArchiveReader reader;
    bool ok;
    std::string error;
    explicit Opened(std::string b, int64_t alignment = kInferAlignment)
        : bytes(std::move(b)), source(bytes.data(), bytes.size()) {
        ok = reader.open(source, alignment, &error);
    }
    std::string problems() const {
        std::string all;
        for (const ArchiveProblem& p : reader.problems())
            all += p.text + "\n";
        return all;
    }
};

struct SoundCase {
    const char* name;
    std::vector<bxamodel::Entry> entries;
    uint32_t alignment;
};

class SoundArchive : public ::testing::TestWithParam<SoundCase> {};

TEST_P(SoundArchive, ReadsBackEveryMemberAndInfersTheAlignment) {
    const SoundCase& c = GetParam();
    Opened o(bxamodel::build({c.entries, c.alignment, "", "s.bxa"}).archive);
    ASSERT_TRUE(o.ok) << o.error;
    EXPECT_EQ(o.problems(), "");
    EXPECT_EQ(o.reader.alignment(), c.alignment);
    std::vector<uint32_t> want;
    for (const bxamodel::Entry& e : c.entries)
        want.push_back(e.index);
    EXPECT_EQ(o.reader.usedIndexes(), want);
    for (const bxamodel::Entry& e : c.entries) {
        std::string data, error;
        ASSERT_TRUE(o.reader.readMember(
            e.index,
            [&](const unsigned char* p, size_t n) {
                data.append(reinterpret_cast<const char*>(p), n);
                return true;
            },
            &error));
        EXPECT_EQ(data, e.data) << e.index;
        ASSERT_NE(o.reader.record(e.index), nullptr);
        EXPECT_EQ(o.reader.record(e.index)->name, e.path.substr(e.path.rfind('/') + 1).substr(0, 32));
        EXPECT_EQ(o.reader.record(e.index)->minute, 13);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, SoundArchive,
    ::testing::Values(SoundCase{"WorkedExampleWithEmptyLast",
                                {member(0, "a", 5000), member(2, "b", 100), member(3, "c", 0)},
                                2048},
                      SoundCase{"NoAlignment", {member(0, "a", 5), member(1, "b", 0), member(4, "c", 9)}, 0},
                      SoundCase{"OddAlignment", {member(0, "a", 5), member(1, "b", 7)}, 7},
                      SoundCase{"AlignmentNotAPowerOfTwo", {member(1, "a", 1000), member(2, "b", 1)}, 1000},
                      SoundCase{"EmptyMemberAtIndexZero", {member(0, "empty", 0), member(1, "b", 3)}, 2048},
                      SoundCase{"LargeAlignment", {member(0, "a", 1)}, 65536},
                      // A file name here may hold any byte but the separator.
                      SoundCase{
                          "ControlBytesInNames", {member(0, "a\x01z", 3), member(2, "\x7f\x1f", 1)}, 16},
                      SoundCase{"NameOf32BytesWithoutTerminator", {member(0, std::string(40, 'n'), 1)}, 16},
                      SoundCase{"HighestIndex", {member(0, "a", 1), member(65534, "z", 2)}, 2048}),
    [](const ::testing::TestParamInfo<SoundCase>& row) { return std::string(row.param.name); });

struct DamageCase {
    const char* name;
    std::function<void(std::string&)> damage;
    const char* expected; // in the open error, or else in one of the problems
    bool openFails = false;
};

class DamagedArchive : public ::testing::TestWithParam<DamageCase> {};

TEST_P(DamagedArchive, IsNamed) {
    const DamageCase& c = GetParam();
    std::string bytes = worked();
    c.damage(bytes);
    Opened o(bytes);
    EXPECT_EQ(o.ok, !c.openFails) << o.error;
    const std::string said = o.ok ? o.problems() : o.error;
    EXPECT_NE(said.find(c.expected), std::string::npos) << said;
    if (!o.ok) return;
    EXPECT_FALSE(o.reader.isSound());
    // Whatever is still marked readable must lie inside the file.
    for (uint32_t i : o.reader.usedIndexes()) {
        if (!o.reader.isReadable(i)) continue;
        EXPECT_LE(uint64_t(o.reader.entry(i).offset) + o.reader.entry(i).size, bytes.size());
    }
}

auto cut(size_t n) {
    return [n](std::string& s) { s.resize(n); };
}
auto word(size_t at, uint32_t v) {
    return [at, v](std::string& s) { put32(s, at, v); };
}
auto bytesAt(size_t at, std::string text) {
    return [at, text](std::string& s) { s.replace(at, text.size(), text); };
}

INSTANTIATE_TEST_SUITE_P(
    Table, DamagedArchive,
    ::testing::Values(
        DamageCase{"Empty", cut(0), "the file is empty", true},
        DamageCase{"TruncatedInMagic", cut(3), "too short for an archive header", true},
        DamageCase{"ForeignFile", bytesAt(0, "PK\3\4"), "not a BXA archive", true},
        DamageCase{"UnfinishedBuild", bytesAt(0, std::string(48, '\0')), "no archive magic", true},
        DamageCase{"ZeroCount", word(4, 0), "entry count 0 is out of range", true},
        DamageCase{"HugeCount", word(4, 0xFFFFFFFF), "entry count 4294967295 is out of range", true},
        DamageCase{"CountBeyondTheFile", word(4, 65535), "table of contents of 65535 entries ends at 524296",
                   true},
        DamageCase{"TruncatedInTableOfContents", cut(40), "40 bytes, but the table of contents of 4", true},
        DamageCase{"TruncatedInLeadingFill", cut(1000), "index 0: data at 2048 (5000 bytes) runs past"},
        DamageCase{"TruncatedInData", cut(8200), "index 2: data at 8192 (100 bytes) runs past the end"},
        DamageCase{"TruncatedInAttributeTable", cut(10300), "attribute table at 10240 (192 bytes) runs past"},
        DamageCase{"TruncatedInFinalFill", cut(12000), "12000 bytes, but the layout ends at 12288"},
        DamageCase{"TrailingBytes", [](std::string& s) { s += "x"; }, "1 bytes behind the end of the layout"},
        DamageCase{"LocatorOffset", word(40, 10240 + 2048), "locator puts the attribute table at 12288"},
        DamageCase{"LocatorSize", word(44, 48), "gives the attribute table 48 bytes; 4 entries take 192"},
        DamageCase{"LocatorInsideTableOfContents", word(40, 8), "at 8, inside the table of contents"},
        DamageCase{"OverlappingEntries", word(24, 6144), "data at 6144 (100 bytes) overlaps index 0"},
        DamageCase{"UnalignedEntry", word(24, 8200), "offset 8200 is not a multiple of the alignment 2048"},
        DamageCase{"GapBetweenMembers", word(24, 10240), "offset 10240, but the layout puts it at 8192"},
        DamageCase{"SizePastTheEnd", word(28, 0x7FFFFFFF), "index 2: data at 8192 (2147483647 bytes)"},
        DamageCase{"OffsetPastTheEnd", word(24, 0xFFFFFFF0), "data at 4294967280 (100 bytes) runs past"},
        DamageCase{"HoleWithData", word(20, 5), "index 1: data at 0 (5 bytes) lies inside"},
        DamageCase{"HoleIndexZeroElsewhere",
                   [](std::string& s) {
                       put32(s, 8, 4096); // index 0 as a hole must still carry the data start
                       put32(s, 12, 0);
                       s.replace(record(0), 48, std::string(48, '\0'));
                   },
                   "index 0: offset 4096, but the data starts at 2048"},
        DamageCase{"HoleWithRecord", bytesAt(record(1), "x"), "index 1 is a hole but its attribute record"},
        DamageCase{"FillBeforeData", bytesAt(100, "x"), "before the data start is not zero at offset 100"},
        DamageCase{"FillBehindMember", bytesAt(7100, "x"), "index 0: the fill behind its data is not zero"},
        DamageCase{"FillBehindTable", bytesAt(12000, "x"), "fill behind the attribute table is not zero"},
        DamageCase{"NameDotDot", bytesAt(record(0), std::string("..\0\0\0\0", 6)), "the name is '..'"},
        DamageCase{"NameWithSlash", bytesAt(record(0), "../../x"), "holds a path separator"},
        DamageCase{"NameWithBackslash", bytesAt(record(2), "a\\b"), "holds a path separator"},
        DamageCase{"RecordWordOfAnotherEntry", word(record(0) + 44, 2048), "is 2048, but a build writes 4"},
        DamageCase{"RecordWordOfEntryZeroSize", word(record(3) + 44, 5001),
                   "is 5001, but a build writes 5000"},
        DamageCase{"EmptyName", bytesAt(record(3), std::string(32, '\0')), "index 3: the name is empty"},
        DamageCase{"BytesBehindTheName", bytesAt(record(0) + 20, "x"), "bytes behind its terminating zero"},
        DamageCase{"InvalidDate", bytesAt(record(2) + 34, "\x0d"), "is not a valid date"}),
    [](const ::testing::TestParamInfo<DamageCase>& row) { return std::string(row.param.name); });

TEST(ArchiveReader, AGivenAlignmentIsCheckedInsteadOfInferred) {
    const struct {
        uint32_t built;
        int64_t given;
        bool sound;
    } cases[] = {{2048, 2048, true}, {2048, 4096, false}, {2048, 0, false}, {0, 0, true}, {16, 2048, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.built) + " checked as " + std::to_string(c.given));
        Opened o(worked(c.built), c.given);
        ASSERT_TRUE(o.ok);
        EXPECT_EQ(o.reader.isSound(), c.sound) << o.problems();
        EXPECT_EQ(o.reader.alignment(), c.given);
    }
}

TEST(ArchiveReader, NoReadPastTheEndForAnyTruncation) {
    // Every prefix of a small archive: no crash, and none but the whole file is sound.
    const std::string whole = worked(16);
    for (size_t n = 0; n < whole.size(); ++n) {
        Opened o(whole.substr(0, n));
        EXPECT_FALSE(o.ok && o.reader.isSound()) << n;
    }
    EXPECT_TRUE(Opened(whole).reader.isSound());
}

} // namespace
