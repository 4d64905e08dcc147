#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "app/FrameStats.h"
#include "app/Presentation.h"
#include "support/TestModule.h"

namespace {

// The figures of the report's first line, in its order.
struct FrameLine {
    long frames = 0;
    double median = 0;
    double percentile99 = 0;
    double worst = 0;
    int order = 0;
    int row = 0;
    long slow = 0;
};

FrameLine readFrameLine(const std::string& report) {
    FrameLine line;
    EXPECT_EQ(
        std::sscanf(report.c_str(),
                    "Stats: %ld frames; frame time median %lf ms, 99th percentile %lf ms, worst %lf ms at "
                    "%d:%d; %ld over",
                    &line.frames, &line.median, &line.percentile99, &line.worst, &line.order, &line.row, &line.slow),
        7)
        << report;
    return line;
}

}  // namespace

TEST(PresentationDelay, TheMedianOfTheLatestFramesSoOneStallDoesNotMoveTheAim) {
    PresentationDelay delay;
    EXPECT_EQ(expectedPresentationUs(delay), 0) << "no frame yet: the moment of drawing";
    for (int frame = 0; frame < 20; ++frame) {
        recordPresentation(delay, frame * 16667, frame * 16667 + 15000 + (frame % 3) * 500);
    }
    EXPECT_EQ(expectedPresentationUs(delay), 15500);
    recordPresentation(delay, 400000, 650000);  // a frame that took a quarter second
    EXPECT_EQ(expectedPresentationUs(delay), 15500);
    for (int frame = 0; frame < PRESENTATION_HISTORY; ++frame) {
        recordPresentation(delay, 0, 4000);  // the display now shows a frame as it is swapped
    }
    EXPECT_EQ(expectedPresentationUs(delay), 4000) << "the latest frames only";
    recordPresentation(delay, 1000, 500);
    EXPECT_GE(expectedPresentationUs(delay), 0) << "a clock step backwards is no negative delay";
}

TEST(FrameStats, MedianPercentileWorstAndSlowFramesAtTheirPosition) {
    FrameStats stats;
    startFrameStats(stats, 16667, 28);
    int64_t shown = 1000000;
    for (int frame = 0; frame < 300; ++frame) {
        // Every 100th frame comes a refresh late; one frame at 8:0 takes 96 ms.
        const int64_t frameUs = frame == 150 ? 96000 : (frame % 100 == 99 ? 33333 : 16667);
        shown += frameUs;
        recordShownFrame(stats, shown, snapshotAt(frame == 150 ? 8 : 7, frame % 64), 16000,
                         frame % 2 == 0 ? 1000 : 3000);
    }
    const std::string report = frameStatsReport(stats);
    const FrameLine line = readFrameLine(report);
    EXPECT_EQ(line.frames, 300);
    EXPECT_NEAR(line.median, 16.6, 0.01) << "cut to 0.1 ms";
    EXPECT_NEAR(line.percentile99, 33.3, 0.01);
    EXPECT_NEAR(line.worst, 96.0, 0.01);
    EXPECT_EQ(line.order, 8);
    EXPECT_EQ(line.row, 150 % 64);
    EXPECT_EQ(line.slow, 3 + 1) << "frames over 25 ms: the three late ones and the long one";
    EXPECT_NE(report.find("(1.5 refresh intervals of 16.7 ms)"), std::string::npos) << report;
    double median = 0;
    double low = 0;
    double high = 0;
    double aim = 0;
    const size_t second = report.find("\nStats: sound");
    ASSERT_NE(second, std::string::npos) << report;
    ASSERT_EQ(std::sscanf(report.c_str() + second,
                          "\nStats: sound ahead of the picture as each frame is shown: median %lf ms, 1st to 99th "
                          "percentile %lf to %lf ms; frames aimed %lf ms ahead",
                          &median, &low, &high, &aim),
              4)
        << report;
    EXPECT_NEAR(median, 3.0, 0.01) << "half the frames 1 ms, half 3 ms";
    EXPECT_NEAR(low, 1.0, 0.01);
    EXPECT_NEAR(high, 3.0, 0.01);
    EXPECT_NEAR(aim, 16.0, 0.01);
}

TEST(FrameStats, ARestartStartsNoFrameTimeAndAnUnknownDisplayIsTakenAt60Hz) {
    FrameStats stats;
    startFrameStats(stats, 0, 28);
    recordShownFrame(stats, 1000000, snapshotAt(0, 0), 0, 0);
    recordShownFrame(stats, 1020000, snapshotAt(0, 1), 0, 0);
    pauseFrameStats(stats);
    recordShownFrame(stats, 3000000, snapshotAt(0, 0), 0, 0);  // two seconds later, the show started again
    recordShownFrame(stats, 3020000, snapshotAt(0, 1), 0, 0);
    const std::string report = frameStatsReport(stats);
    const FrameLine line = readFrameLine(report);
    EXPECT_EQ(line.frames, 4);
    EXPECT_NEAR(line.worst, 20.0, 0.01) << "the pause is no frame";
    EXPECT_EQ(line.slow, 0);
    EXPECT_NE(report.find("60 Hz taken: the display does not say"), std::string::npos) << report;
}

// The frame drawn as the music ends shows the player's position after the last row, order 28 of a
// 28-order song, which names no position; under load it is often the slowest.
TEST(FrameStats, AWorstFrameAsTheMusicEndsIsNamedSo) {
    FrameStats stats;
    startFrameStats(stats, 16667, 28);
    recordShownFrame(stats, 1000000, snapshotAt(27, 63), 0, 0);
    recordShownFrame(stats, 1016667, snapshotAt(27, 63), 0, 0);
    recordShownFrame(stats, 1116667, snapshotAt(28, 0), 0, 0);
    const std::string report = frameStatsReport(stats);
    EXPECT_NE(report.find("worst 100.0 ms at the music's end; 1 over 25.0 ms"), std::string::npos) << report;
    EXPECT_EQ(report.find("28:0"), std::string::npos) << report;
}
