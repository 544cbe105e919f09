#pragma once
// How far a running build has come, in the two figures its callers show.
#include <cstdint>
#include <vector>

#include "engine/build_job.h"

// The window title's figure: whole members done plus the open member's share, in
// percent. Right after a member ends it still counts that member's bytes on top of
// the finished ones, so it can dip when the next member opens.
double jobStepPercent(const BuildJob& job);

// Progress by bytes against the member sizes known before the build; it never goes
// backwards, even when a member's length changes under the build.
class BuildProgress {
  public:
    // `sizes`: the member lengths in build order.
    explicit BuildProgress(const std::vector<uint64_t>& sizes);

    uint64_t totalBytes() const { return doneBefore_.back(); }
    uint64_t bytesDone(const BuildJob& job) const;
    // 0 to 100; a build without bytes is complete once every member is.
    double percent(const BuildJob& job) const;

  private:
    std::vector<uint64_t> doneBefore_; // bytes of all members before position i
};
