#include "demo/FrameClock.h"

#include "demo/Clock.h"
#include "music/Player.h"

int32_t frameEndMs(int64_t frame, int32_t fps) { return static_cast<int32_t>((frame + 1) * 1000 / fps); }

int32_t frameSampleCount(int64_t frame, int32_t fps) {
    int64_t end = (frame + 1) * AUDIO_FREQUENCY / fps;
    int64_t start = frame * AUDIO_FREQUENCY / fps;
    return static_cast<int32_t>(end - start);
}

void startCaptureClock() {
    demoState = SceneOpening;
    startFrameClock(PRE_ROLL_MS);
}

void advanceCaptureClock(int64_t frame, int32_t fps) {
    // The returned sleep is the show's pacing; a fixed clock has nothing to wait for.
    advanceFrameClock(PRE_ROLL_MS + frameEndMs(frame, fps));
}
