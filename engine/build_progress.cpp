#include "engine/build_progress.h"

#include <algorithm>

double jobStepPercent(const BuildJob& job) {
    if (job.memberCount == 0) return 0.0;
    double member = 0.0;
    if (job.memberSize != 0)
        member = static_cast<double>(job.copied) / static_cast<double>(job.memberSize) * 100.0;
    const double p = (member + static_cast<double>(job.current) * 100.0) /
                     (static_cast<double>(job.memberCount) * 100.0) * 100.0;
    return std::min(p, 100.0);
}

BuildProgress::BuildProgress(const std::vector<uint64_t>& sizes) : doneBefore_(sizes.size() + 1, 0) {
    for (size_t i = 0; i < sizes.size(); ++i)
        doneBefore_[i + 1] = doneBefore_[i] + sizes[i];
}

uint64_t BuildProgress::bytesDone(const BuildJob& job) const {
    const size_t last = doneBefore_.size() - 1;
    const size_t at = std::min<size_t>(job.current, last);
    // `current` already counts a member finished in this step while `copied` still
    // describes it, so only an open member adds its partial bytes, and never more
    // than the length it was expected to have.
    if (at == last || job.memberFile == kNoMember) return doneBefore_[at];
    return std::min(doneBefore_[at] + job.copied, doneBefore_[at + 1]);
}

double BuildProgress::percent(const BuildJob& job) const {
    if (totalBytes() == 0) return job.current >= doneBefore_.size() - 1 ? 100.0 : 0.0;
    return static_cast<double>(bytesDone(job)) * 100.0 / static_cast<double>(totalBytes());
}
