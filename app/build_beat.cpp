#include "app/build_beat.h"

#include <algorithm>

int BuildBeat::NextDelayMs(Clock::time_point now) {
    const Clock::time_point next = due_ + period_;
    if (next <= now) {
        // Late: the next step runs at once. A little late it keeps its place on the
        // beat; more than a whole period late, the beat is counted from here instead of
        // hurrying to catch up.
        due_ = now - next < period_ ? next : now;
        return 0;
    }
    due_ = next;
    return static_cast<int>(std::chrono::ceil<std::chrono::milliseconds>(next - now).count());
}
