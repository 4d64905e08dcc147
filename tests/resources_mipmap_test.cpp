#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "render_gl_support.h"
#include "resources/MipmapChain.h"
#include "resources/ResourceManager.h"

namespace {

// A picture whose every byte depends on its place and on `seed`, so mixed-up texels or rows show.
std::vector<unsigned char> patterned(int width, int height, int channels, int seed) {
    std::vector<unsigned char> pixels(static_cast<size_t>(width) * height * channels);
    for (size_t i = 0; i < pixels.size(); ++i) {
        pixels[i] = static_cast<unsigned char>((i * 7 + i / 13 + static_cast<size_t>(seed) * 31) & 0xff);
    }
    return pixels;
}

std::vector<unsigned char> levelOf(GLint level, int width, int height, GLenum format) {
    std::vector<unsigned char> pixels(static_cast<size_t>(width) * height * (format == GL_RGBA ? 4 : 3));
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, level, format, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
}

}  // namespace

TEST(MipmapChain, HalvesDownToOneTexelAveragingEachBlockAndLeavingOutAnOddEdge) {
    // 5 x 3 RGB with the same value in every channel: the odd last column and row are left out.
    const std::vector<unsigned char> grey = {0, 10, 20, 30, 40, 1, 11, 21, 31, 41, 255, 255, 255, 255, 255};
    std::vector<unsigned char> rgb;
    for (unsigned char value : grey) {
        rgb.insert(rgb.end(), {value, value, value});
    }
    const std::vector<MipmapLevel> chain = buildMipmapChain(rgb.data(), 5, 3, 3);
    ASSERT_EQ(chain.size(), 2u);
    EXPECT_EQ(chain[0].width, 2);
    EXPECT_EQ(chain[0].height, 1);
    EXPECT_EQ(chain[1].width, 1);
    EXPECT_EQ(chain[1].height, 1);
    // (0 + 10 + 1) / 2 rounds to 5 across, (1 + 11 + 1) / 2 to 6; down (5 + 6 + 1) / 2 = 6.
    EXPECT_EQ(chain[0].pixels, (std::vector<unsigned char>{6, 6, 6, 26, 26, 26}));
    EXPECT_EQ(chain[1].pixels, (std::vector<unsigned char>{16, 16, 16}));

    const std::vector<unsigned char> wide = patterned(64, 4, 4, 3);
    const std::vector<MipmapLevel> wideChain = buildMipmapChain(wide.data(), 64, 4, 4);
    ASSERT_EQ(wideChain.size(), 6u) << "64 x 4 down to 1 x 1";
    EXPECT_EQ(wideChain[2].width, 8);
    EXPECT_EQ(wideChain[2].height, 1);
    EXPECT_EQ(wideChain[5].pixels.size(), 4u);
    EXPECT_TRUE(buildMipmapChain(wide.data(), 1, 1, 4).empty());
}

// The chain replaces the driver's own; on power-of-two sides it must be the driver's texel for
// texel, or smooth textures would look different from the way they were made to look.
TEST(MipmapChain, EqualsTheDriversOwnOnPowerOfTwoSides) {
    initEngineForTests();
    for (const GLenum format : {GL_RGB, GL_RGBA}) {
        const int channels = format == GL_RGBA ? 4 : 3;
        const std::vector<unsigned char> picture = patterned(64, 16, channels, channels);
        GLuint texture = 0;
        glGenTextures(1, &texture);
        glBindTexture(GL_TEXTURE_2D, texture);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        glTexImage2D(GL_TEXTURE_2D, 0, static_cast<GLint>(format), 64, 16, 0, format, GL_UNSIGNED_BYTE, picture.data());
        glGenerateMipmap(GL_TEXTURE_2D);
        GLint level = 1;
        for (const MipmapLevel& mipmap : buildMipmapChain(picture.data(), 64, 16, channels)) {
            EXPECT_EQ(levelOf(level, mipmap.width, mipmap.height, format), mipmap.pixels)
                << channels << " channels, level " << level;
            ++level;
        }
        EXPECT_EQ(level, 7);
        glDeleteTextures(1, &texture);
    }
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
}

TEST(TextureRequests, ASmoothTextureHoldsEveryLevelOfItsChainAndANearestOneOnlyItsPicture) {
    initEngineForTests();
    TempAssets assets;
    const std::vector<unsigned char> picture = patterned(37, 20, 3, 4);
    assets.writePng("Assets/odd.png", 37, 20, 3, picture);
    resourceManager = new ResourceManager();
    testing::internal::CaptureStdout();
    const int32_t smooth = resourceManager->getTextureId("Assets/odd.png", FilterSmooth);
    testing::internal::GetCapturedStdout();
    ASSERT_GE(smooth, 0);
    glBindTexture(GL_TEXTURE_2D, resourceManager->textureById(smooth)->texture);
    GLint level = 1;
    for (const MipmapLevel& mipmap : buildMipmapChain(picture.data(), 37, 20, 3)) {
        GLint width = 0;
        GLint height = 0;
        glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_WIDTH, &width);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_HEIGHT, &height);
        EXPECT_EQ(width, mipmap.width) << "level " << level;
        EXPECT_EQ(height, mipmap.height) << "level " << level;
        EXPECT_EQ(levelOf(level, mipmap.width, mipmap.height, GL_RGB), mipmap.pixels) << "level " << level;
        ++level;
    }
    EXPECT_EQ(level, 6) << "37 x 20 has five levels above its own";
    EXPECT_EQ(levelOf(0, 37, 20, GL_RGB), picture);

    assets.writePng("Assets/sharp.png", 37, 20, 3, picture);
    testing::internal::CaptureStdout();
    const int32_t nearest = resourceManager->getTextureId("Assets/sharp.png", FilterNearest);
    testing::internal::GetCapturedStdout();
    ASSERT_GE(nearest, 0);
    glBindTexture(GL_TEXTURE_2D, resourceManager->textureById(nearest)->texture);
    EXPECT_EQ(levelOf(0, 37, 20, GL_RGB), picture);
    GLint width = -1;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 1, GL_TEXTURE_WIDTH, &width);
    EXPECT_EQ(width, 0) << "nearest filtering never reads a level above the picture";
    glBindTexture(GL_TEXTURE_2D, 0);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}
