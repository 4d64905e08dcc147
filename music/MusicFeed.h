#pragma once
#include <cstdint>

#include <libmodplug/modplug.h>

#include "music/MusicTimeline.h"

// The show's timeline of the music: the audio callback feeds it, the frame loop reads it.
extern MusicTimeline musicTimeline;

// The audio callback's work: mixes `length` bytes from the player in chunks of
// MUSIC_CHUNK_FRAMES, records the player's state after each, and fills what the song no longer
// gives with silence. The samples are those of one read of the whole buffer. Returns the bytes
// the player produced: 0 exactly when one read would, and in the song's last buffer possibly
// less than one read counts (a read that goes on past the end counts the silence after it).
int32_t mixDeviceBuffer(ModPlugFile* player, MusicTimeline& timeline, uint8_t* stream, int32_t length, int64_t nowUs);

// Starts the show's timeline at the state of the loaded `modFile`; the offset moves the heard sample.
void startMusicTimeline(int32_t avOffsetMs);
