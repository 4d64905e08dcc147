#include <cstdlib>
#include <optional>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "demo/Clock.h"
#include "demo/Demo.h"
#include "demo/SceneState.h"
#include "demo/Setup.h"
#include "engine/Engine.h"
#include "engine/Shader.h"
#include "music/Player.h"
#include "render_gl_support.h"
#include "resources/ResourceManager.h"
#include "support/GlTestContext.h"

namespace {

// A render target cleared to one opaque colour: a texture without an image file.
int32_t solidTexture(const char* name, uint16_t width, uint16_t height, float r, float g, float b) {
    const int32_t id = resourceManager->createRenderTarget(name, width, height, true);
    const TextureRecord* record = resourceManager->textureById(id);
    glBindFramebuffer(GL_FRAMEBUFFER, record->framebuffer);
    glViewport(0, 0, width, height);
    glClearColor(r, g, b, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    return id;
}

// A render target whose every pixel differs from its neighbours: red and green count x and y,
// blue their hundreds, as a captured frame's tiles must each show their own part.
int32_t patternTexture(const char* name, uint16_t width, uint16_t height) {
    const int32_t id = resourceManager->createRenderTarget(name, width, height, true);
    std::vector<unsigned char> pixels;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            pixels.insert(pixels.end(), {static_cast<unsigned char>(x), static_cast<unsigned char>(y),
                                         static_cast<unsigned char>((x / 256) * 16 + y / 256), 255});
        }
    }
    glBindTexture(GL_TEXTURE_2D, resourceManager->textureById(id)->texture);
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    glBindTexture(GL_TEXTURE_2D, 0);
    return id;
}

// Every pixel of the bound framebuffer's viewport, as GL stores them.
std::vector<unsigned char> viewportPixels() {
    GLint v[4] = {0, 0, 0, 0};
    glGetIntegerv(GL_VIEWPORT, v);
    std::vector<unsigned char> pixels(static_cast<size_t>(v[2]) * static_cast<size_t>(v[3]) * 4);
    glReadPixels(v[0], v[1], v[2], v[3], GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
}

// How many bytes of two pictures differ by more than one step.
size_t differingBytes(const std::vector<unsigned char>& a, const std::vector<unsigned char>& b) {
    size_t count = a.size() == b.size() ? 0 : a.size() + b.size();
    for (size_t i = 0; i < a.size() && i < b.size(); ++i) {
        count += std::abs(a[i] - b[i]) > 1 ? 1 : 0;
    }
    return count;
}

// The tiles the composition shows, drawn the plain way: one quad per tile, in tile order.
void drawTilesOneByOne(const TileShatter& tiles) {
    for (int32_t i = 0; i < TILE_COUNT; ++i) {
        if (tiles.positions[i].y < static_cast<float>(SCREEN_HEIGHT)) {
            engine->DrawTextureScaled(tiles.texture, tiles.sourceRects[i], static_cast<int16_t>(tiles.positions[i].x),
                                      static_cast<int16_t>(tiles.positions[i].y), 0.0f, SCREEN_WIDTH / TILE_COLUMNS,
                                      SCREEN_HEIGHT / TILE_ROWS);
        }
    }
}

// A pixel of a render target, rows counted from the bottom as GL stores them.
Rgba targetPixel(int32_t textureId, int x, int y) {
    glBindFramebuffer(GL_READ_FRAMEBUFFER, resourceManager->textureById(textureId)->framebuffer);
    const Rgba pixel = readPixel(x, y);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, engine->windowFramebuffer);
    return pixel;
}

// The window pixel showing the design-screen pixel (x, y), counted from the top left.
Rgba windowPixel(int x, int y) {
    const Viewport v = engine->windowViewport();
    glBindFramebuffer(GL_READ_FRAMEBUFFER, engine->windowFramebuffer);
    return readPixel(v.x + x * v.width / SCREEN_WIDTH, v.y + (SCREEN_HEIGHT - 1 - y) * v.height / SCREEN_HEIGHT);
}

// Triangles one frame of the composition sends down the pipeline; every quad is two.
GLuint64 trianglesOfFrame() {
    GLuint query = 0;
    glGenQueries(1, &query);
    glBeginQuery(GL_PRIMITIVES_GENERATED, query);
    renderDemo();
    glEndQuery(GL_PRIMITIVES_GENERATED);
    GLuint64 count = 0;
    glGetQueryObjectui64v(query, GL_QUERY_RESULT, &count);
    glDeleteQueries(1, &query);
    return count;
}

class DemoRender : public ::testing::Test {
protected:
    void SetUp() override {
        initEngineForTests();
        sceneState = SceneState{};
        musicSnapshot = MusicSnapshot{};
        timeMs = 5000;
        deltaMs = 16;
    }
};

}  // namespace

TEST_F(DemoRender, ShatterGridCutsTheScreenshotIntoSixteenByNineTiles) {
    std::srand(11);
    fillShatterGrid(sceneState.shatter, engine->screenshotTarget);
    EXPECT_EQ(sceneState.shatter.texture, engine->screenshotTarget);

    const SpriteRect& tile17 = sceneState.shatter.sourceRects[17];
    EXPECT_EQ(tile17.x, 120);
    EXPECT_EQ(tile17.y, 120);
    EXPECT_EQ(tile17.w, 120);
    EXPECT_EQ(tile17.h, 120);
    EXPECT_EQ(sceneState.shatter.positions[17].x, 120.0f);
    EXPECT_EQ(sceneState.shatter.positions[17].y, 120.0f);
    const SpriteRect& tile143 = sceneState.shatter.sourceRects[143];
    EXPECT_EQ(tile143.x, 1800);
    EXPECT_EQ(tile143.y, 960);
    EXPECT_EQ(sceneState.shatter.positions[143].x, 1800.0f);
    EXPECT_EQ(sceneState.shatter.positions[143].y, 960.0f);

    // Two draws per tile, x before y, from the same sequence.
    std::srand(11);
    for (int32_t i = 0; i < TILE_COUNT; ++i) {
        const float x = static_cast<float>(std::rand() % 75 - 25) / 10.0f;
        const float y = static_cast<float>(std::rand() % 75 - 25) / 10.0f;
        ASSERT_EQ(sceneState.shatter.velocities[i].x, x) << "tile " << i;
        ASSERT_EQ(sceneState.shatter.velocities[i].y, y) << "tile " << i;
        ASSERT_GE(x, -2.5f);
        ASSERT_LE(y, 4.9f);
        ASSERT_EQ(sceneState.shatter.velocities[i].z, 0.0f);
    }
}

TEST_F(DemoRender, ShatterGridStaysEmptyWithoutACaptureTarget) {
    fillShatterGrid(sceneState.shatter, -1);
    EXPECT_EQ(sceneState.shatter.texture, -1);
    EXPECT_EQ(sceneState.shatter.sourceRects[143].w, 0);
    EXPECT_EQ(sceneState.shatter.positions[143].x, 0.0f);
}

TEST_F(DemoRender, LastCreditsFrameArrivesFlippedInTheScreenshot) {
    sceneState.creditsTexture = solidTexture("credits stand-in", 1080, 360, 1.0f, 0.0f, 0.0f);
    sceneState.fade.alpha = 0;
    demoState = 2;
    musicSnapshot.order = 8;
    renderDemo();
    // The first credits line covers design rows 425 to 484 at x 420 to 1499.
    EXPECT_EQ(windowPixel(960, 450).r, 255);

    // Flipped: image rows from the top land on target rows from the bottom.
    const Rgba inside = targetPixel(engine->screenshotTarget, 960, 450);
    EXPECT_EQ(inside.r, 255);
    EXPECT_EQ(inside.g, 0);
    EXPECT_EQ(targetPixel(engine->screenshotTarget, 960, SCREEN_HEIGHT - 1 - 450).r, 0);
    EXPECT_EQ(targetPixel(engine->screenshotTarget, 100, 450).r, 0);

    // The shattered scene reads the copy and no longer writes it.
    demoState = 3;
    musicSnapshot.order = 15;
    sceneState.creditsTexture = -1;
    renderDemo();
    EXPECT_EQ(targetPixel(engine->screenshotTarget, 960, 450).r, 255);
}

TEST_F(DemoRender, CaptureHoldsTheWholeComposedFrameAndNoLetterboxBars) {
    const Viewport frame = engine->windowViewport();
    ASSERT_NE(frame.height, engine->drawableHeight) << "the test display must be letterboxed";
    demoState = 2;
    musicSnapshot.order = 9;
    sceneState.fade.alpha = 255;
    sceneState.fade.argb = 0xffffffff;
    renderDemo();
    // The white overlay is part of the copy, edge to edge; the black bars are not.
    for (const auto& corner : {std::pair{2, 2}, std::pair{1917, 2}, std::pair{2, 1077}, std::pair{1917, 1077}}) {
        const Rgba pixel = targetPixel(engine->screenshotTarget, corner.first, corner.second);
        EXPECT_EQ(pixel.r, 255) << corner.first << ", " << corner.second;
        EXPECT_EQ(pixel.b, 255) << corner.first << ", " << corner.second;
    }
}

TEST_F(DemoRender, TilesAtOrBelowTheBottomEdgeAreSkipped) {
    fillShatterGrid(sceneState.shatter, solidTexture("tiles stand-in", 1920, 1080, 0.0f, 0.0f, 1.0f));
    sceneState.fade.alpha = 0;
    demoState = 3;
    musicSnapshot.order = 15;
    EXPECT_EQ(trianglesOfFrame(), 2u * TILE_COUNT);

    sceneState.shatter.positions[0].y = 1080.0f;
    sceneState.shatter.positions[1].y = 5000.0f;
    sceneState.shatter.positions[2].y = 1079.5f;
    EXPECT_EQ(trianglesOfFrame(), 2u * (TILE_COUNT - 2));

    renderDemo();
    EXPECT_EQ(windowPixel(600, 300).b, 255) << "tile 21 in place";
}

TEST_F(DemoRender, FallingTilesInOneDrawLeaveThePictureOfOneDrawPerTile) {
    fillShatterGrid(sceneState.shatter, patternTexture("capture stand-in", 1920, 1080));
    TileShatter& tiles = sceneState.shatter;
    // Tiles over later ones and under earlier ones, half out of the frame, one fallen out of it.
    tiles.positions[17] = {170.0f, 95.7f, 0.0f};
    tiles.positions[40] = {-61.9f, 240.0f, 0.0f};
    tiles.positions[41] = {100.0f, 250.0f, 0.0f};
    tiles.positions[90] = {700.3f, 700.0f, 0.0f};
    tiles.positions[91] = {1850.0f, 1040.0f, 0.0f};
    tiles.positions[100].y = 1080.0f;
    tiles.positions[143] = {1700.0f, 30.0f, 0.0f};
    // A background that tells every pixel apart, to see it only where no tile covers it.
    std::optional<TempAssets> assets(std::in_place);
    assets->writeText("Assets/Shaders/Backdrop.vertex", STRIP_VERTEX);
    assets->writeText("Assets/Shaders/Backdrop.fragment",
                      "#version 330 core\nout vec4 c;\n"
                      "void main() { c = vec4(fract(gl_FragCoord.xy / 97.0), 0.5, 1.0); }\n");
    sceneState.palmsShader = resourceManager->getShaderId("Backdrop", ShaderKindEffect);
    ASSERT_NE(sceneState.palmsShader, -1);
    sceneState.fade.alpha = 0;
    demoState = 3;
    musicSnapshot.order = 15;

    // In the window, letterboxed, where the tiles are scaled.
    engine->SelectTarget(TargetWindow);
    clearTarget(0.0f, 0.0f, 0.0f, 0.0f);
    applyBlendMode(BlendAlpha);
    resourceManager->shaderById(sceneState.palmsShader)->draw(5.0f, musicSnapshot);
    drawTilesOneByOne(tiles);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, engine->windowFramebuffer);
    const std::vector<unsigned char> oneByOne = viewportPixels();
    renderDemo();
    EXPECT_EQ(differingBytes(viewportPixels(), oneByOne), 0u);

    // In a target of the design size, where every tile texel is one pixel.
    engine->SelectTarget(TargetSecond);
    clearTarget(0.0f, 0.0f, 0.0f, 0.0f);
    drawTilesOneByOne(tiles);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, resourceManager->textureById(engine->secondTarget)->framebuffer);
    const std::vector<unsigned char> expected = viewportPixels();
    clearTarget(0.0f, 0.0f, 0.0f, 0.0f);
    std::vector<SpriteQuad> quads;
    for (int32_t i = 0; i < TILE_COUNT; ++i) {
        if (tiles.positions[i].y < 1080.0f) {
            quads.push_back({tiles.sourceRects[i], static_cast<int16_t>(tiles.positions[i].x),
                             static_cast<int16_t>(tiles.positions[i].y)});
        }
    }
    engine->DrawTextureBatch(tiles.texture, quads.data(), static_cast<int32_t>(quads.size()), 120, 120);
    EXPECT_EQ(differingBytes(viewportPixels(), expected), 0u);
    EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST)) << "2D drawing goes on without the depth test";
    engine->SelectTarget(TargetWindow);
}

TEST_F(DemoRender, FadeOverlayDrawnOnlyWithAlphaAndOnlyWhereTheSceneHasOne) {
    demoState = 2;
    musicSnapshot.order = 9;
    sceneState.fade.alpha = 0;
    sceneState.fade.argb = 0x00ffffff;
    EXPECT_EQ(trianglesOfFrame(), 0u) << "alpha 0 draws no overlay, even with colour bits set";

    sceneState.fade.alpha = 255;
    sceneState.fade.argb = 0xffffffff;
    EXPECT_EQ(trianglesOfFrame(), 2u);
    EXPECT_EQ(windowPixel(960, 540).g, 255);

    demoState = 1;
    musicSnapshot.order = 5;
    EXPECT_EQ(trianglesOfFrame(), 2u) << "the beach fades while the logo shows";
    musicSnapshot.order = 6;
    EXPECT_EQ(trianglesOfFrame(), 0u) << "scene 1 from order 6 has no overlay";
    musicSnapshot.order = 7;
    EXPECT_EQ(trianglesOfFrame(), 0u);

    demoState = 5;
    musicSnapshot.order = 23;
    sceneState.parrotTexture = solidTexture("parrot stand-in", 844, 1020, 0.0f, 1.0f, 0.0f);
    sceneState.greetings.texture = sceneState.parrotTexture;
    EXPECT_EQ(trianglesOfFrame(), 4u) << "parrot and greeting, never the overlay";
    sceneState.greetings.done = 1;
    EXPECT_EQ(trianglesOfFrame(), 2u) << "once the greetings are done only the parrot is left";
}

TEST_F(DemoRender, MissingAssetsAreSkippedInEveryScene) {
    // Nothing loaded: no entity meshes, no textures, no effect shaders.
    sceneState.fade.alpha = 0;
    for (int32_t scene = 0; scene <= 6; ++scene) {
        demoState = scene;
        for (int32_t order : {0, 2, 6, 8, 14, 16, 23, 26}) {
            musicSnapshot.order = order;
            musicSnapshot.row = 40;
            EXPECT_EQ(trianglesOfFrame(), 0u) << "scene " << scene << " order " << order;
        }
    }
}

TEST_F(DemoRender, OpeningTitlesAndLyricsLandWhereTheMusicPutsThem) {
    sceneState.openingTexture = solidTexture("opening stand-in", 1220, 630, 1.0f, 1.0f, 0.0f);
    sceneState.fade.alpha = 0;
    demoState = 0;
    musicSnapshot.order = 0;
    musicSnapshot.row = 31;
    EXPECT_EQ(trianglesOfFrame(), 0u) << "the first title waits for row 32";
    musicSnapshot.row = 32;
    EXPECT_EQ(trianglesOfFrame(), 2u);
    EXPECT_EQ(windowPixel(400, 450).r, 255);

    sceneState.lyricsTexture = solidTexture("lyrics stand-in", 2048, 256, 0.0f, 1.0f, 1.0f);
    demoState = 6;
    musicSnapshot.order = 26;
    sceneState.lyricsSource = {0, 0, 400, 64};
    sceneState.lyricsX = -300.7f;
    sceneState.lyricsY = 810.0f;
    renderDemo();
    // Truncated towards zero: the strip spans design x -300 to 99.
    EXPECT_EQ(windowPixel(95, 840).g, 255);
    EXPECT_EQ(windowPixel(103, 840).g, 0);
}
