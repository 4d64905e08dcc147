#pragma once
#include <cstdint>

// Where the show clock stands when the music starts: as if set-up and the one-second
// pre-roll had taken exactly one second.
constexpr int32_t CAPTURE_START_MS = 1000;

// Milliseconds of music played by the end of frame `frame` (from 0): (frame + 1) x 1000 / fps,
// rounded down, so the clock never drifts from the frame count.
int32_t frameEndMs(int64_t frame, int32_t fps);

// Sample frames (44100 a second) that belong to frame `frame`: the steps of
// (frame + 1) x 44100 / fps rounded down, so the total over any run is exact.
int32_t frameSampleCount(int64_t frame, int32_t fps);

// Starts the show clock at CAPTURE_START_MS and enters the first scene, as the show does when its music starts.
void startCaptureClock();

// Advances the show clock to the end of frame `frame` through the frame loop's own clock step.
void advanceCaptureClock(int64_t frame, int32_t fps);
