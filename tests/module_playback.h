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

// How a frame's snapshot is made. AudibleDevice: the show's audio callback mixes 4096-frame
// buffers into the music timeline as a device asks for them, one as the last one has played,
// and each frame shows the state heard at its moment. FrameShares: the capture mixes one
// frame's share of samples (735) per frame and shows the player's state after it.
enum class Feed { AudibleDevice, FrameShares };

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
