#include <cmath>
#include <vector>

#include "demo_timeline_driver.h"

using DemoTimeline = TimelineTest;

TEST_F(DemoTimeline, ScenesFollowTheTriggerOrdersOneAtATime) {
    // Expected scene for every order of a full walk through the module.
    const int32_t sceneAtOrder[28] = {0, 0, 0, 0, 0, 1, 1, 1, 2, 2, 2, 2, 2, 2,
                                      2, 3, 3, 4, 4, 4, 4, 4, 4, 5, 5, 6, 6, 6};
    for (int32_t order = 0; order < 28; ++order) {
        frames(3, order);
        EXPECT_EQ(demoState, sceneAtOrder[order]) << "order " << order;
    }
}

TEST_F(DemoTimeline, TriggerOrdersOutsideTheirSceneDoNothing) {
    frame(0);
    frame(8);  // the credits need the beach scene first
    EXPECT_EQ(demoState, 0);
    frame(5);
    EXPECT_EQ(demoState, 1);
    frame(17);
    frame(25);
    EXPECT_EQ(demoState, 1);
}

TEST_F(DemoTimeline, SkippedOrder15KeepsTheCreditsForTheRestOfTheMusic) {
    enterScene(2);
    for (int32_t order = 9; order < 28; ++order) {
        if (order != 15) {
            frames(2, order);
        }
    }
    EXPECT_EQ(demoState, 2);
}

TEST_F(DemoTimeline, PulseComesAtMostOnceInNineFrames) {
    std::vector<int32_t> pulseFrames;
    musicSnapshot.instrument[2] = CUE_INSTRUMENT;
    for (int32_t i = 0; i < 40; ++i) {
        frame(0);
        if (sceneState.musicPulse == 1.0f) {
            pulseFrames.push_back(i);
        } else {
            EXPECT_LT(sceneState.musicPulse, 1.0f);
            EXPECT_GE(sceneState.musicPulse, 0.6f);
        }
    }
    ASSERT_EQ(pulseFrames.size(), 5u);
    for (size_t i = 0; i < pulseFrames.size(); ++i) {
        EXPECT_EQ(pulseFrames[i], static_cast<int32_t>(i) * 9);
    }

    musicSnapshot.instrument[2] = 0;
    frames(20, 0);
    EXPECT_EQ(sceneState.musicPulse, 0.6f);
    EXPECT_EQ(sceneState.pulseLatch, 0);
}

TEST_F(DemoTimeline, FirstFrameFadesInFromBlackUntilTheWhiteFlash) {
    frame(0);
    EXPECT_EQ(sceneState.fade.active, 1);
    EXPECT_EQ(sceneState.fade.fadeIn, 0);
    EXPECT_EQ(sceneState.fade.alpha, 255);
    EXPECT_EQ(sceneState.fade.argb, 0xff000000u);
    EXPECT_EQ(sceneState.fade.endTime - sceneState.fade.startTime, 1000);
    const int32_t blackStart = sceneState.fade.startTime;

    frames(10, 0);
    EXPECT_EQ(sceneState.fade.startTime, blackStart) << "a running fade is not restarted";
    EXPECT_LT(sceneState.fade.alpha, 255);
    EXPECT_GT(sceneState.fade.alpha, 0);

    frame(5);
    EXPECT_EQ(demoState, 1);
    EXPECT_EQ(sceneState.fade.startTime, timeMs);
    EXPECT_EQ(sceneState.fade.endTime, timeMs + 500);
    EXPECT_EQ(sceneState.fade.argb, 0xffffffffu);
}

TEST_F(DemoTimeline, CameraDescentSettlesWithinOneStepAndStays) {
    frames(5, 0);
    EXPECT_EQ(sceneState.planePitch, -40.0f);
    EXPECT_EQ(sceneState.planeLift, 2.0f);

    frames(201, 1);
    EXPECT_EQ(sceneState.descentStarted, 1);
    EXPECT_NEAR(sceneState.planeLift, 0.0f, 0.0101f);
    const float settledLift = sceneState.planeLift;
    frames(199, 1);
    EXPECT_EQ(sceneState.planeLift, settledLift);
    EXPECT_NEAR(sceneState.planePitch, 0.0f, 0.001f);
    const float settledPitch = sceneState.planePitch;
    frames(50, 2);
    EXPECT_EQ(sceneState.planePitch, settledPitch);
    EXPECT_EQ(sceneState.planeLift, settledLift);
}

TEST_F(DemoTimeline, FlamingoBuildsUpOnNotesAndTakesItselfApartFromOrder6) {
    auto* mesh = new MeshRecord();
    mesh->elementCount = 900;
    sceneState.growthMesh = resourceManager->registerObject(resourceManager->meshes, "growth test mesh", mesh);
    sceneState.growthFullCount = 900;

    frames(3, 1);
    EXPECT_EQ(mesh->elementCount, 900) << "before order 2 the mesh is left alone";
    frame(2);
    EXPECT_EQ(mesh->elementCount, 0) << "from order 2 the bird is built up, never shown whole";

    musicSnapshot.note[0] = 49;
    frames(299, 2);
    EXPECT_EQ(sceneState.growthCount, 897);
    frame(2);
    EXPECT_EQ(sceneState.growthCount, 900);
    EXPECT_EQ(mesh->elementCount, 900);
    frames(5, 3);
    EXPECT_EQ(sceneState.growthCount, 900);

    frame(5);
    ASSERT_EQ(demoState, 1);
    EXPECT_EQ(sceneState.growthCount, 900) << "order 5 keeps the bird whole";
    frames(299, 6);
    EXPECT_EQ(sceneState.growthCount, 3);
    frame(6);
    EXPECT_EQ(sceneState.growthCount, 0);
    EXPECT_EQ(mesh->elementCount, 0);
    frame(7);
    EXPECT_EQ(sceneState.growthCount, 0);
}

TEST_F(DemoTimeline, FlamingoBobsAndWindsurferSwaysThenDrifts) {
    sceneState.flamingo->position = {2.2f, 1.3f, -1.5f};
    sceneState.windsurfer->position = {6.0f, -1.0f, -1.0f};
    frame(0);
    EXPECT_FLOAT_EQ(sceneState.flamingo->position.y, std::sin(timeMs / 300.0f) * 0.1f + 0.3f);
    EXPECT_EQ(sceneState.flamingo->position.x, 2.2f);

    frame(5);
    frame(5);
    EXPECT_EQ(sceneState.windsurfer->position.x, 6.0f) << "the windsurfer waits for order 6";
    frame(6);
    EXPECT_EQ(sceneState.windsurfer->rotationDegrees.y, 180.0f);
    EXPECT_FLOAT_EQ(sceneState.windsurfer->position.x, 3.0f * std::sin(timeMs / 2000.0f));
    EXPECT_EQ(sceneState.windsurfer->position.z, -1.0f);
    frames(3, 7);
    EXPECT_NEAR(sceneState.windsurfer->position.z, -1.0f - 3 * 16.0f / 1500.0f, 1e-5f);
}

TEST_F(DemoTimeline, CreditsLinesShowInOrders8To12AndLyricsScrollIn14) {
    enterScene(2);
    EXPECT_EQ(sceneState.creditsRole.y, 0);
    EXPECT_EQ(sceneState.creditsName.y, 180);
    EXPECT_EQ(sceneState.creditsRole.h, 60);
    EXPECT_EQ(sceneState.creditsName.h, 90);
    frame(9);
    EXPECT_EQ(sceneState.creditsRole.h, 0);
    EXPECT_EQ(sceneState.creditsName.h, 0);
    frame(10);
    EXPECT_EQ(sceneState.creditsRole.y, 60);
    EXPECT_EQ(sceneState.creditsName.y, 270);
    frame(12);
    EXPECT_EQ(sceneState.creditsRole.y, 120);
    EXPECT_EQ(sceneState.creditsName.y, 180);
    EXPECT_EQ(sceneState.creditsName.h, 90);

    EXPECT_EQ(sceneState.lyricsX, 1920.0f);
    EXPECT_EQ(sceneState.lyricsY, 810.0f);
    frames(6, 14);
    EXPECT_NEAR(sceneState.lyricsX, 1920.0f - 16.0f, 1e-3f);
}

TEST_F(DemoTimeline, TilesFallFromTheFrameAfterTheCaptureAndStopAtTheBottom) {
    enterScene(2);
    sceneState.shatter.positions[0] = {100.0f, 200.0f, 0.0f};
    sceneState.shatter.velocities[0] = {2.0f, 1.0f, 0.0f};
    sceneState.shatter.positions[1] = {300.0f, 1080.0f, 0.0f};
    sceneState.shatter.velocities[1] = {2.0f, 1.0f, 0.0f};

    frame(15);
    ASSERT_EQ(demoState, 3);
    EXPECT_EQ(sceneState.shatter.startTime, timeMs);
    EXPECT_EQ(sceneState.shatter.positions[0].y, 200.0f) << "no motion on the capture frame";
    EXPECT_EQ(sceneState.lyricsSource.y, 64);
    EXPECT_EQ(sceneState.lyricsX, 1920.0f);
    EXPECT_EQ(sceneState.lyricsY, 270.0f);

    frame(15);
    const float seconds = 0.016f;
    EXPECT_FLOAT_EQ(sceneState.shatter.velocities[0].y, 1.0f + 0.5f * seconds * seconds);
    EXPECT_FLOAT_EQ(sceneState.shatter.positions[0].y, 200.0f + sceneState.shatter.velocities[0].y);
    EXPECT_EQ(sceneState.shatter.positions[0].x, 102.0f);
    EXPECT_EQ(sceneState.shatter.positions[1].y, 1080.0f) << "a tile at the bottom edge stays";
    EXPECT_EQ(sceneState.shatter.positions[1].x, 300.0f);

    frames(3, 16);
    EXPECT_NEAR(sceneState.lyricsX, 1920.0f - 16.0f, 1e-3f);
}

TEST_F(DemoTimeline, ParrotSlidesInAtAThirdOfAPixelPerMillisecondAndStays) {
    enterScene(5);
    EXPECT_LT(sceneState.parrotX, 0.0f);
    // 844 pixels from the first frame of the scene: 159 frames of 16 ms.
    frames(157, 23);
    EXPECT_LT(sceneState.parrotX, 0.0f);
    frame(23);
    EXPECT_EQ(sceneState.parrotX, 0.0f);
    frames(20, 24);
    EXPECT_EQ(sceneState.parrotX, 0.0f);
}

TEST_F(DemoTimeline, FinaleFlashesRedAndScrollsTheLastStrips) {
    enterScene(6);
    EXPECT_EQ(sceneState.fade.argb, 0xffe0040fu);
    EXPECT_EQ(sceneState.fade.endTime - sceneState.fade.startTime, 500);
    EXPECT_EQ(sceneState.lyricsSource.y, 128);
    EXPECT_EQ(sceneState.lyricsY, 270.0f);

    frames(5, 25, 32);
    EXPECT_EQ(sceneState.lyricsX, 1920.0f) << "strip 2 waits for row 33";
    frames(7, 25, 33);
    EXPECT_NEAR(sceneState.lyricsX, 1920.0f - 40.0f, 1e-3f);
}

TEST_F(DemoTimeline, LyricsInOrders26And27EndInTheFadeToBlack) {
    enterScene(6);
    frames(7, 26, 32);
    const float scrolled = sceneState.lyricsX;
    EXPECT_NEAR(scrolled, 1920.0f - 40.0f, 1e-3f);
    frames(4, 26, 33);
    EXPECT_EQ(sceneState.lyricsX, scrolled) << "row 33 stands still";
    frame(26, 34);
    EXPECT_EQ(sceneState.lyricsSource.y, 192);
    EXPECT_EQ(sceneState.lyricsX, 1920.0f);
    EXPECT_EQ(sceneState.lyricsY, 810.0f);
    frames(3, 26, 40);
    EXPECT_EQ(sceneState.lyricsX, 1920.0f) << "strip 3 is held at the right edge through order 26";

    frames(2, 27, 30);
    EXPECT_EQ(sceneState.lyricsX, 1920.0f - 8.0f);
    EXPECT_EQ(sceneState.fade.fadeIn, 0) << "no fade to black before row 31";

    frames(6, 27, 31);
    EXPECT_EQ(sceneState.fade.fadeIn, 1);
    EXPECT_EQ(sceneState.fade.startTime, timeMs) << "restarted on every frame of row 31";
    EXPECT_EQ(sceneState.fade.alpha, 0);
    const int32_t fadeStart = timeMs;

    frames(94, 27, 32);
    EXPECT_EQ(timeMs - fadeStart, 1504);
    EXPECT_EQ(sceneState.fade.alpha, 127);
    EXPECT_EQ(sceneState.fade.finished, 0);
    frames(94, 27, 40);
    EXPECT_EQ(sceneState.fade.alpha, 255);
    EXPECT_EQ(sceneState.fade.finished, 1);
    EXPECT_EQ(sceneState.fade.argb, 0xff000000u);
}
