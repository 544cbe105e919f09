// What the window works out without a display: the beat of the build steps and the
// texts of the list's rows.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <utility>
#include <vector>

#include "app/build_beat.h"
#include "app/list_rows.h"

namespace {

TEST(BuildBeat, StepsKeepTheBeatWhateverTheyTake) {
    using std::chrono::microseconds;
    const struct {
        const char* name;
        std::vector<long> idleAt; // when the window is idle after each step, in µs from the start
        std::vector<int> delays;  // the waits before the next step, in ms
    } cases[] = {
        {"short steps", {0, 10300, 20150, 30900}, {10, 10, 10, 10}},
        {"a 3 ms step shortens the wait", {0, 13000, 23000}, {10, 7, 7}},
        {"a tick a little late keeps its place on the beat", {0, 20500, 25000}, {10, 0, 5}},
        {"a long step is followed at once, then the beat starts again",
         {0, 150000, 151000, 162000},
         {10, 0, 9, 8}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        BuildBeat beat(std::chrono::milliseconds(10));
        const BuildBeat::Clock::time_point start;
        beat.Start(start);
        std::vector<int> delays;
        for (long at : c.idleAt)
            delays.push_back(beat.NextDelayMs(start + microseconds(at)));
        EXPECT_EQ(delays, c.delays);
    }
}

// The Path column is the folder without the separator before the name.
TEST(ListRowText, ThePathColumnDropsTheNameAndItsSeparator) {
    const std::pair<const char*, const char*> paths[] = {
        {"/data/se/jump.qsd", "/data/se"}, {"/jump.qsd", ""}, // a file in the root folder
    };
    for (const auto& [path, folder] : paths) {
        ListRow row;
        row.slot = 0;
        row.path = path;
        row.nameStart = row.path.rfind('/') + 1;
        EXPECT_EQ(ListRowText(row, ColPath), folder) << path;
        EXPECT_EQ(ListRowText(row, ColFilename), "jump.qsd") << path;
    }
}

} // namespace
