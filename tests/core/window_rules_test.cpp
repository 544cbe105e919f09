// What the window works out without a display: the beat of the build steps.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "app/build_beat.h"

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

} // namespace
