// The show's warm-up plays every order unseen before the show starts. It must leave no trace in
// what the show draws or plays: the same frames, pixel for pixel and sample for sample, as a
// show started without it.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "capture/OffscreenWindow.h"
#include "demo/Clock.h"
#include "demo/SceneState.h"
#include "demo/Show.h"
#include "engine/BakedLayer.h"
#include "engine/Engine.h"
#include "engine/Shader.h"
#include "music/Player.h"
#include "resources/ResourceManager.h"
#include "support/CapturePlay.h"
#include "support/ScratchFolder.h"
#include "support/TestModule.h"

namespace fs = std::filesystem;

namespace {

std::vector<uint8_t> targetPixels(const TextureRecord& target) {
    std::vector<uint8_t> pixels(static_cast<size_t>(target.width) * target.height * 4);
    GLint drawing = 0;
    glGetIntegerv(GL_FRAMEBUFFER_BINDING, &drawing);
    glBindFramebuffer(GL_FRAMEBUFFER, target.framebuffer);
    glReadPixels(0, 0, target.width, target.height, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    glBindFramebuffer(GL_FRAMEBUFFER, static_cast<GLuint>(drawing));
    return pixels;
}

// The real show's set-up in the build directory, drawing into a small frame, with a module of
// every scene: the greetings' cues draw from rand(), the bird grows, the tiles fall.
class WarmUp : public ::testing::Test {
protected:
    void SetUp() override {
        modulePath = folder.path + "/scenes.mod";
        ASSERT_TRUE(writeModule(modulePath, quickAllScenesModule()));
        testing::internal::CaptureStdout();
        const bool ready = startShow();
        testing::internal::GetCapturedStdout();
        ASSERT_TRUE(ready);
        std::string error;
        ASSERT_TRUE(createOffscreenWindow(window, 96, 54, error)) << error;
        ASSERT_TRUE(loadShowModule(modulePath.c_str(), error)) << error;
    }

    void TearDown() override { unloadShowModule(); }

    // Back to the first frame, as a show that plays again.
    void restart() {
        std::string error;
        ASSERT_TRUE(restartShow(modulePath.c_str(), error)) << error;
    }

    const ScratchFolder folder{"warm-up"};
    std::string modulePath;
    OffscreenWindow window;
};

}  // namespace

TEST_F(WarmUp, LeavesTheSceneTheClocksTheRandomSequenceAndTheMusicAsTheyWere) {
    restart();
    const int expectedRandom = std::rand();
    restart();
    timeMs = 1234;
    deltaMs = 17;
    const TileShatter tiles = sceneState.shatter;
    const Vec3 flamingo = sceneState.flamingo->position;
    const Vec3 flamingoTurn = sceneState.flamingo->rotationDegrees;
    const float planePitch = sceneState.plane->pitch;
    const int32_t grown = resourceManager->meshById(sceneState.growthMesh)->elementCount;
    const Vec3 eye = engine->camera.position;
    MusicSnapshot before;
    copyMusicSnapshot(modFile, before);

    warmUpShow();

    EXPECT_EQ(std::rand(), expectedRandom) << "the warm-up drew nothing from rand()";
    EXPECT_EQ(demoState, SceneOpening);
    EXPECT_EQ(timeMs, 1234);
    EXPECT_EQ(deltaMs, 17);
    EXPECT_EQ(sceneState.fade.alpha, SceneState().fade.alpha);
    EXPECT_EQ(sceneState.greetings.phase, GreetWaiting);
    EXPECT_EQ(sceneState.lyricsX, SceneState().lyricsX);
    EXPECT_EQ(sceneState.growthCount, 0);
    EXPECT_EQ(resourceManager->meshById(sceneState.growthMesh)->elementCount, grown);
    EXPECT_EQ(sceneState.flamingo->position.x, flamingo.x) << "the pair's mirroring is put back";
    EXPECT_EQ(sceneState.flamingo->rotationDegrees.y, flamingoTurn.y);
    EXPECT_EQ(sceneState.plane->pitch, planePitch);
    EXPECT_EQ(engine->camera.position.y, eye.y);
    for (int32_t i = 0; i < TILE_COUNT; ++i) {
        EXPECT_EQ(sceneState.shatter.positions[i].y, tiles.positions[i].y) << "tile " << i;
    }
    MusicSnapshot after;
    copyMusicSnapshot(modFile, after);
    EXPECT_EQ(after.order, before.order);
    EXPECT_EQ(after.row, before.row);
    EXPECT_EQ(audioBytesRead.load(), 255) << "no music was mixed";
}

TEST_F(WarmUp, APlayAfterItDrawsAndSoundsAsOneWithout) {
    restart();
    const std::vector<FrameHash> without = playOnCaptureClock(window);
    ASSERT_GT(without.size(), 120u);
    restart();
    warmUpShow();
    const std::vector<FrameHash> with = playOnCaptureClock(window);
    ASSERT_EQ(with.size(), without.size());
    for (size_t frame = 0; frame < with.size(); ++frame) {
        ASSERT_TRUE(with[frame] == without[frame])
            << "frame " << frame << " after the warm-up: " << describe(with[frame])
            << "\nwithout: " << describe(without[frame]);
    }
}

TEST_F(WarmUp, TheRoadFindsItsWholeViewBakedOnItsDownbeat) {
    // The road is the first scene with a baked layer, and its target is shared with later scenes'
    // layers: after the warm-up it must hold the road's view of order 8, whole, not a corner of it
    // nor a later scene's picture.
    ShaderEffect* road = effectById(sceneState.roadShader);
    ASSERT_NE(road, nullptr);
    BakedLayer& view = road->bakedLayers[0];
    ASSERT_NE(view.program, nullptr);
    const TextureRecord* target = resourceManager->textureById(view.target);
    ASSERT_NE(target, nullptr);
    restart();
    warmUpShow();

    const MusicSnapshot downbeat = snapshotAt(8, 0);
    EXPECT_FALSE(refreshBakedLayer(view, downbeat)) << "the road's first frame bakes nothing";
    const std::vector<uint8_t> warmedUp = targetPixels(*target);
    ASSERT_TRUE(refreshBakedLayer(view, snapshotAt(10, 0)));
    ASSERT_TRUE(refreshBakedLayer(view, downbeat));
    EXPECT_TRUE(targetPixels(*target) == warmedUp) << "the picture the warm-up left is the one a bake draws";
}
