#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

#include "demo/Clock.h"
#include "demo/FrameClock.h"
#include "music/Player.h"

TEST(CaptureClock, SixtyFramesASecondStepSixteenOrSeventeenAndNeverDrift) {
    EXPECT_EQ(frameEndMs(0, 60), 16);
    EXPECT_EQ(frameEndMs(1, 60), 33);
    EXPECT_EQ(frameEndMs(2, 60), 50);
    // Ten minutes of frames.
    for (int64_t frame = 1; frame < 36000; ++frame) {
        int32_t step = frameEndMs(frame, 60) - frameEndMs(frame - 1, 60);
        ASSERT_TRUE(step == 16 || step == 17) << frame;
        double exact = static_cast<double>(frame + 1) * 1000.0 / 60.0;
        ASSERT_LT(std::fabs(frameEndMs(frame, 60) - exact), 1.0) << frame;
    }
}

TEST(CaptureClock, EveryRateCarriesExactlyItsShareOfTheMusic) {
    for (int32_t fps : {60, 30, 24, 7}) {
        int64_t total = 0;
        int32_t smallest = 1 << 30;
        int32_t largest = 0;
        const int64_t frames = 4 * 60 * fps;  // four minutes
        for (int64_t frame = 0; frame < frames; ++frame) {
            int32_t count = frameSampleCount(frame, fps);
            smallest = std::min(smallest, count);
            largest = std::max(largest, count);
            total += count;
            // Where the sound stands after this frame is where the picture stands, to the sample.
            ASSERT_EQ(total, (frame + 1) * AUDIO_FREQUENCY / fps) << fps << " " << frame;
        }
        EXPECT_EQ(total, static_cast<int64_t>(4 * 60) * AUDIO_FREQUENCY) << fps;
        EXPECT_LE(largest - smallest, 1) << fps;
    }
}

TEST(CaptureClock, DrivesTheShowClockThroughTheFrameLoopStep) {
    demoState = -1;
    startCaptureClock();
    EXPECT_EQ(demoState, 0);
    EXPECT_EQ(timeMs, PRE_ROLL_MS);
    int32_t previous = timeMs;
    for (int64_t frame = 0; frame < 600; ++frame) {
        advanceCaptureClock(frame, 60);
        ASSERT_EQ(timeMs, PRE_ROLL_MS + frameEndMs(frame, 60));
        // The show measures 16 or 17 ms frames and takes them as they are.
        ASSERT_EQ(deltaMs, timeMs - previous) << frame;
        previous = timeMs;
    }
    startCaptureClock();
    for (int64_t frame = 0; frame < 300; ++frame) {
        advanceCaptureClock(frame, 30);
        ASSERT_EQ(timeMs, PRE_ROLL_MS + frameEndMs(frame, 30));
        ASSERT_TRUE(deltaMs == 33 || deltaMs == 34) << deltaMs;
    }
}
