#pragma once
#include <SDL.h>

#include "music/MusicFeed.h"
#include "music/Player.h"

// SDL's pull callback: mixes the next buffer from the player into the show's music timeline.
void audioCallback(void* userdata, Uint8* stream, int length);

// Opens the default output device, paused. Without one, falls back to SDL's silent
// "dummy" driver so the music still advances in real time. Returns 0 if even that fails.
SDL_AudioDeviceID openAudioDevice();

// What the frame loop reads of the music, looked up in the timeline under the audio device's lock.
struct HeardMusic {
    int64_t atUs = 0;        // when it was read, on SDL's high-resolution clock in microseconds
    int64_t frame = 0;       // the sample frame heard `leadUs` later (--av-offset included)
    MusicSnapshot snapshot;  // the state recorded for that sample
};

// The music heard `leadUs` from now: for a frame, the time it is expected to reach the screen.
HeardMusic readHeardMusic(SDL_AudioDeviceID device, int64_t leadUs);
