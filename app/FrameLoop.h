#pragma once
#include <string>

#include <SDL.h>

#include "app/ShowOptions.h"

// Drains the event queue; true when Escape or the window's close request was seen. A new window
// size reaches the engine here, so the frame drawn next fits it.
bool drainEvents();

// Starts the music from the loaded module. With --start the show first runs unseen up to that
// position, as the capture does, and says where it stands; `tickShiftMs` is then what to add to
// SDL's ticks so the show clock runs on from there. Then the timeline, the frame clock and the
// sound. False, with the reason, when the music ends before the --start position.
bool startPlaying(SDL_AudioDeviceID device, const ShowOptions& options, int32_t& tickShiftMs, std::string& error);

// Runs frames until the user quits or the music ends; the frame that sees the end is still drawn.
// With --loop the show starts again, from its first frame or its --start position, instead of
// ending; with --watch the shaders whose files changed are built again. False, with the reason,
// when it could not start again.
bool runFrameLoop(SDL_AudioDeviceID device, const ShowOptions& options, int32_t tickShiftMs, std::string& error);
