#pragma once
#include <cstdint>

// Milliseconds of music played by the end of frame `frame` (from 0): (frame + 1) x 1000 / fps,
// rounded down, so the clock never drifts from the frame count.
int32_t frameEndMs(int64_t frame, int32_t fps);

// Sample frames (44100 a second) that belong to frame `frame`: the steps of
// (frame + 1) x 44100 / fps rounded down, so the total over any run is exact.
int32_t frameSampleCount(int64_t frame, int32_t fps);

// Starts the show clock where the show's stands when its music starts, as if set-up had taken no
// time and the pre-roll its PRE_ROLL_MS, and enters the first scene.
void startCaptureClock();

// Advances the show clock to the end of frame `frame` through the frame loop's own clock step.
void advanceCaptureClock(int64_t frame, int32_t fps);
