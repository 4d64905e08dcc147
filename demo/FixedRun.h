#pragma once
#include <cstdint>
#include <vector>

#include "base/MusicSnapshot.h"
#include "demo/ShowPosition.h"

// The show on the fixed frame clock (demo/FrameClock.h) with its music mixed on the caller's
// thread, one frame at a time: how the capture renders, how the show skips to its --start
// position, how the browser's test clock plays and how the tests play the show frame by frame.
// Every such driver steps its frames here, so they all make the same frames.

// The real-time show's frame rate, which a run standing in for it follows.
constexpr int32_t SHOW_FRAME_RATE = 60;

// One frame's share of the music and the player's position once it is mixed.
struct MixedFrame {
    std::vector<uint8_t> sound;
    int32_t mixed = 0;
    MusicSnapshot snapshot;
};

// A run from the music's start. The music is mixed one frame ahead, so that a frame passed over
// knows whether the next one carries its picture forward.
struct FixedRun {
    int32_t fps = SHOW_FRAME_RATE;
    int64_t frame = 0;         // the frame at hand, counted from 0
    MixedFrame current;        // its music
    MixedFrame next;           // the following frame's, once looked ahead to
    MixedFrame stepped;        // the frame stepped last: what a driver writes or shows of it
    bool lookedAhead = false;  // `next` and `last` are known for the frame at hand
    bool last = false;         // the frame at hand ends the run
};

// What one step did.
struct FixedStep {
    bool drew = false;  // the frame was drawn: asked for, or carried into a later one
    bool last = false;  // the run ends with it
};

// Frame 0 at hand, its music mixed from the loaded module; the show clock and scene as when the
// music starts.
void startFixedRun(FixedRun& run, int32_t fps);

// Where the frame at hand ends on the music's clock, in ms.
int32_t fixedFrameEndMs(const FixedRun& run);

// The music of the frame at hand produced nothing: the module is over.
bool fixedRunMusicOver(const FixedRun& run);

// Mixes the following frame's music, unless the frame at hand is the last: the music over, or
// `endHere` (the driver's own end). A last frame's `next` holds its own snapshot. Returns whether
// it is the last. A step looks ahead itself when the driver has not.
bool lookAhead(FixedRun& run, bool endHere);

// The frame at hand on the fixed clock: the clock to its end, the mix counter, then stepShow when
// `draw`, otherwise advanceShow with the next frame's snapshot. The next frame is then at hand,
// and this one in `run.stepped`.
FixedStep stepFixedRun(FixedRun& run, bool draw);

// Runs the loaded show from the music's start up to the first frame at or past `position`,
// drawing only what later frames carry forward, and leaves the clock, the scenes and the player
// there: that frame at hand, its music mixed, not yet stepped. False when the music ends first:
// a position is reached only by a frame whose music still plays.
bool fastForwardShow(const ShowPosition& position, int32_t fps, FixedRun& run);
