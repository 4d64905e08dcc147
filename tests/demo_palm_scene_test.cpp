#include <gtest/gtest.h>

#include "demo/Clock.h"
#include "demo/Demo.h"
#include "demo/SceneState.h"
#include "engine/BakedLayer.h"
#include "engine/Engine.h"
#include "engine/Shader.h"
#include "music/Player.h"
#include "resources/ResourceManager.h"
#include "support/GlTestContext.h"

namespace {

// The window pixel showing the design-screen pixel (x, y), counted from the top left.
Rgba windowPixel(int x, int y) {
    const Viewport v = engine->windowViewport();
    glBindFramebuffer(GL_READ_FRAMEBUFFER, engine->windowFramebuffer);
    return readPixel(v.x + x * v.width / SCREEN_WIDTH, v.y + (SCREEN_HEIGHT - 1 - y) * v.height / SCREEN_HEIGHT);
}

// The show's own set-up and assets, standing in scene 3 with every tile fallen and no fade.
class PalmScene : public ::testing::Test {
protected:
    void SetUp() override {
        initEngineForTests();
        ASSERT_TRUE(setupScene());
        for (Vec3& position : sceneState.shatter.positions) {
            position.y = static_cast<float>(SCREEN_HEIGHT);
        }
        sceneState.fade.alpha = 0;
        timeMs = 40000;
        musicSnapshot = MusicSnapshot{};
        standIn(3, 16);
        glow = dynamic_cast<ShaderEffect*>(resourceManager->shaderById(sceneState.palmGlowShader));
        ASSERT_NE(glow, nullptr);
    }

    static void standIn(int32_t scene, int32_t order) {
        demoState = scene;
        musicSnapshot.order = order;
        musicSnapshot.pattern = order;
    }

    ShaderEffect* glow = nullptr;
};

// A pixel of the tube of the sign's K, and one of its reflection.
constexpr int TUBE_X = 705;
constexpr int TUBE_Y = 622;

TEST_F(PalmScene, SignIsDrawnOnceAndAgainOnlyAfterTheRoadUsedItsTarget) {
    const BakedLayer& sign = glow->bakedLayers[0];
    renderDemo();
    const Rgba tube = windowPixel(TUBE_X, TUBE_Y);
    EXPECT_GT(tube.r + tube.g + tube.b, 3 * 200) << "the tube shines white";
    EXPECT_EQ(sign.bakeCount, 1);
    timeMs += 16;
    renderDemo();
    EXPECT_EQ(sign.bakeCount, 1) << "the sign does not change from frame to frame";

    // The road's view picture goes into the same target in scene 2.
    standIn(2, 9);
    renderDemo();
    auto* road = dynamic_cast<ShaderEffect*>(resourceManager->shaderById(sceneState.roadShader));
    ASSERT_NE(road, nullptr);
    ASSERT_EQ(road->bakedLayers[0].target, sign.target);

    standIn(3, 16);
    timeMs -= 16;
    renderDemo();
    EXPECT_EQ(sign.bakeCount, 2);
    const Rgba again = windowPixel(TUBE_X, TUBE_Y);
    EXPECT_EQ(again.r, tube.r);
    EXPECT_EQ(again.g, tube.g);
    EXPECT_EQ(again.b, tube.b);
}

TEST_F(PalmScene, SignStandsOnTheHorizonWithADimmerReflectionInTheSea) {
    renderDemo();
    const Rgba tube = windowPixel(TUBE_X, TUBE_Y);
    // Mirrored about the horizon (screen height 0.648), the K's tube reflects a little lower.
    bool reflected = false;
    const int mirrorY = static_cast<int>(2.0f * 0.648f * SCREEN_HEIGHT) - TUBE_Y;
    for (int dx = -4; dx <= 4; ++dx) {
        const Rgba sea = windowPixel(TUBE_X + dx, mirrorY);
        reflected = reflected || (sea.r + sea.g + sea.b > 3 * 90 && sea.r + sea.g + sea.b < tube.r + tube.g + tube.b);
    }
    EXPECT_TRUE(reflected) << "a dimmer tube in the sea under the sign";
    // Not in the sky over the sign: the picture is read upright, not upside down.
    const int aboveY = TUBE_Y - (mirrorY - TUBE_Y);
    const Rgba sky = windowPixel(TUBE_X, aboveY);
    EXPECT_LT(sky.r + sky.g + sky.b, 3 * 200);
}

}  // namespace
