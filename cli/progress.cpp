#include "cli/progress.h"

#include <cstdio>

namespace {
constexpr std::chrono::milliseconds kRedrawInterval(100);
// Builds that end sooner never show a line at all.
constexpr std::chrono::milliseconds kFirstDraw(250);
} // namespace

std::string formatBytes(uint64_t bytes) {
    static const char* const kUnits[] = {"KiB", "MiB", "GiB"};
    if (bytes < 1024) return std::to_string(bytes) + " B";
    double value = static_cast<double>(bytes) / 1024.0;
    int unit = 0;
    while (value >= 1024.0 && unit < 2) {
        value /= 1024.0;
        ++unit;
    }
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.1f %s", value, kUnits[unit]);
    return buf;
}

ProgressLine::ProgressLine(bool enabled, std::FILE* out, const std::vector<uint64_t>& sizes)
    : enabled_(enabled), out_(out), doneBefore_(sizes.size() + 1, 0),
      nextDraw_(std::chrono::steady_clock::now() + kFirstDraw) {
    for (size_t i = 0; i < sizes.size(); ++i)
        doneBefore_[i + 1] = doneBefore_[i] + sizes[i];
}

std::string ProgressLine::format(const BuildJob& job) const {
    double f = job.memberSize != 0 ? static_cast<double>(job.copied) / job.memberSize * 100.0 : 0.0;
    double p = job.memberCount ? (f + job.current * 100.0) / (job.memberCount * 100.0) * 100.0 : 0.0;
    if (p > 100.0) p = 100.0;
    // `current` already counts a member finished in this step; `copied` then still
    // describes that member, so only an open member adds its partial bytes.
    size_t at = job.current < doneBefore_.size() ? job.current : doneBefore_.size() - 1;
    uint64_t done = doneBefore_[at] + (job.memberFile ? job.copied : 0);
    uint32_t shown = job.current < job.memberCount ? job.current + 1 : job.memberCount;
    char buf[160];
    std::snprintf(buf, sizeof buf, "%6.2f%%  member %u/%u  %s / %s", p, shown, job.memberCount,
                  formatBytes(done).c_str(), formatBytes(doneBefore_.back()).c_str());
    return buf;
}

void ProgressLine::update(const BuildJob& job) {
    if (!enabled_) return;
    auto now = std::chrono::steady_clock::now();
    if (now < nextDraw_) return;
    nextDraw_ = now + kRedrawInterval;
    std::string text = format(job);
    size_t width = text.size();
    // Pad over the tail of a longer previous line.
    if (drawnWidth_ > width) text.append(drawnWidth_ - width, ' ');
    std::fprintf(out_, "\r%s", text.c_str());
    std::fflush(out_);
    drawnWidth_ = width;
}

void ProgressLine::finish() {
    if (!enabled_ || drawnWidth_ == 0) return;
    std::fprintf(out_, "\r%*s\r", static_cast<int>(drawnWidth_), "");
    std::fflush(out_);
    drawnWidth_ = 0;
}
