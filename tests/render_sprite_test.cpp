#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "engine/Engine.h"
#include "engine/Shader.h"
#include "render_gl_support.h"
#include "resources/ResourceManager.h"

namespace {

// Sprites are drawn into the full-size "SecondRendertexture" target, where one design pixel
// is one framebuffer pixel.
class SpriteDraw : public ::testing::Test {
protected:
    void SetUp() override {
        initEngineForTests();
        assets.emplace();
        engine->SelectTarget(0);
        clearTarget(0.0f, 0.0f, 1.0f, 1.0f);
    }

    int32_t loadImage(const std::string& name, int width, int height, int channels,
                      const std::vector<unsigned char>& pixels, bool smooth = false) {
        assets->writePng("Assets/" + name, width, height, channels, pixels);
        return resourceManager->getTextureId("Assets/" + name, smooth ? FilterSmooth : FilterNearest);
    }

    std::optional<TempAssets> assets;  // entered after the engine has read its shaders
};

// A 256 x 128 image whose every pixel tells its own position: red = x, green = 2 y.
std::vector<unsigned char> positionImage() {
    std::vector<unsigned char> pixels;
    for (int y = 0; y < 128; ++y) {
        for (int x = 0; x < 256; ++x) {
            pixels.insert(pixels.end(), {static_cast<unsigned char>(x), static_cast<unsigned char>(2 * y), 77, 255});
        }
    }
    return pixels;
}

TEST_F(SpriteDraw, SourceRectangleIsCutOutUprightAtItsPlace) {
    const int32_t id = loadImage("positions.png", 256, 128, 4, positionImage());
    ASSERT_NE(id, -1);
    engine->DrawTexture(id, {64, 32, 64, 32}, 100, 200);

    for (int dy = 0; dy < 32; dy += 3) {
        for (int dx = 0; dx < 64; dx += 7) {
            const Rgba p = designPixel(100 + dx, 200 + dy);
            ASSERT_EQ(p.r, 64 + dx) << dx << "," << dy;
            ASSERT_EQ(p.g, 2 * (32 + dy)) << dx << "," << dy;
            ASSERT_EQ(p.b, 77);
        }
    }
    const Rgba corner = designPixel(163, 231);
    EXPECT_EQ(corner.r, 127);
    EXPECT_EQ(corner.g, 2 * 63);
    for (const auto& outside : {std::pair{99, 200}, std::pair{164, 200}, std::pair{100, 199}, std::pair{100, 232}}) {
        EXPECT_EQ(designPixel(outside.first, outside.second).b, 255) << outside.first << "," << outside.second;
    }

    // The corners' texture coordinates, in vertex order, as the example gives them.
    const Shader* shader = resourceManager->shaderById(engine->shaderTexture2D);
    const float expected[8] = {0.25f, 0.5f, 0.5f, 0.5f, 0.5f, 0.25f, 0.25f, 0.25f};
    for (int i = 0; i < 8; ++i) {
        float value = -1.0f;
        const std::string element = "texClamp[" + std::to_string(i) + "]";
        glGetUniformfv(shader->program, glGetUniformLocation(shader->program, element.c_str()), &value);
        EXPECT_FLOAT_EQ(value, expected[i]) << element;
    }
    GLint bound = -1;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(bound, 0);
    glGetIntegerv(GL_CURRENT_PROGRAM, &bound);
    EXPECT_EQ(bound, 0);
}

TEST_F(SpriteDraw, GreyAndOddWidthImagesUploadWithoutSkew) {
    // Widths 3 and 5 give rows that do not end on a 4-byte boundary.
    struct Image {
        const char* name;
        int width;
        int height;
        int channels;
    };
    int x = 0;
    for (const Image& image :
         {Image{"grey.png", 3, 4, 1}, Image{"greyalpha.png", 5, 3, 2}, Image{"rgb.png", 5, 3, 3}}) {
        std::vector<unsigned char> pixels;
        for (int i = 0; i < image.width * image.height * image.channels; ++i) {
            pixels.push_back(static_cast<unsigned char>(10 + 17 * i));
        }
        const int32_t id = loadImage(image.name, image.width, image.height, image.channels, pixels);
        ASSERT_NE(id, -1) << image.name;
        clearTarget(0.0f, 0.0f, 0.0f, 0.0f);
        glBlendFunc(GL_ONE, GL_ZERO);
        TextureRecord* record = resourceManager->textureById(id);
        record->blendMode = -1;  // keep the plain copy set above, to read alpha back unblended
        engine->DrawTexture(id, {0, 0, static_cast<uint16_t>(image.width), static_cast<uint16_t>(image.height)},
                            static_cast<int16_t>(x), 10);
        for (int py = 0; py < image.height; ++py) {
            for (int px = 0; px < image.width; ++px) {
                const unsigned char* source = &pixels[static_cast<size_t>((py * image.width + px) * image.channels)];
                const Rgba p = designPixel(x + px, 10 + py);
                const bool colour = image.channels >= 3;
                EXPECT_EQ(p.r, source[0]) << image.name << " " << px << "," << py;
                EXPECT_EQ(p.g, colour ? source[1] : source[0]) << image.name << " " << px << "," << py;
                EXPECT_EQ(p.b, colour ? source[2] : source[0]) << image.name << " " << px << "," << py;
                EXPECT_EQ(p.a, image.channels == 2 ? source[1] : 255) << image.name << " " << px << "," << py;
            }
        }
        x += 10;
    }
}

TEST_F(SpriteDraw, SmoothFilteringChoosesTrilinearOverNearest) {
    // A 1-pixel checkerboard: minified, mipmaps average it to grey; nearest keeps black or white.
    std::vector<unsigned char> checker;
    for (int y = 0; y < 64; ++y) {
        for (int x = 0; x < 64; ++x) {
            const unsigned char v = (x + y) % 2 == 0 ? 255 : 0;
            checker.insert(checker.end(), {v, v, v, 255});
        }
    }
    const int32_t sharp = loadImage("sharp.png", 64, 64, 4, checker, false);
    const int32_t smooth = loadImage("smooth.png", 64, 64, 4, checker, true);
    engine->DrawTextureScaled(sharp, {0, 0, 64, 64}, 0, 0, 0.0f, 8, 8);
    engine->DrawTextureScaled(smooth, {0, 0, 64, 64}, 20, 0, 0.0f, 8, 8);
    // Magnified, a black/white pair shows a ramp only with linear filtering.
    const std::vector<unsigned char> pair = {0, 0, 0, 255, 255, 255, 255, 255};
    const int32_t sharpPair = loadImage("sharppair.png", 2, 1, 4, pair, false);
    const int32_t smoothPair = loadImage("smoothpair.png", 2, 1, 4, pair, true);
    engine->DrawTextureScaled(sharpPair, {0, 0, 2, 1}, 0, 100, 0.0f, 200, 10);
    engine->DrawTextureScaled(smoothPair, {0, 0, 2, 1}, 0, 200, 0.0f, 200, 10);

    for (int i = 0; i < 8; ++i) {
        const int nearest = designPixel(i, 4).r;
        EXPECT_TRUE(nearest == 0 || nearest == 255) << nearest;
        EXPECT_TRUE(near(designPixel(20 + i, 4).r, 128, 8)) << designPixel(20 + i, 4).r;
    }
    EXPECT_EQ(designPixel(99, 105).r, 0);
    EXPECT_EQ(designPixel(100, 105).r, 255);
    EXPECT_TRUE(near(designPixel(100, 205).r, 128, 8));
    EXPECT_LT(designPixel(60, 205).r, designPixel(90, 205).r);
}

TEST_F(SpriteDraw, EachBlendModeCombinesWithTheTargetAsItsFormulaSays) {
    const int32_t id = loadImage("half.png", 1, 1, 4, {200, 100, 0, 128});
    TextureRecord* record = resourceManager->textureById(id);
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(record->blendMode, BlendAlpha);
    const float a = 128.0f / 255.0f;
    const int dst = 64;
    struct Expected {
        int32_t mode;
        int r, g, b;
    };
    const Expected cases[] = {
        {BlendAdditive, static_cast<int>(200 * a + dst), static_cast<int>(100 * a + dst), dst},
        {BlendMultiply, 200 * dst / 255, 100 * dst / 255, 0},
        {BlendAlpha, static_cast<int>(200 * a + dst * (1 - a)), static_cast<int>(100 * a + dst * (1 - a)),
         static_cast<int>(dst * (1 - a))},
    };
    for (const Expected& e : cases) {
        clearTarget(dst / 255.0f, dst / 255.0f, dst / 255.0f, 0.5f);
        record->blendMode = e.mode;
        engine->DrawTextureScaled(id, {0, 0, 1, 1}, 10, 10, 0.0f, 4, 4);
        const Rgba p = designPixel(11, 11);
        EXPECT_TRUE(near(p.r, e.r) && near(p.g, e.g) && near(p.b, e.b))
            << "mode " << e.mode << ": " << int(p.r) << "," << int(p.g) << "," << int(p.b);
        if (e.mode == BlendAlpha) {
            // Alpha adds up instead of being mixed away.
            EXPECT_TRUE(near(p.a, 128 + 128)) << int(p.a);
        }
    }

    // An unknown mode leaves whatever blending was in force.
    glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_COLOR);
    applyBlendMode(7);
    GLint source = 0;
    GLint destination = 0;
    glGetIntegerv(GL_BLEND_SRC_RGB, &source);
    glGetIntegerv(GL_BLEND_DST_RGB, &destination);
    EXPECT_EQ(source, GL_ONE);
    EXPECT_EQ(destination, GL_ONE_MINUS_SRC_COLOR);
}

TEST_F(SpriteDraw, AlphaDrawsLeaveTheRecordTintExactlyAsItWas) {
    const int32_t id = loadImage("white.png", 2, 2, 4, std::vector<unsigned char>(16, 255));
    TextureRecord* record = resourceManager->textureById(id);
    clearTarget(0.0f, 0.0f, 0.0f, 1.0f);

    record->color.w = 0.5f;
    engine->DrawTextureAlpha(id, {0, 0, 2, 2}, 0, 0, 128);
    EXPECT_EQ(record->color.w, 0.5f);
    EXPECT_TRUE(near(designPixel(1, 1).r, 128, 1)) << int(designPixel(1, 1).r);

    record->color.w = 0.0f;
    engine->DrawTextureScaled(id, {0, 0, 2, 2}, 10, 0, 0.0f, 4, 4);
    EXPECT_EQ(record->color.w, 0.0f);
    EXPECT_EQ(designPixel(11, 1).r, 255);

    record->color.w = 0.3f;
    engine->DrawTexture(id, {0, 0, 2, 2}, 20, 0);
    EXPECT_EQ(record->color.w, 0.3f);
    EXPECT_TRUE(near(designPixel(21, 1).r, 77, 1)) << int(designPixel(21, 1).r);
}

TEST_F(SpriteDraw, TurnedQuadsTurnAboutTheirCentre) {
    // Black left half, white right half, stretched to 200 x 100 at (300, 300), turned 90 degrees:
    // it now stands 100 wide and 200 high around the same centre (400, 350).
    const int32_t id = loadImage("halves.png", 2, 1, 4, {0, 0, 0, 255, 255, 255, 255, 255});
    engine->DrawTextureScaled(id, {0, 0, 2, 1}, 300, 300, 90.0f, 200, 100);
    auto isColour = [](Rgba p, int r, int g, int b) { return p.r == r && p.g == g && p.b == b; };
    EXPECT_TRUE(isColour(designPixel(310, 350), 0, 0, 255));  // where the unturned quad began
    EXPECT_TRUE(isColour(designPixel(400, 245), 0, 0, 255));  // just above the turned one
    EXPECT_TRUE(isColour(designPixel(400, 260), 0, 0, 0));    // the left half now on top
    EXPECT_TRUE(isColour(designPixel(400, 440), 255, 255, 255));
    EXPECT_TRUE(isColour(designPixel(355, 300), 0, 0, 0));
}

TEST_F(SpriteDraw, FillScreenBlendsItsAlphaOverTheWholeDesignFrame) {
    clearTarget(1.0f, 1.0f, 1.0f, 1.0f);
    engine->FillScreen(0x80000000u);
    for (const auto& [x, y] : {std::pair{0, 0}, std::pair{1919, 1079}, std::pair{960, 540}, std::pair{0, 1079}}) {
        const Rgba p = designPixel(x, y);
        EXPECT_TRUE(near(p.r, 127, 1) && near(p.g, 127, 1) && near(p.b, 127, 1)) << x << "," << y << ": " << int(p.r);
    }
    engine->FillScreen(0xFF20A040u);
    const Rgba p = designPixel(5, 5);
    EXPECT_EQ(p.r, 0x20);
    EXPECT_EQ(p.g, 0xA0);
    EXPECT_EQ(p.b, 0x40);
}

TEST_F(SpriteDraw, MissingTexturesAndShadersDrawNothing) {
    clearTarget(0.0f, 0.0f, 1.0f, 1.0f);
    engine->DrawTexture(-1, {0, 0, 10, 10}, 0, 0);
    engine->DrawTextureScaled(-1, {0, 0, 10, 10}, 0, 0, 0.0f, 10, 10);
    engine->DrawTextureAlpha(resourceManager->textures.nextSlot, {0, 0, 10, 10}, 0, 0, 255);
    engine->DrawQuad(0, 0, 10, 10, nullptr, 0.0f);
    const Vec3 origin{0.0f, 0.0f, 0.0f};
    const Vec3 one{1.0f, 1.0f, 1.0f};
    const Quat still{0.0f, 0.0f, 0.0f, 1.0f};
    engine->DrawMesh(engine->quadVao, 6, origin, still, one, nullptr, GL_TRIANGLES);
    engine->DrawMeshTextured(engine->quadVao, 6, origin, still, one, -1, 255);

    // The engine's own programs may be missing too.
    const int32_t colour = engine->shaderColor2D;
    const int32_t texture2D = engine->shaderTexture2D;
    engine->shaderColor2D = -1;
    engine->shaderTexture2D = -1;
    engine->FillScreen(0xFFFFFFFFu);
    engine->DrawMeshColor(engine->quadVao, 6, origin, still, one, 0xFFFFFFFFu);
    engine->DrawTexture(0, {0, 0, 10, 10}, 0, 0);
    engine->shaderColor2D = colour;
    engine->shaderTexture2D = texture2D;

    const Rgba p = designPixel(5, 5);
    EXPECT_EQ(p.r, 0);
    EXPECT_EQ(p.b, 255);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

}  // namespace
