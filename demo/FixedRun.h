#pragma once
#include <cstdint>
#include <vector>

#include "base/MusicSnapshot.h"
#include "demo/ShowPosition.h"

// The show on the fixed frame clock (demo/FrameClock.h) with its music mixed on the caller's
// thread: how the capture renders and how the show skips to its --start position.

// The real-time show's frame rate, which a fast-forward for it follows.
constexpr int32_t SHOW_FRAME_RATE = 60;

// One frame's share of the music and the player's position once it is mixed.
struct MixedFrame {
    std::vector<uint8_t> sound;
    int32_t mixed = 0;
    MusicSnapshot snapshot;
};

// Mixes frame `frame`'s samples from `modFile`.
void mixFrame(int64_t frame, int32_t fps, MixedFrame& out);

// Frame `frame` on the fixed clock: the clock to its end, the mix counter, then stepShow when
// `draw`, otherwise advanceShow with the next frame's snapshot. True when the frame was drawn.
bool stepFixedFrame(int64_t frame, int32_t fps, const MixedFrame& current, const MixedFrame& next, bool draw);

// Runs the loaded show from the music's start up to the first frame at or past `position`,
// drawing only what later frames carry forward, and leaves the clock, the scenes and the player
// there; that frame's music is mixed and its snapshot left in `reached`. `frame` is its number.
// False when the music ends first: a position is reached only by a frame whose music still plays.
bool fastForwardShow(const ShowPosition& position, int32_t fps, MixedFrame& reached, int64_t& frame);
