#pragma once
#include <cstdint>

#include <SDL.h>

constexpr float FRAME_TARGET_MS = 16.666668f;
constexpr int32_t FRAME_PACING_THRESHOLD_MS = 16;

// Advances the clocks for a frame that began at `tick` and returns how long to sleep.
// A sleep is counted in the frame that slept, so the loop holds about 60 frames a
// second even without vertical sync or on faster displays.
uint32_t advanceFrameClock(int32_t tick);

// Starts the clocks at the tick when the music starts.
void startFrameClock(int32_t tick);

// Drains the event queue; true when Escape or the window's close request was seen.
bool drainEvents();

// Runs frames until the user quits or the music ends; the frame that sees the end is still drawn.
void runFrameLoop(SDL_AudioDeviceID device);
