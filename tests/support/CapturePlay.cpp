#include "support/CapturePlay.h"

#include <cstdio>
#include <utility>

#include "capture/FrameHashes.h"
#include "capture/FrameImage.h"
#include "demo/Clock.h"
#include "demo/FixedRun.h"
#include "demo/FrameClock.h"

std::string describe(const FrameHash& frame) {
    char text[96];
    std::snprintf(text, sizeof text, "order %d row %d scene %d, picture %016llx sound %016llx", frame.order, frame.row,
                  frame.scene, static_cast<unsigned long long>(frame.picture),
                  static_cast<unsigned long long>(frame.sound));
    return text;
}

std::vector<FrameHash> playOnCaptureClock(const OffscreenWindow& window) {
    std::vector<FrameHash> hashes;
    FrameImage image;
    std::vector<uint8_t> scratch;
    MixedFrame current;
    MixedFrame next;
    mixFrame(0, SHOW_FRAME_RATE, current);
    startCaptureClock();
    for (int64_t frame = 0;; ++frame) {
        bool last = current.mixed <= 0;
        if (!last) {
            mixFrame(frame + 1, SHOW_FRAME_RATE, next);
        }
        stepFixedFrame(frame, SHOW_FRAME_RATE, current, next, true);
        readOffscreenWindow(window, image, scratch);
        hashes.push_back({hashBytes(image.rgb.data(), image.rgb.size()),
                          hashBytes(current.sound.data(), current.sound.size()), current.snapshot.order,
                          current.snapshot.row, demoState});
        if (last) {
            return hashes;
        }
        std::swap(current, next);
    }
}
