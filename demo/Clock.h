#pragma once
#include <cstdint>

// Show clock and state, all in milliseconds; the real-time loop feeds it SDL's tick count,
// the capture a fixed frame clock.
extern int32_t timeMs;
extern int32_t deltaMs;
extern int32_t frameTickMs;  // the tick the current frame read; timeMs equals it after the clock step
extern int32_t lastTickMs;
// The show step: one of the Scene values below.
extern int32_t demoState;

// The values of `demoState`: the pre-roll, then the seven scenes in the order they play.
enum Scene : int32_t {
    ScenePreRoll = -1,
    SceneOpening = 0,
    SceneBeach = 1,
    SceneCredits = 2,
    SceneShatter = 3,
    SceneGreetings = 4,
    SceneParrot = 5,
    SceneFinale = 6,
};

// The pause between the end of loading and the music's start, when `demoState` is ScenePreRoll:
// the show sleeps it, the browser waits it out over its frames, and a fixed-clock run starts its
// clock where it ends.
constexpr int32_t PRE_ROLL_MS = 1000;

constexpr float FRAME_TARGET_MS = 16.666668f;
constexpr int32_t FRAME_PACING_THRESHOLD_MS = 16;

// Starts the clocks at the tick when the music starts.
void startFrameClock(int32_t tick);

// Advances the clocks for a frame that began at `tick` and returns how long to sleep.
// A sleep is counted in the frame that slept, so the loop holds about 60 frames a
// second even without vertical sync or on faster displays.
uint32_t advanceFrameClock(int32_t tick);

// Carries the clocks on from where a fast-forward left them, at the real tick `tick`: returns
// what to add to every later tick so that `timeMs` runs on without a jump.
int32_t resumeFrameClock(int32_t tick);

// For a driver that cannot sleep (the browser calls it once per display refresh): true when a
// frame may begin at `tick`. A call that comes more than a quarter frame early is skipped and
// waiting for the next one stands in for the sleep, so 120 and 144 Hz displays still get about
// 60 frames a second while a 60 Hz display's slightly early calls still draw.
bool frameIsDue(int32_t tick);
