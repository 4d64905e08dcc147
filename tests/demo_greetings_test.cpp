#include <cstdlib>

#include "demo/Greetings.h"
#include "demo_timeline_driver.h"

using DemoGreetings = TimelineTest;

namespace {

// Runs one name through its phases at 16 ms frames; returns the frames of its fade in.
int32_t showOneName() {
    musicSnapshot.instrument[2] = CUE_INSTRUMENT;
    updateGreetings();
    musicSnapshot.instrument[2] = 0;
    int32_t fadeInFrames = 0;
    while (sceneState.greetings.phase == GreetFadingIn) {
        updateGreetings();
        ++fadeInFrames;
    }
    while (sceneState.greetings.phase != GreetWaiting) {
        updateGreetings();
    }
    return fadeInFrames;
}

}  // namespace

TEST_F(DemoGreetings, NameWaitsForItsCueThenFadesInBySixPerFrame) {
    musicSnapshot.instrument[2] = 3;
    updateGreetings();
    EXPECT_EQ(sceneState.greetings.phase, GreetWaiting);
    EXPECT_EQ(sceneState.greetings.position.x, 0.0f) << "no drift before the first cue";

    musicSnapshot.instrument[2] = CUE_INSTRUMENT;
    updateGreetings();
    ASSERT_EQ(sceneState.greetings.phase, GreetFadingIn);
    EXPECT_EQ(sceneState.greetings.alpha, 0);
    EXPECT_GE(sceneState.greetings.position.x, 512.0f - 8.0f);
    EXPECT_LE(sceneState.greetings.position.x, 895.0f + 8.0f);
    EXPECT_GE(sceneState.greetings.position.y, 64.0f - 8.0f);
    EXPECT_LE(sceneState.greetings.position.y, 951.0f + 8.0f);
    EXPECT_GE(sceneState.greetings.velocity.x, -0.5f);
    EXPECT_LT(sceneState.greetings.velocity.x, 0.5f);

    for (int32_t i = 1; i <= 42; ++i) {
        updateGreetings();
        EXPECT_EQ(sceneState.greetings.alpha, 6 * i);
    }
    EXPECT_EQ(sceneState.greetings.phase, GreetFadingIn);
    updateGreetings();
    EXPECT_EQ(sceneState.greetings.alpha, 255) << "full on the 43rd frame";
    EXPECT_EQ(sceneState.greetings.phase, GreetHolding);
    updateGreetings();
    EXPECT_EQ(sceneState.greetings.phase, GreetFadingOut);
    EXPECT_EQ(sceneState.greetings.alpha, 255);
    updateGreetings();
    EXPECT_EQ(sceneState.greetings.alpha, 249);
}

TEST_F(DemoGreetings, NameDriftsAlongItsVelocity) {
    std::srand(7);
    musicSnapshot.instrument[2] = CUE_INSTRUMENT;
    updateGreetings();
    const Vec3 start = sceneState.greetings.position;
    const Vec3 velocity = sceneState.greetings.velocity;
    updateGreetings();
    updateGreetings();
    // Each frame moves deltaMs x 0.2 along the velocity; the cue frame moved it once already.
    EXPECT_NEAR(sceneState.greetings.position.x, start.x + velocity.x * 3.2f * 2.0f, 1e-3f);
    EXPECT_NEAR(sceneState.greetings.position.y, start.y + velocity.y * 3.2f * 2.0f, 1e-3f);
}

TEST_F(DemoGreetings, SheetCellsRunDownThreeColumnsAndAllNamesEndDone) {
    for (int32_t name = 0; name < 57; ++name) {
        EXPECT_EQ(showOneName(), 43);
        EXPECT_EQ(sceneState.greetings.source.x, name / 19 * 512) << "name " << name;
        EXPECT_EQ(sceneState.greetings.source.y, name * 64) << "name " << name;
        EXPECT_EQ(sceneState.greetings.done, name == 56 ? 1 : 0) << "name " << name;
    }
    EXPECT_EQ(sceneState.greetings.index, 57);

    const Vec3 resting = sceneState.greetings.position;
    musicSnapshot.instrument[2] = CUE_INSTRUMENT;
    updateGreetings();
    EXPECT_EQ(sceneState.greetings.phase, GreetWaiting);
    EXPECT_EQ(sceneState.greetings.position.x, resting.x) << "done: no drift either";
    EXPECT_EQ(sceneState.greetings.position.y, resting.y);
}

TEST_F(DemoGreetings, Scene4And5RunTheGreetingsButOnlyScene4AdvancesTheFade) {
    enterScene(4);
    musicSnapshot.instrument[2] = CUE_INSTRUMENT;
    frame(17);
    musicSnapshot.instrument[2] = 0;
    EXPECT_EQ(sceneState.greetings.phase, GreetFadingIn);
    frames(40, 17);
    EXPECT_EQ(sceneState.fade.finished, 1) << "the white flash of scene 4 has cleared";

    sceneState.fade.finished = 0;
    sceneState.fade.alpha = 200;
    frame(23);
    ASSERT_EQ(demoState, 5);
    const int32_t alphaBefore = sceneState.greetings.alpha;
    frame(23);
    EXPECT_EQ(sceneState.fade.alpha, 200) << "scene 5 leaves the fade alone";
    EXPECT_NE(sceneState.greetings.alpha, alphaBefore);
}
