#pragma once
// The progress line of `bxa pack` on a terminal: redrawn at most ten times a
// second, so a build of thousands of tiny members pays one clock read per step.
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "engine/build_job.h"
#include "engine/build_progress.h"

class ProgressLine {
  public:
    // `sizes` are the member lengths in build order; the line stays silent when not enabled.
    ProgressLine(bool enabled, std::FILE* out, const std::vector<uint64_t>& sizes);
    void update(const BuildJob& job);
    // Erases the line, leaving the terminal as it was before the build.
    void finish();

    // The text of one redraw: the share of bytes done (never going backwards), the
    // member, the bytes, and once a rate is known the rate and the time left.
    std::string format(const BuildJob& job, std::chrono::steady_clock::duration elapsed) const;

  private:
    bool enabled_;
    std::FILE* out_;
    BuildProgress progress_;
    std::chrono::steady_clock::time_point start_;
    std::chrono::steady_clock::time_point nextDraw_;
    size_t drawnWidth_ = 0;
};

// Whole bytes shown with a binary unit, "512 B", "3.4 MiB".
std::string formatBytes(uint64_t bytes);
// A span of seconds as "m:ss", or "h:mm:ss" from an hour on.
std::string formatDuration(uint64_t seconds);
