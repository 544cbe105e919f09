// Rows of the file list computed from the entry table (no window needed).
#include <gtest/gtest.h>

#include <ctime>

#include "app/list_rows.h"
#include "gui_test_util.h"

namespace {

// The slots the rows stand for, gaps as -1.
std::vector<long> Slots(const std::vector<ListRow>& rows) {
    std::vector<long> out;
    for (const ListRow& r : rows)
        out.push_back(r.IsGap() ? -1 : static_cast<long>(r.slot));
    return out;
}

class ListRowsTest : public testing::Test {
  protected:
    void SetUp() override { ResetStore(); }
    void TearDown() override { ResetStore(); }
    void Register(uint32_t slot, const std::string& path) {
        ASSERT_TRUE(store->RegisterEntry(path.c_str(), slot));
    }
    std::vector<long> Build() {
        BuildListRows(*store, &rows);
        return Slots(rows);
    }

    ProjectStore* store = GetProjectStore();
    TempDir dir;
    std::vector<ListRow> rows;
};

} // namespace

TEST_F(ListRowsTest, EmptyTableHasNoRows) {
    EXPECT_TRUE(Build().empty());
}

TEST_F(ListRowsTest, EveryRunOfEmptySlotsIsOneGapRow) {
    std::string a = dir.AddFile("a.qsd", 1), b = dir.AddFile("b.qsd", 2);
    Register(0, a);
    Register(1, b);
    EXPECT_EQ(Build(), (std::vector<long>{0, 1}));

    store->ClearEntry(0);
    EXPECT_EQ(Build(), (std::vector<long>{-1, 1})); // a leading gap

    ResetStore();
    Register(0, a);
    Register(2, a);
    Register(3, b);
    EXPECT_EQ(Build(), (std::vector<long>{0, -1, 2, 3}));

    ResetStore();
    Register(0, a);
    Register(9, b);
    EXPECT_EQ(Build(), (std::vector<long>{0, -1, 9})); // eight empty slots, one row
}

TEST_F(ListRowsTest, UnopenableFilesGetNoRowAndLeaveNoGap) {
    std::string a = dir.AddFile("a.qsd", 1);
    Register(0, a);
    Register(1, dir.Path() + "/missing.qsd");
    Register(2, dir.Path()); // a folder
    Register(3, a);
    Register(5, dir.Path() + "/also-missing.qsd"); // the list then ends with the gap of slot 4
    EXPECT_EQ(Build(), (std::vector<long>{0, 3, -1}));
}

TEST_F(ListRowsTest, CellTextsOfAFileRow) {
    struct tm when {};
    when.tm_year = 2004 - 1900;
    when.tm_mon = 2;
    when.tm_mday = 5;
    when.tm_hour = 9;
    when.tm_min = 7;
    when.tm_isdst = -1;
    std::string path = dir.AddFile("data.qsd", 1234, static_cast<long long>(std::mktime(&when)));
    Register(7, path);
    ASSERT_EQ(Build(), (std::vector<long>{-1, 7}));

    const ListRow& row = rows[1];
    EXPECT_EQ(ListRowText(row, ColIndex), "        7");
    EXPECT_EQ(ListRowText(row, ColFilename), "data.qsd");
    EXPECT_EQ(ListRowText(row, ColPath), dir.Path());
    EXPECT_EQ(ListRowText(row, ColSize), std::string(20, ' ') + "1234");
    EXPECT_EQ(ListRowText(row, ColDate), "2004/03/05 09:07");
    for (int c = 0; c < ColCount; ++c)
        EXPECT_EQ(ListRowText(rows[0], c), "") << "gap column " << c;
    EXPECT_EQ(ListRowText(row, ColCount), "");
    EXPECT_EQ(ListRowText(row, -1), "");
}

TEST(ListRowTextTest, FolderOfAFileInTheRootAndOfABareName) {
    ListRow row;
    row.slot = 1;
    row.path = "/x.qsd";
    row.nameStart = 1;
    EXPECT_EQ(ListRowText(row, ColFilename), "x.qsd");
    EXPECT_EQ(ListRowText(row, ColPath), "/");
    row.path = "x.qsd";
    row.nameStart = 0;
    EXPECT_EQ(ListRowText(row, ColFilename), "x.qsd");
    EXPECT_EQ(ListRowText(row, ColPath), "");
}
