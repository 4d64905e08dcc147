#include "demo/FixedRun.h"

#include <utility>

#include "demo/FrameClock.h"
#include "demo/Show.h"
#include "music/Player.h"

namespace {

void mixFrame(int64_t frame, int32_t fps, MixedFrame& out) {
    out.sound.assign(static_cast<size_t>(frameSampleCount(frame, fps)) * AUDIO_BYTES_PER_FRAME, 0);
    out.mixed = ModPlug_Read(modFile, out.sound.data(), static_cast<int>(out.sound.size()));
    copyMusicSnapshot(modFile, out.snapshot);
}

}  // namespace

void startFixedRun(FixedRun& run, int32_t fps) {
    run.fps = fps;
    run.frame = 0;
    run.lookedAhead = false;
    run.last = false;
    mixFrame(0, fps, run.current);
    startCaptureClock();
}

int32_t fixedFrameEndMs(const FixedRun& run) { return frameEndMs(run.frame, run.fps); }

bool fixedRunMusicOver(const FixedRun& run) { return run.current.mixed <= 0; }

bool lookAhead(FixedRun& run, bool endHere) {
    // The show draws the frame that finds the music over, then ends.
    run.last = fixedRunMusicOver(run) || endHere;
    if (run.last) {
        run.next.snapshot = run.current.snapshot;
    } else {
        mixFrame(run.frame + 1, run.fps, run.next);
    }
    run.lookedAhead = true;
    return run.last;
}

FixedStep stepFixedRun(FixedRun& run, bool draw) {
    if (!run.lookedAhead) {
        lookAhead(run, false);
    }
    advanceCaptureClock(run.frame, run.fps);
    audioBytesRead.store(run.current.mixed);
    FixedStep step;
    step.last = run.last;
    if (draw) {
        stepShow(run.current.snapshot);
        step.drew = true;
    } else {
        step.drew = advanceShow(run.current.snapshot, run.next.snapshot);
    }
    // The stepped frame's buffers are kept for the driver; the oldest are mixed into next time.
    std::swap(run.stepped, run.current);
    std::swap(run.current, run.next);
    run.frame += 1;
    run.lookedAhead = false;
    return step;
}

bool fastForwardShow(const ShowPosition& position, int32_t fps, FixedRun& run) {
    startFixedRun(run, fps);
    for (;;) {
        // The music must still play there: a show started on its last, silent frame would end at once.
        if (fixedRunMusicOver(run)) {
            return false;
        }
        if (positionReached(position, fixedFrameEndMs(run), run.current.snapshot)) {
            return true;
        }
        stepFixedRun(run, false);
    }
}
