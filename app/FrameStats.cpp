#include "app/FrameStats.h"

#include <algorithm>
#include <cstdio>

namespace {

int32_t stepOf(int64_t us, int64_t lowestUs, int32_t steps) {
    return static_cast<int32_t>(std::clamp<int64_t>((us - lowestUs) / STATS_STEP_US, 0, steps - 1));
}

// The value in ms below which `fraction` of the counts lie, to its step (values are cut to 0.1 ms).
double percentileMs(const std::vector<uint32_t>& histogram, double fraction, int64_t lowestUs) {
    uint64_t total = 0;
    for (const uint32_t count : histogram) {
        total += count;
    }
    const auto wanted = static_cast<uint64_t>(fraction * static_cast<double>(total));
    uint64_t seen = 0;
    for (size_t step = 0; step < histogram.size(); ++step) {
        seen += histogram[step];
        if (seen > wanted) {
            return static_cast<double>(lowestUs + static_cast<int64_t>(step) * STATS_STEP_US) / 1000.0;
        }
    }
    return 0.0;
}

std::string format(const char* pattern, double a, double b = 0, double c = 0) {
    char text[160];
    std::snprintf(text, sizeof text, pattern, a, b, c);
    return text;
}

constexpr int64_t LOWEST_LEAD_US = -static_cast<int64_t>(SOUND_LEAD_STEPS / 2) * STATS_STEP_US;

}  // namespace

void startFrameStats(FrameStats& stats, int64_t refreshUs) {
    stats = FrameStats{};
    stats.refreshKnown = refreshUs > 0;
    stats.refreshUs = stats.refreshKnown ? refreshUs : ASSUMED_REFRESH_US;
    stats.frameTimes.assign(FRAME_TIME_STEPS, 0);
    stats.soundLeads.assign(SOUND_LEAD_STEPS, 0);
    stats.aims.assign(FRAME_TIME_STEPS, 0);
}

void recordShownFrame(FrameStats& stats, int64_t shownUs, const MusicSnapshot& music, int64_t aimUs,
                      int64_t soundLeadUs) {
    stats.frames += 1;
    stats.soundLeads[static_cast<size_t>(stepOf(soundLeadUs, LOWEST_LEAD_US, SOUND_LEAD_STEPS))] += 1;
    stats.aims[static_cast<size_t>(stepOf(aimUs, 0, FRAME_TIME_STEPS))] += 1;
    const int64_t previous = stats.lastShownUs;
    stats.lastShownUs = shownUs;
    if (previous < 0) {
        return;
    }
    const int64_t frameUs = shownUs - previous;
    stats.frameTimes[static_cast<size_t>(stepOf(frameUs, 0, FRAME_TIME_STEPS))] += 1;
    if (2 * frameUs > 3 * stats.refreshUs) {
        stats.slowFrames += 1;
    }
    if (frameUs > stats.worstUs) {
        stats.worstUs = frameUs;
        stats.worstOrder = music.order;
        stats.worstRow = music.row;
    }
}

void pauseFrameStats(FrameStats& stats) { stats.lastShownUs = -1; }

std::string frameStatsReport(const FrameStats& stats) {
    const double refreshMs = static_cast<double>(stats.refreshUs) / 1000.0;
    std::string report =
        "Stats: " + std::to_string(stats.frames) + " frames; frame time median " +
        format("%.1f ms, 99th percentile %.1f ms, worst %.1f ms", percentileMs(stats.frameTimes, 0.5, 0),
               percentileMs(stats.frameTimes, 0.99, 0), static_cast<double>(stats.worstUs) / 1000.0) +
        " at " + std::to_string(stats.worstOrder) + ":" + std::to_string(stats.worstRow) + "; " +
        std::to_string(stats.slowFrames) + " over " + format("%.1f ms", 1.5 * refreshMs) +
        format(" (1.5 refresh intervals of %.1f ms", refreshMs) +
        (stats.refreshKnown ? ")" : ", 60 Hz taken: the display does not say)") + "\n";
    report +=
        "Stats: sound ahead of the picture as each frame is shown: median " +
        format("%.1f ms, 1st to 99th percentile %.1f to %.1f ms", percentileMs(stats.soundLeads, 0.5, LOWEST_LEAD_US),
               percentileMs(stats.soundLeads, 0.01, LOWEST_LEAD_US),
               percentileMs(stats.soundLeads, 0.99, LOWEST_LEAD_US)) +
        format("; frames aimed %.1f ms ahead of their drawing (median)\n", percentileMs(stats.aims, 0.5, 0));
    return report;
}
