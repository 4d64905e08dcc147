#pragma once
#include <SDL.h>

// Drains the event queue; true when Escape or the window's close request was seen.
bool drainEvents();

struct ShaderWatch;

// Runs frames until the user quits or the music ends; the frame that sees the end is still drawn.
// `tickShiftMs` is added to SDL's ticks (a show started with --start keeps the clock it skipped
// ahead with); `watch`, when given, reloads the shaders whose files changed.
void runFrameLoop(SDL_AudioDeviceID device, int32_t tickShiftMs, ShaderWatch* watch);
