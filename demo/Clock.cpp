#include "demo/Clock.h"

int32_t timeMs = 0;
int32_t deltaMs = 0;
int32_t frameTickMs = 0;
int32_t lastTickMs = 0;
int32_t demoState = SceneOpening;

void startFrameClock(int32_t tick) {
    timeMs = tick;
    lastTickMs = tick;
}

uint32_t advanceFrameClock(int32_t tick) {
    frameTickMs = tick;
    int32_t difference = frameTickMs - lastTickMs;
    timeMs = frameTickMs;
    deltaMs = difference;
    uint32_t sleepMs = 0;
    if (difference < FRAME_PACING_THRESHOLD_MS) {
        sleepMs = static_cast<uint32_t>(FRAME_TARGET_MS - static_cast<float>(difference));
        deltaMs = FRAME_PACING_THRESHOLD_MS;
    }
    lastTickMs = frameTickMs + static_cast<int32_t>(sleepMs);
    return sleepMs;
}

int32_t resumeFrameClock(int32_t tick) {
    lastTickMs = timeMs;
    return timeMs - tick;
}

bool frameIsDue(int32_t tick) { return tick - lastTickMs >= FRAME_PACING_THRESHOLD_MS - FRAME_PACING_THRESHOLD_MS / 4; }
