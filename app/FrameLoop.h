#pragma once
#include <SDL.h>

// Drains the event queue; true when Escape or the window's close request was seen.
bool drainEvents();

// Runs frames until the user quits or the music ends; the frame that sees the end is still drawn.
void runFrameLoop(SDL_AudioDeviceID device);
