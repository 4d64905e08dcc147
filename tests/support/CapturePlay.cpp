#include "support/CapturePlay.h"

#include <cstdio>

#include "capture/FrameHashes.h"
#include "capture/FrameImage.h"
#include "demo/Clock.h"
#include "demo/FixedRun.h"

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
    FixedRun run;
    startFixedRun(run, SHOW_FRAME_RATE);
    for (;;) {
        const FixedStep step = stepFixedRun(run, true);
        readOffscreenWindow(window, image, scratch);
        const MixedFrame& frame = run.stepped;
        hashes.push_back({hashBytes(image.rgb.data(), image.rgb.size()),
                          hashBytes(frame.sound.data(), frame.sound.size()), frame.snapshot.order, frame.snapshot.row,
                          demoState});
        if (step.last) {
            return hashes;
        }
    }
}
