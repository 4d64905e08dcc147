#pragma once
#include <SDL.h>

#include "music/MusicFeed.h"
#include "music/Player.h"

// SDL's pull callback: mixes the next buffer from the player into the show's music timeline.
void audioCallback(void* userdata, Uint8* stream, int length);

// Opens the default output device, paused. Without one, falls back to SDL's silent
// "dummy" driver so the music still advances in real time. Returns 0 if even that fails.
SDL_AudioDeviceID openAudioDevice();

// The frame loop's snapshot: the state heard now, looked up in the timeline under the audio device's lock.
MusicSnapshot readMusicSnapshot(SDL_AudioDeviceID device);
