#pragma once
#include <string>

#include <SDL.h>

#include "app/ShowOptions.h"

// Drains the event queue; true when Escape or the window's close request was seen. A new window
// size reaches the engine here, so the frame drawn next fits it.
bool drainEvents();

// Starts the music from the loaded module: its timeline, the frame clock, then the sound.
void startPlaying(SDL_AudioDeviceID device, int32_t avOffsetMs);

// Runs frames until the user quits or the music ends; the frame that sees the end is still drawn.
// With --loop the show starts again from its first frame instead of ending. False, with the
// reason, when it could not start again.
bool runFrameLoop(SDL_AudioDeviceID device, const ShowOptions& options, std::string& error);
