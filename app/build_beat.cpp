#include "app/build_beat.h"

#include <algorithm>

int BuildBeat::NextDelayMs(Clock::time_point now) {
    const Clock::time_point next = due_ + period_;
    if (next <= now) {
        // Late: the next step runs at once and the beat is counted from here.
        due_ = now;
        return 0;
    }
    due_ = next;
    return static_cast<int>(std::chrono::ceil<std::chrono::milliseconds>(next - now).count());
}
