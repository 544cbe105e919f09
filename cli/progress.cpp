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

std::string formatDuration(uint64_t seconds) {
    char buf[32];
    if (seconds < 3600)
        std::snprintf(buf, sizeof buf, "%u:%02u", static_cast<unsigned>(seconds / 60),
                      static_cast<unsigned>(seconds % 60));
    else
        std::snprintf(buf, sizeof buf, "%llu:%02u:%02u", static_cast<unsigned long long>(seconds / 3600),
                      static_cast<unsigned>(seconds / 60 % 60), static_cast<unsigned>(seconds % 60));
    return buf;
}

ProgressLine::ProgressLine(bool enabled, std::FILE* out, const std::vector<uint64_t>& sizes)
    : enabled_(enabled), out_(out), progress_(sizes), start_(std::chrono::steady_clock::now()),
      nextDraw_(start_ + kFirstDraw) {}

std::string ProgressLine::format(const BuildJob& job, std::chrono::steady_clock::duration elapsed) const {
    const uint64_t done = progress_.bytesDone(job);
    const uint64_t total = progress_.totalBytes();
    const uint32_t shown = job.current < job.memberCount ? job.current + 1 : job.memberCount;
    std::string text(160, '\0');
    text.resize(static_cast<size_t>(std::snprintf(text.data(), text.size(), "%6.2f%%  member %u/%u  %s / %s",
                                                  progress_.percent(job), shown, job.memberCount,
                                                  formatBytes(done).c_str(), formatBytes(total).c_str())));
    const double seconds = std::chrono::duration<double>(elapsed).count();
    if (done != 0 && seconds > 0.0) {
        const double rate = static_cast<double>(done) / seconds;
        const auto left = static_cast<uint64_t>(static_cast<double>(total - done) / rate + 0.5);
        text += "  " + formatBytes(static_cast<uint64_t>(rate)) + "/s  " + formatDuration(left) + " left";
    }
    return text;
}

void ProgressLine::update(const BuildJob& job) {
    if (!enabled_) return;
    auto now = std::chrono::steady_clock::now();
    if (now < nextDraw_) return;
    nextDraw_ = now + kRedrawInterval;
    std::string text = format(job, now - start_);
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
