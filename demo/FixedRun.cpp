#include "demo/FixedRun.h"

#include <utility>

#include "demo/FrameClock.h"
#include "demo/Show.h"
#include "music/Player.h"

void mixFrame(int64_t frame, int32_t fps, MixedFrame& out) {
    out.sound.assign(static_cast<size_t>(frameSampleCount(frame, fps)) * AUDIO_BYTES_PER_FRAME, 0);
    out.mixed = ModPlug_Read(modFile, out.sound.data(), static_cast<int>(out.sound.size()));
    copyMusicSnapshot(modFile, out.snapshot);
}

bool stepFixedFrame(int64_t frame, int32_t fps, const MixedFrame& current, const MixedFrame& next, bool draw) {
    advanceCaptureClock(frame, fps);
    audioBytesRead.store(current.mixed);
    if (draw) {
        stepShow(current.snapshot);
        return true;
    }
    return advanceShow(current.snapshot, next.snapshot);
}

bool fastForwardShow(const ShowPosition& position, int32_t fps, MixedFrame& reached, int64_t& frame) {
    // The music runs one frame ahead, as in the capture, so a skipped frame knows whether its
    // picture is carried into the next one.
    MixedFrame current;
    MixedFrame next;
    mixFrame(0, fps, current);
    startCaptureClock();
    for (frame = 0;; ++frame) {
        // The music must still play there: a show started on its last, silent frame would end at once.
        if (current.mixed <= 0) {
            return false;
        }
        if (positionReached(position, frameEndMs(frame, fps), current.snapshot)) {
            reached = std::move(current);
            return true;
        }
        mixFrame(frame + 1, fps, next);
        stepFixedFrame(frame, fps, current, next, false);
        std::swap(current, next);
    }
}
