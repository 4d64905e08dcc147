#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "engine/BakedLayer.h"
#include "engine/Engine.h"
#include "engine/Shader.h"
#include "render_gl_support.h"
#include "resources/ResourceManager.h"
#include "resources_console_capture.h"

namespace {

// The baked picture: red counts the order, green is what the input shows, alpha 0.5 so that
// a bake that blended over the target would show.
const char* const BAKE_FRAGMENT =
    "#version 330 core\n"
    "uniform int MODData[11];\n"
    "uniform sampler2D texTex1;\n"
    "out vec4 c;\n"
    "void main() { c = vec4(float(MODData[0]) / 255.0, texture(texTex1, vec2(0.5)).g, %BLUE%, 0.5); }\n";

// The effect shows its baked layer as it is, alpha made opaque.
const char* const SHOW_FRAGMENT =
    "#version 330 core\n"
    "uniform sampler2D texBaked1;\n"
    "out vec4 c;\n"
    "void main() { c = vec4(texelFetch(texBaked1, ivec2(gl_FragCoord.xy), 0).rgb, 1.0); }\n";

std::string bakeSource(const char* blue) {
    std::string source = BAKE_FRAGMENT;
    source.replace(source.find("%BLUE%"), 6, blue);
    return source;
}

int32_t orderKey(const MusicSnapshot& music) { return music.order; }

MusicSnapshot atOrder(int32_t order, int32_t row = 0) {
    MusicSnapshot music;
    music.order = order;
    music.row = row;
    return music;
}

class BakedLayers : public ::testing::Test {
protected:
    void SetUp() override {
        initEngineForTests();
        assets.emplace();
        assets->writeText("Assets/Shaders/BakeProbe.vertex", STRIP_VERTEX);
        assets->writeText("Assets/Shaders/BakeProbe.fragment", bakeSource("0.25"));
        assets->writeText("Assets/Shaders/ShowBaked.vertex", STRIP_VERTEX);
        assets->writeText("Assets/Shaders/ShowBaked.fragment", SHOW_FRAGMENT);
        assets->writePng("Assets/green.png", 1, 1, 4, {0, 200, 0, 255});
        effect = dynamic_cast<ShaderEffect*>(
            resourceManager->shaderById(resourceManager->getShaderId("ShowBaked", ShaderKindEffect)));
        ASSERT_NE(effect, nullptr);
        ConsoleCapture console(true);
        effect->bakedLayers[0] = makeBakedLayer("BakeProbe", engine->blurTargets[0], orderKey);
        console.restore();
        EXPECT_EQ(console.out(), "") << "the show's console lines stay as they are";
        layer = &effect->bakedLayers[0];
        ASSERT_NE(layer->program, nullptr);
        layer->program->textureCount = 1;
        layer->program->textures[0] = resourceManager->getTextureId("Assets/green.png");
    }

    void TearDown() override { effect->bakedLayers[0] = BakedLayer{}; }

    // Draws the effect over the second target, the way the show draws into its frame.
    Rgba drawEffect(const MusicSnapshot& music) {
        engine->SelectTarget(TargetSecond);
        clearTarget(0.0f, 0.0f, 0.0f, 1.0f);
        effect->draw(1.0f, music);
        return readPixel(100, 100);
    }

    Rgba bakedPixel() {
        GLint framebuffer = 0;
        glGetIntegerv(GL_FRAMEBUFFER_BINDING, &framebuffer);
        glBindFramebuffer(GL_FRAMEBUFFER, resourceManager->textureById(layer->target)->framebuffer);
        const Rgba pixel = readPixel(10, 10);
        glBindFramebuffer(GL_FRAMEBUFFER, static_cast<GLuint>(framebuffer));
        return pixel;
    }

    std::optional<TempAssets> assets;
    ShaderEffect* effect = nullptr;
    BakedLayer* layer = nullptr;
};

TEST_F(BakedLayers, DrawnOnceForEachKeyAndSampledByTheEffect) {
    Rgba shown = drawEffect(atOrder(3));
    EXPECT_EQ(layer->bakeCount, 1);
    EXPECT_EQ(shown.r, 3);
    EXPECT_TRUE(near(shown.g, 200, 1)) << int(shown.g) << ": the bake program reads its own inputs";

    // Rows and notes change every frame; the picture of the order stays.
    for (int32_t row = 1; row < 5; ++row) {
        MusicSnapshot music = atOrder(3, row);
        music.note[0] = row;
        drawEffect(music);
    }
    EXPECT_EQ(layer->bakeCount, 1);

    shown = drawEffect(atOrder(4));
    EXPECT_EQ(layer->bakeCount, 2);
    EXPECT_EQ(shown.r, 4);
    EXPECT_EQ(layer->bakedKey, 4);
}

TEST_F(BakedLayers, BakingReplacesTheTargetWholeAndLeavesTheFrameAsItWas) {
    engine->SelectTarget(TargetSecond);
    const TextureRecord* target = resourceManager->textureById(layer->target);
    glBindFramebuffer(GL_FRAMEBUFFER, target->framebuffer);
    clearTarget(1.0f, 1.0f, 1.0f, 1.0f);
    engine->SelectTarget(TargetSecond);
    glBlendFunc(GL_ONE, GL_ONE);
    // A frame that draws with the depth test on (the falling tiles do) must not hide the bake.
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_NEVER);

    ASSERT_TRUE(refreshBakedLayer(*layer, atOrder(7)));

    const Rgba baked = bakedPixel();
    EXPECT_EQ(baked.r, 7) << "not added to the white that was there";
    EXPECT_TRUE(near(baked.a, 128, 1)) << int(baked.a) << ": alpha is the picture's, not blended";
    GLint value = 0;
    glGetIntegerv(GL_FRAMEBUFFER_BINDING, &value);
    EXPECT_EQ(value, static_cast<GLint>(resourceManager->textureById(engine->secondTarget)->framebuffer));
    GLint viewport[4] = {0, 0, 0, 0};
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], SCREEN_WIDTH);
    EXPECT_EQ(viewport[3], SCREEN_HEIGHT);
    EXPECT_TRUE(glIsEnabled(GL_BLEND));
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    glDepthFunc(GL_LESS);
    glDisable(GL_DEPTH_TEST);
    EXPECT_FALSE(refreshBakedLayer(*layer, atOrder(7))) << "the same key draws nothing";
}

TEST_F(BakedLayers, ASharedTargetIsDrawnAgainAfterAnotherLayerDrewThere) {
    BakedLayer other = makeBakedLayer("BakeProbe", layer->target, nullptr);
    ASSERT_TRUE(refreshBakedLayer(*layer, atOrder(5)));
    ASSERT_TRUE(refreshBakedLayer(other, atOrder(9)));
    EXPECT_FALSE(refreshBakedLayer(other, atOrder(11))) << "a layer without a key never changes";

    EXPECT_TRUE(refreshBakedLayer(*layer, atOrder(5))) << "the target holds the other picture now";
    EXPECT_EQ(bakedPixel().r, 5);
    EXPECT_EQ(layer->bakeCount, 2);
}

TEST_F(BakedLayers, ABandSharingTheLayerShowsTheOwnersPictureWithoutDrawingIt) {
    auto* band = dynamic_cast<ShaderEffect*>(
        resourceManager->shaderById(resourceManager->getShaderIdQuietly("ShowBaked:BAND", ShaderKindEffect)));
    ASSERT_NE(band, nullptr);
    band->bakedLayers[0] = sharedBakedLayer(*layer);
    EXPECT_FALSE(refreshBakedLayer(band->bakedLayers[0], atOrder(6))) << "only the owner draws";

    drawEffect(atOrder(6));
    glActiveTexture(GL_TEXTURE0 + BAKED_LAYER_FIRST_UNIT);
    glBindTexture(GL_TEXTURE_2D, 0);
    glActiveTexture(GL_TEXTURE0);
    clearTarget(0.0f, 0.0f, 0.0f, 1.0f);
    band->draw(1.0f, atOrder(6));

    EXPECT_EQ(readPixel(100, 100).r, 6) << "the band binds the owner's target itself";
    EXPECT_EQ(layer->bakeCount, 1);
    EXPECT_EQ(band->bakedLayers[0].bakeCount, 0);
}

TEST_F(BakedLayers, AProgramBuiltAgainFromItsEditedFileDrawsAgain) {
    ASSERT_TRUE(refreshBakedLayer(*layer, atOrder(2)));
    EXPECT_TRUE(near(bakedPixel().b, 64, 1));

    assets->writeText("Assets/Shaders/BakeProbe.fragment", bakeSource("0.75"));
    ASSERT_TRUE(layer->program->reload());
    EXPECT_TRUE(refreshBakedLayer(*layer, atOrder(2)));
    EXPECT_TRUE(near(bakedPixel().b, 191, 1)) << int(bakedPixel().b);
}

TEST_F(BakedLayers, AMissingProgramOrTargetBakesNothingAndTheEffectStillDraws) {
    BakedLayer missing = makeBakedLayer("NoSuchBake", layer->target, orderKey);
    EXPECT_EQ(missing.program, nullptr);
    EXPECT_EQ(missing.target, -1) << "the effect must not sample a target another layer filled";
    EXPECT_FALSE(refreshBakedLayer(missing, atOrder(1)));

    BakedLayer noTarget = makeBakedLayer("BakeProbe", -1, orderKey);
    EXPECT_FALSE(refreshBakedLayer(noTarget, atOrder(1)));

    effect->bakedLayers[0] = missing;
    drawEffect(atOrder(1));
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

}  // namespace
