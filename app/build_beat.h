#pragma once
// The beat of the build steps: one step every period, counted from the start, so that
// the time a step takes is not added to the wait before the next one. A step that runs
// past its slot is followed by the next one at once; one that runs past a whole period
// starts the beat again from there rather than hurrying to catch up.
#include <chrono>

class BuildBeat {
  public:
    using Clock = std::chrono::steady_clock;

    explicit BuildBeat(Clock::duration period) : period_(period) {}

    // The beat starts at `now`; the first step is due one period later.
    void Start(Clock::time_point now) { due_ = now; }
    // After a step: milliseconds from `now` until the next one is due, 0 when it is
    // due already.
    int NextDelayMs(Clock::time_point now);

  private:
    Clock::duration period_;
    Clock::time_point due_; // when the step that ran last was due
};
