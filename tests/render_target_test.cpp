#include <gtest/gtest.h>

#include <algorithm>

#include "app/FrameLoop.h"
#include "engine/Engine.h"
#include "render_gl_support.h"
#include "resources/ResourceManager.h"

namespace {

struct GlTargetState {
    GLint framebuffer = -1;
    GLint viewport[4] = {-1, -1, -1, -1};
    GLboolean cull = GL_FALSE;
    GLboolean depth = GL_FALSE;
    GLint polygonMode[2] = {0, 0};

    bool operator==(const GlTargetState& o) const {
        return framebuffer == o.framebuffer && std::equal(viewport, viewport + 4, o.viewport) && cull == o.cull &&
               depth == o.depth && polygonMode[0] == o.polygonMode[0];
    }
};

GlTargetState readTargetState() {
    GlTargetState state;
    glGetIntegerv(GL_FRAMEBUFFER_BINDING, &state.framebuffer);
    glGetIntegerv(GL_VIEWPORT, state.viewport);
    state.cull = glIsEnabled(GL_CULL_FACE);
    state.depth = glIsEnabled(GL_DEPTH_TEST);
    glGetIntegerv(GL_POLYGON_MODE, state.polygonMode);
    return state;
}

bool sameMatrix(const Mat4& a, const Mat4& b) { return std::equal(a.m, a.m + 16, b.m); }

bool sameViewport(const GLint* actual, Viewport expected) {
    return actual[0] == expected.x && actual[1] == expected.y && actual[2] == expected.width &&
           actual[3] == expected.height;
}

TEST(Letterbox, LargestCentredSixteenByNineRectangle) {
    struct Case {
        int32_t width, height;
        Viewport expected;
    };
    const Case cases[] = {
        {1920, 1080, {0, 0, 1920, 1080}},
        {3840, 2160, {0, 0, 3840, 2160}},
        {1024, 768, {0, 96, 1024, 576}},
        {2560, 1080, {320, 0, 1920, 1080}},
        {1080, 1920, {0, 656, 1080, 607}},
        {1366, 768, {0, 0, 1365, 768}},
        {0, 0, {0, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        const Viewport v = letterboxViewport(c.width, c.height);
        EXPECT_TRUE(v.x == c.expected.x && v.y == c.expected.y && v.width == c.expected.width &&
                    v.height == c.expected.height)
            << c.width << "x" << c.height << " gave " << v.x << "," << v.y << " " << v.width << "x" << v.height;
    }
}

TEST(Letterbox, UnpackArgbSplitsTheFourBytes) {
    const Vec4 c = unpackArgb(0x80FF4001u);
    EXPECT_EQ(c.x, 1.0f);
    EXPECT_EQ(c.y, 64.0f / 255.0f);
    EXPECT_EQ(c.z, 1.0f / 255.0f);
    EXPECT_EQ(c.w, 128.0f / 255.0f);
}

class TargetSelection : public ::testing::Test {
protected:
    void SetUp() override { initEngineForTests(); }
};

TEST_F(TargetSelection, UnknownKindsChangeNothing) {
    const TextureRecord* bloom = resourceManager->textureById(engine->bloomTarget);
    glBindFramebuffer(GL_FRAMEBUFFER, bloom->framebuffer);
    glViewport(3, 4, 50, 60);
    glEnable(GL_CULL_FACE);
    glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
    engine->projection = Mat4(2.0f);
    engine->camera.projection = Mat4(3.0f);
    const GlTargetState before = readTargetState();
    for (int32_t kind : {2, 5, -1}) {
        engine->SelectTarget(kind);
        const GlTargetState after = readTargetState();
        EXPECT_TRUE(before == after) << "kind " << kind;
        EXPECT_TRUE(sameMatrix(engine->projection, Mat4(2.0f))) << "kind " << kind;
        EXPECT_TRUE(sameMatrix(engine->camera.projection, Mat4(3.0f))) << "kind " << kind;
    }
    glDisable(GL_CULL_FACE);
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
}

TEST_F(TargetSelection, OffScreenTargetsGetTheirOwnFullViewportAndProjections) {
    Camera reference = engine->camera;
    reference.updateProjection(1920.0f / 1080.0f);
    const Mat4 design = ortho(0.0f, 1920.0f, 1080.0f, 0.0f, 0.1f, 100.0f);

    engine->SelectTarget(0);
    GlTargetState state = readTargetState();
    EXPECT_EQ(state.framebuffer, static_cast<GLint>(resourceManager->textureById(engine->secondTarget)->framebuffer));
    EXPECT_TRUE(sameViewport(state.viewport, {0, 0, 1920, 1080}));
    EXPECT_TRUE(sameMatrix(engine->projection, design));
    EXPECT_TRUE(sameMatrix(engine->camera.projection, reference.projection));

    engine->SelectTarget(4);
    state = readTargetState();
    EXPECT_EQ(state.framebuffer, static_cast<GLint>(resourceManager->textureById(engine->bloomTarget)->framebuffer));
    EXPECT_TRUE(sameViewport(state.viewport, {0, 0, 960, 540}));
    EXPECT_TRUE(sameMatrix(engine->projection, ortho(0.0f, 960.0f, 540.0f, 0.0f, 0.1f, 100.0f)));
    EXPECT_TRUE(sameMatrix(engine->camera.projection, reference.projection));  // 960 / 540 is 16:9 too

    // The overlay target also leaves 3D state behind, as after a 3D pass.
    engine->Begin3D();
    glEnable(GL_DEPTH_TEST);
    glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
    engine->SelectTarget(3);
    state = readTargetState();
    EXPECT_EQ(state.framebuffer, static_cast<GLint>(resourceManager->textureById(engine->overlayTarget)->framebuffer));
    EXPECT_TRUE(sameViewport(state.viewport, {0, 0, 1920, 1080}));
    EXPECT_FALSE(state.cull);
    EXPECT_FALSE(state.depth);
    EXPECT_EQ(state.polygonMode[0], GL_FILL);
    EXPECT_TRUE(sameMatrix(engine->projection, design));
    EXPECT_TRUE(sameMatrix(engine->view, translate(Mat4(1.0f), {0.0f, 0.0f, -3.0f})));
}

TEST_F(TargetSelection, WindowIsLetterboxedAndTheDesignFrameFillsTheBox) {
    // The offscreen driver's desktop is 1024 x 768, not 16:9.
    ASSERT_EQ(engine->drawableWidth, 1024);
    ASSERT_EQ(engine->drawableHeight, 768);
    EXPECT_EQ(engine->windowWidth, 1024);
    const int32_t green = resourceManager->createRenderTarget("Green", 4, 4, false);
    glBindFramebuffer(GL_FRAMEBUFFER, resourceManager->textureById(green)->framebuffer);
    clearTarget(0.0f, 1.0f, 0.0f, 1.0f);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    clearTarget(1.0f, 0.0f, 0.0f, 1.0f);  // leftovers the window clear must remove

    engine->camera.projection = Mat4(1.0f);
    engine->SelectTarget(1);
    const GlTargetState state = readTargetState();
    EXPECT_EQ(state.framebuffer, 0);
    EXPECT_TRUE(sameViewport(state.viewport, {0, 96, 1024, 576}));
    EXPECT_TRUE(sameMatrix(engine->projection, ortho(0.0f, 1920.0f, 1080.0f, 0.0f, 0.1f, 100.0f)));
    Camera reference = engine->camera;
    reference.updateProjection(1920.0f / 1080.0f);
    EXPECT_TRUE(sameMatrix(engine->camera.projection, reference.projection));

    // White over the whole design frame, green over its top-left quarter.
    engine->FillScreen(0xFFFFFFFFu);
    engine->DrawTextureScaled(green, {0, 0, 4, 4}, 0, 0, 0.0f, 960, 540);

    struct Probe {
        int x, y;  // window pixels, origin bottom left
        Rgba expected;
    };
    const Rgba black{0, 0, 0, 255};
    const Rgba whiteRgba{255, 255, 255, 255};
    const Rgba greenRgba{0, 255, 0, 255};
    const Probe probes[] = {
        {512, 40, black},      {512, 95, black},       {512, 767, black},     {512, 672, black},
        {512, 96, whiteRgba},  {1023, 671, whiteRgba}, {768, 200, whiteRgba}, {2, 669, greenRgba},
        {509, 386, greenRgba}, {516, 380, whiteRgba},  {256, 500, greenRgba},
    };
    for (const Probe& p : probes) {
        const Rgba actual = readPixel(p.x, p.y);
        EXPECT_TRUE(actual.r == p.expected.r && actual.g == p.expected.g && actual.b == p.expected.b)
            << p.x << "," << p.y << ": " << int(actual.r) << "," << int(actual.g) << "," << int(actual.b);
    }
}

}  // namespace

TEST_F(TargetSelection, ANewWindowSizeAfterStartUpMovesTheLetterbox) {
    // As when a window manager resizes the window after the engine read its size.
    engine->drawableWidth = 1920;
    engine->drawableHeight = 1080;
    SDL_Event event{};
    event.type = SDL_WINDOWEVENT;
    event.window.event = SDL_WINDOWEVENT_SIZE_CHANGED;
    event.window.windowID = SDL_GetWindowID(engine->window);
    ASSERT_EQ(SDL_PushEvent(&event), 1);
    EXPECT_FALSE(drainEvents());
    EXPECT_EQ(engine->drawableWidth, 1024);
    EXPECT_EQ(engine->drawableHeight, 768);
    const Viewport box = engine->windowViewport();
    EXPECT_EQ(box.y, 96);
    EXPECT_EQ(box.height, 576);
}
