#include <gtest/gtest.h>

#include "demo/Clock.h"

namespace {

// A frame loop on a simulated millisecond clock: `workMs` of work per frame, no vertical sync.
struct SimulatedLoop {
    int32_t now = 5000;
    int64_t deltaSum = 0;
    int frames = 0;

    explicit SimulatedLoop(int32_t start) : now(start) { startFrameClock(now); }

    void frame(int32_t workMs) {
        uint32_t sleepMs = advanceFrameClock(now);
        EXPECT_EQ(timeMs, frameTickMs) << "the show clock is the frame's tick";
        now += static_cast<int32_t>(sleepMs) + workMs;
        deltaSum += deltaMs;
        ++frames;
    }
};

}  // namespace

TEST(FrameClock, LongFrameReportsMeasuredDeltaAndDoesNotSleep) {
    startFrameClock(1000);
    EXPECT_EQ(advanceFrameClock(1040), 0u);
    EXPECT_EQ(deltaMs, 40);
    EXPECT_EQ(timeMs, 1040);
    EXPECT_EQ(advanceFrameClock(1056), 0u) << "exactly 16 ms is not paced";
    EXPECT_EQ(deltaMs, 16);
}

TEST(FrameClock, ShortFramesSleepTheRestOfSixteenMilliseconds) {
    startFrameClock(1000);
    EXPECT_EQ(advanceFrameClock(1000), 16u);
    EXPECT_EQ(deltaMs, 16);
    startFrameClock(1000);
    EXPECT_EQ(advanceFrameClock(1015), 1u);
    EXPECT_EQ(deltaMs, 16);
}

TEST(FrameClock, SleepIsCountedInTheFrameThatSlept) {
    startFrameClock(1000);
    ASSERT_EQ(advanceFrameClock(1005), 11u);
    EXPECT_EQ(lastTickMs, 1016);
    // The next frame measures only the work done after the sleep ended.
    advanceFrameClock(1021);
    EXPECT_EQ(deltaMs, 16);
    EXPECT_EQ(timeMs, 1021);
}

TEST(FrameClock, LightWorkWithoutVsyncHoldsAboutSixtyFramesASecond) {
    SimulatedLoop loop(5000);
    const int32_t start = loop.now;
    while (loop.now - start < 10000) {
        loop.frame(5);
    }
    double seconds = (loop.now - start) / 1000.0;
    double fps = loop.frames / seconds;
    EXPECT_NEAR(fps, 60.0, 3.0);
    EXPECT_NEAR(static_cast<double>(loop.deltaSum), loop.now - start, 0.05 * (loop.now - start))
        << "deltaMs must add up to real time, or everything driven by it runs fast";
}

TEST(FrameClock, HeavyFramesAreMeasuredNotPaced) {
    SimulatedLoop loop(0);
    for (int i = 0; i < 50; ++i) {
        loop.frame(i % 2 == 0 ? 40 : 25);
    }
    // The first frame slept 16 ms; every later one reports the previous frame's real length,
    // so the sum lacks only the last frame's work, which no frame has measured yet.
    EXPECT_EQ(loop.deltaSum, loop.now - 25);
}

TEST(FrameClock, ResumingAfterASkipRunsTheShowClockOnWithoutAJump) {
    // The skip left the show clock at 152,350 ms; real time is 4,000 ms since SDL started.
    startFrameClock(1000);
    advanceFrameClock(152350);
    const int32_t shift = resumeFrameClock(4000);
    EXPECT_EQ(shift, 148350);
    EXPECT_EQ(timeMs, 152350);

    // The first real frame 5 ms later is paced like any short frame, from where the skip stopped.
    EXPECT_EQ(advanceFrameClock(4005 + shift), 11u);
    EXPECT_EQ(timeMs, 152355);
    EXPECT_EQ(deltaMs, 16);
    // The next frame took 16 ms of work after that sleep.
    EXPECT_EQ(advanceFrameClock(4005 + 11 + 16 + shift), 0u);
    EXPECT_EQ(timeMs, 152382);
    EXPECT_EQ(deltaMs, 16);
}

namespace {

// The browser's loop on a simulated clock: a call every display refresh, a frame where one is due.
struct BrowserLoop {
    int frames = 0;
    int64_t deltaSum = 0;

    void run(double refreshHz, int32_t start, int32_t durationMs) {
        startFrameClock(start);
        for (int call = 1;; ++call) {
            const auto now = start + static_cast<int32_t>(call * 1000.0 / refreshHz);
            if (now - start > durationMs) {
                return;
            }
            if (frameIsDue(now)) {
                advanceFrameClock(now);
                deltaSum += deltaMs;
                ++frames;
            }
        }
    }
};

}  // namespace

TEST(FrameClock, BrowserRefreshesOfSixtyHzDrawEveryOne) {
    BrowserLoop loop;
    loop.run(60.0, 2000, 10000);
    EXPECT_EQ(loop.frames, 600) << "a refresh a millisecond early must not drop a frame";
    EXPECT_NEAR(static_cast<double>(loop.deltaSum), 10000.0, 200.0);
}

TEST(FrameClock, BrowserRefreshesOfFastDisplaysStillGiveAboutSixtyFrames) {
    for (double hz : {120.0, 144.0, 240.0}) {
        BrowserLoop loop;
        loop.run(hz, 0, 10000);
        EXPECT_NEAR(loop.frames / 10.0, 60.0, 8.0) << hz << " Hz";
        EXPECT_NEAR(static_cast<double>(loop.deltaSum), 10000.0, 500.0)
            << hz << " Hz: deltaMs must add up to real time";
    }
}

TEST(FrameClock, BrowserSlowRefreshesDrawEveryCallAndMeasureIt) {
    BrowserLoop loop;
    loop.run(30.0, 0, 3000);
    EXPECT_EQ(loop.frames, 90);
    EXPECT_NEAR(static_cast<double>(loop.deltaSum), 3000.0, 40.0);
}
