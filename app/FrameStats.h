#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "base/MusicSnapshot.h"

// The --stats report, for whoever runs the show on the machine of a party: how evenly its frames
// reached the screen and how far the sound ran ahead of them. Times go into fixed histograms of
// 0.1 ms steps, made when the show starts, so that a frame records without allocating however
// long the show runs (--loop).

constexpr int64_t STATS_STEP_US = 100;
// Frame times up to 2 s; a longer one counts as 2 s in the percentiles (the worst is kept exactly).
constexpr int32_t FRAME_TIME_STEPS = 20000;
// The sound's lead from -1 s to 1 s, the same bound as --av-offset's.
constexpr int32_t SOUND_LEAD_STEPS = 20001;
// The refresh interval taken when the display does not say: the show's 60 frames a second.
constexpr int64_t ASSUMED_REFRESH_US = 16667;

struct FrameStats {
    int64_t refreshUs = ASSUMED_REFRESH_US;
    bool refreshKnown = false;
    std::vector<uint32_t> frameTimes;  // time from one frame's swap to the next one's
    std::vector<uint32_t> soundLeads;  // sound heard when a frame is shown, minus the sound it shows
    std::vector<uint32_t> aims;        // how far ahead of its drawing a frame looked up its music
    int64_t frames = 0;
    int64_t slowFrames = 0;  // frame times over 1.5 refresh intervals
    int64_t worstUs = 0;
    int32_t worstOrder = 0;
    int32_t worstRow = 0;
    int64_t lastShownUs = -1;  // the previous frame's swap; -1 when no interval runs
};

// Starts the report; `refreshUs` is the display's refresh interval, 0 when SDL does not know it.
void startFrameStats(FrameStats& stats, int64_t refreshUs);

// A frame whose swap returned at `shownUs`, showing `music`, aimed `aimUs` ahead of its drawing;
// the sound heard when it was shown was `soundLeadUs` ahead of the sound it shows.
void recordShownFrame(FrameStats& stats, int64_t shownUs, const MusicSnapshot& music, int64_t aimUs,
                      int64_t soundLeadUs);

// The next frame starts no frame time: the show starts again (--loop) after a pause of its own.
void pauseFrameStats(FrameStats& stats);

// The report's lines.
std::string frameStatsReport(const FrameStats& stats);
