#include "demo/Fade.h"
#include "demo_timeline_driver.h"

using DemoFade = TimelineTest;

TEST_F(DemoFade, FadeOutOfWhiteOver500Ms) {
    timeMs = 2000;
    startFade(0, 0xffffff, 500);
    EXPECT_EQ(sceneState.fade.active, 1);
    EXPECT_EQ(sceneState.fade.alpha, 255);
    EXPECT_EQ(sceneState.fade.argb, 0xffffffffu);

    advanceFade();
    EXPECT_EQ(sceneState.fade.alpha, 255);
    timeMs = 2250;
    advanceFade();
    EXPECT_EQ(sceneState.fade.alpha, 128);
    EXPECT_EQ(sceneState.fade.argb, 0x80ffffffu);
    EXPECT_EQ(sceneState.fade.finished, 0);
    timeMs = 2500;
    advanceFade();
    EXPECT_EQ(sceneState.fade.alpha, 0);
    EXPECT_EQ(sceneState.fade.argb, 0x00ffffffu);
    EXPECT_EQ(sceneState.fade.finished, 1);
}

TEST_F(DemoFade, FadeIntoAColourRisesAndHoldsAtFull) {
    timeMs = 100;
    startFade(1, 0x102030, 1000);
    EXPECT_EQ(sceneState.fade.alpha, 0);
    EXPECT_EQ(sceneState.fade.argb, 0x00102030u);
    timeMs = 600;
    advanceFade();
    EXPECT_EQ(sceneState.fade.alpha, 127);
    timeMs = 1300;
    advanceFade();
    EXPECT_EQ(sceneState.fade.alpha, 255);
    EXPECT_EQ(sceneState.fade.finished, 1);
    EXPECT_EQ(sceneState.fade.argb, 0xff102030u);
}

TEST_F(DemoFade, FinishedFadeStaysUntilRestarted) {
    timeMs = 0;
    startFade(0, 0, 100);
    timeMs = 200;
    advanceFade();
    ASSERT_EQ(sceneState.fade.finished, 1);
    sceneState.fade.alpha = 77;  // a finished fade is no longer stepped
    timeMs = 50;
    advanceFade();
    EXPECT_EQ(sceneState.fade.alpha, 77);

    startFade(0, 0, 100);
    EXPECT_EQ(sceneState.fade.finished, 0);
    EXPECT_EQ(sceneState.fade.startTime, 50);
    EXPECT_EQ(sceneState.fade.alpha, 255);
}
