#pragma once
// Plays Assets/ondaris.mod through the show's music code (its player settings and its
// snapshot copy) and records what the show sees of it, for the soundtrack's tests.
#include <cstdint>
#include <vector>

#include "music/Player.h"

// One show frame at 60 per second: the clock and the snapshot taken that frame.
struct ShowFrame {
  int32_t timeMs = 0;
  MusicSnapshot music;
};

// How the player is advanced between frames: by the audio device, 4096 sample frames per
// callback, or by the capture, one frame's share of samples (735) per frame.
enum class Feed { DeviceBuffers, FrameShares };

// The frames of one playback; the last one is the frame on which the music ended.
std::vector<ShowFrame> playAsShow(Feed feed);

// A row as the player really plays it, timed to under a millisecond.
struct PlayedRow {
  MusicSnapshot music;
  double startSeconds = 0.0;
  double seconds = 0.0;
};

// Every row of the song, in playing order.
std::vector<PlayedRow> playRows();

// Entries of the module's order list.
int orderCount();

// Interleaved 16-bit stereo, 44100 Hz, to the end of the song.
std::vector<int16_t> renderStereo();
