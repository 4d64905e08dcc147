#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "engine/Shader.h"
#include "engine/ShaderFactory.h"
#include "render_gl_support.h"
#include "resources/ResourceManager.h"
#include "resources/ShortQuote.h"
#include "resources_console_capture.h"

namespace {

// Failures that happen before any GL call need no context: a fresh registry suffices.
class RegistryWithoutGl : public ::testing::Test {
protected:
    void SetUp() override { resourceManager = new ResourceManager(); }
};

TEST_F(RegistryWithoutGl, MissingImageWritesThreeLinesOnEveryRequest) {
    ConsoleCapture streams(false);
    EXPECT_EQ(resourceManager->getTextureId("Assets/none.png"), -1);
    EXPECT_EQ(streams.out(),
              "Adding Texture Graphic Assets/none.png (first request)\n"
              "Failed to load Assets/none.png on the ID map\n");
    EXPECT_EQ(streams.err(),
              "Error when loading image: Assets/none.png: stbi_load ERROR.\n"
              "    Assets/none.png: can't fopen\n");

    ConsoleCapture merged(true);
    EXPECT_EQ(resourceManager->getTextureId("Assets/none.png"), -1);
    EXPECT_EQ(merged.out(),
              "Adding Texture Graphic Assets/none.png (first request)\n"
              "Error when loading image: Assets/none.png: stbi_load ERROR.\n"
              "    Assets/none.png: can't fopen\n"
              "Failed to load Assets/none.png on the ID map\n");
    EXPECT_TRUE(resourceManager->textures.idsByName.empty());
    EXPECT_EQ(resourceManager->textureById(-1), nullptr);
    EXPECT_EQ(resourceManager->textureById(0), nullptr);
}

TEST_F(RegistryWithoutGl, MissingMeshWritesItsThreeLinesInOrderAndIsTriedAgain) {
    ConsoleCapture streams(false);
    EXPECT_EQ(resourceManager->getMeshId("Assets/none.obj"), -1);
    EXPECT_EQ(streams.out(),
              "Adding Mesh: Assets/none.obj (first request)\n"
              "Error with open mode: r - File : Assets/none.obj\n");
    EXPECT_EQ(streams.err(), "** Imposible crear Mesh: Assets/none.obj\n");

    ConsoleCapture merged(true);
    EXPECT_EQ(resourceManager->getMeshId("Assets/none.obj"), -1);
    EXPECT_EQ(merged.out(),
              "Adding Mesh: Assets/none.obj (first request)\n"
              "Error with open mode: r - File : Assets/none.obj\n"
              "** Imposible crear Mesh: Assets/none.obj\n");
    EXPECT_EQ(resourceManager->meshes.idsByName.at("Assets/none.obj"), -1);
    EXPECT_TRUE(resourceManager->meshes.slots.empty());
}

TEST_F(RegistryWithoutGl, MalformedMeshIsRefusedLikeAMissingOneAndNamesTheLine) {
    TempAssets assets;
    assets.writeText("Assets/bad.obj", "v 0 0 0\nv 1 0 0\nf 1 2 3\n");
    ConsoleCapture streams(false);
    EXPECT_EQ(resourceManager->getMeshId("Assets/bad.obj"), -1);
    EXPECT_EQ(streams.out(), "Adding Mesh: Assets/bad.obj (first request)\n");
    const std::string err = streams.err();
    EXPECT_EQ(err.rfind("** Imposible crear Mesh: Assets/bad.obj\n", 0), 0u) << err;
    EXPECT_NE(err.find("line 3: "), std::string::npos) << err;
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 2);
}

TEST_F(RegistryWithoutGl, ShaderKindWithoutAClassIsRefusedByName) {
    resourceManager->shaderFactory = buildShader;
    ConsoleCapture streams(false);
    EXPECT_EQ(resourceManager->getShaderId("Color2D", static_cast<ShaderKind>(6)), -1);
    EXPECT_EQ(streams.out(), "Adding Shader: Color2D (first request)\n");
    EXPECT_EQ(streams.err(), "** Imposible crear Shader: Color2D\n");
    EXPECT_TRUE(resourceManager->shaders.slots.empty());
}

// Before the engine hands it the shader classes' factory, the registry refuses every shader the same way.
TEST_F(RegistryWithoutGl, ShaderWithoutAFactoryIsRefusedByName) {
    ConsoleCapture streams(false);
    EXPECT_EQ(resourceManager->getShaderId("Color2D", ShaderKindColor), -1);
    EXPECT_EQ(streams.out(), "Adding Shader: Color2D (first request)\n");
    EXPECT_EQ(streams.err(), "** Imposible crear Shader: Color2D\n");
    EXPECT_TRUE(resourceManager->shaders.slots.empty());
}

class RegistryWithGl : public ::testing::Test {
protected:
    void SetUp() override { initEngineForTests(); }
};

TEST_F(RegistryWithGl, IdsCountFromZeroPerRegistryAndRepeatedRequestsLoadOnce) {
    const int32_t texturesBefore = resourceManager->textures.nextSlot;
    ASSERT_EQ(resourceManager->meshes.nextSlot, 0);
    TempAssets assets;
    assets.writePng("Assets/a.png", 2, 2, 4, std::vector<unsigned char>(16, 200));
    assets.writeText("Assets/a.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n");

    EXPECT_EQ(resourceManager->getMeshId("Assets/a.obj"), 0);
    EXPECT_EQ(resourceManager->getTextureId("Assets/a.png"), texturesBefore);
    {
        ConsoleCapture streams(false);
        EXPECT_EQ(resourceManager->getMeshId("Assets/a.obj"), 0);
        EXPECT_EQ(resourceManager->getTextureId("Assets/a.png"), texturesBefore);
        EXPECT_EQ(streams.out(), "");
        EXPECT_EQ(streams.err(), "");
    }
    const TextureRecord* image = resourceManager->textureById(texturesBefore);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->framebuffer, 0u);
    EXPECT_EQ(image->renderbuffer, 0u);
    EXPECT_EQ(resourceManager->textureById(resourceManager->textures.nextSlot), nullptr);
    EXPECT_EQ(resourceManager->meshById(1), nullptr);
}

TEST_F(RegistryWithGl, ShaderThatFailsToCompileShowsTheDriverLogAndUsesNoId) {
    TempAssets assets;
    assets.writeText("Assets/Shaders/Broken.vertex", "#version 330 core\nvoid main() { gl_Position = vec4(0.0); }\n");
    assets.writeText("Assets/Shaders/Broken.fragment",
                     "#version 330 core\nout vec4 c;\nvoid main() { c = undeclaredThing; }\n");
    const int32_t nextFree = resourceManager->shaders.nextSlot;

    ConsoleCapture streams(false);
    EXPECT_EQ(resourceManager->getShaderId("Broken", ShaderKindTexture), -1);
    EXPECT_EQ(streams.out(), "Adding Shader: Broken (first request)\n");
    const std::string err = streams.err();
    EXPECT_EQ(err.rfind("** Errores de compilacion del  Shader: Broken\n", 0), 0u) << err;
    EXPECT_NE(err.find("\n    fragment stage:\n"), std::string::npos) << err;
    EXPECT_NE(err.find("undeclaredThing"), std::string::npos) << err;
    EXPECT_EQ(err.find("\n    vertex stage:"), std::string::npos) << err;

    // The failed build used up no id: the next program built takes the next free one.
    assets.writeText("Assets/Shaders/Good.vertex",
                     "#version 330 core\nuniform mat4 model;\nuniform mat4 projection;\n"
                     "void main() { gl_Position = projection * model * vec4(1.0); }\n");
    assets.writeText("Assets/Shaders/Good.fragment",
                     "#version 330 core\nout vec4 c;\nvoid main() { c = vec4(1.0); }\n");
    const int32_t good = resourceManager->getShaderId("Good", ShaderKindColor);
    EXPECT_EQ(good, nextFree);
    // A program may leave out any uniform of its class; the missing ones stay -1.
    const Shader* shader = resourceManager->shaderById(good);
    ASSERT_NE(shader, nullptr);
    EXPECT_EQ(shader->locations.size(), 13u);
    EXPECT_NE(shader->location(UniformSlot::Model), -1);
    EXPECT_EQ(shader->location(UniformSlot::View), -1);
    EXPECT_EQ(shader->location(UniformSlot::Color), -1);
    EXPECT_EQ(shader->name, "Good");

    // A second request for the broken program tries again and fails again.
    ConsoleCapture again(false);
    EXPECT_EQ(resourceManager->getShaderId("Broken", ShaderKindTexture), -1);
    EXPECT_EQ(again.out(), "Adding Shader: Broken (first request)\n");
}

TEST_F(RegistryWithGl, RenderTargetsAreCompleteAndSizedAndFoundByTheirName) {
    const TextureRecord* second = resourceManager->textureById(engine->secondTarget);
    const TextureRecord* bloom = resourceManager->textureById(engine->bloomTarget);
    ASSERT_NE(second, nullptr);
    ASSERT_NE(bloom, nullptr);
    struct Expected {
        const TextureRecord* record;
        int width;
        int height;
        GLint wrap;
    };
    for (const Expected& e : {Expected{second, 1920, 1080, GL_REPEAT}, Expected{bloom, 960, 540, GL_CLAMP_TO_EDGE}}) {
        EXPECT_NE(e.record->framebuffer, 0u);
        EXPECT_NE(e.record->renderbuffer, 0u);
        EXPECT_EQ(e.record->width, e.width);
        EXPECT_EQ(e.record->height, e.height);
        glBindTexture(GL_TEXTURE_2D, e.record->texture);
        GLint value = 0;
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &value);
        EXPECT_EQ(value, e.width);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &value);
        EXPECT_EQ(value, e.height);
        // The mipmap chain down to 1 x 1 (1920 x 1080 has 10 levels above its own, 960 x 540 has 9).
        const GLint lastLevel = e.width == 1920 ? 10 : 9;
        glGetTexLevelParameteriv(GL_TEXTURE_2D, lastLevel, GL_TEXTURE_WIDTH, &value);
        EXPECT_EQ(value, 1);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, lastLevel, GL_TEXTURE_HEIGHT, &value);
        EXPECT_EQ(value, 1);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 3, GL_TEXTURE_WIDTH, &value);
        EXPECT_EQ(value, e.width / 8);
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, &value);
        EXPECT_EQ(value, e.wrap);
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &value);
        EXPECT_EQ(value, GL_LINEAR);
        glBindTexture(GL_TEXTURE_2D, 0);
        glBindRenderbuffer(GL_RENDERBUFFER, e.record->renderbuffer);
        glGetRenderbufferParameteriv(GL_RENDERBUFFER, GL_RENDERBUFFER_WIDTH, &value);
        EXPECT_EQ(value, e.width);
        glGetRenderbufferParameteriv(GL_RENDERBUFFER, GL_RENDERBUFFER_INTERNAL_FORMAT, &value);
        EXPECT_EQ(value, GL_DEPTH24_STENCIL8);
        glBindFramebuffer(GL_FRAMEBUFFER, e.record->framebuffer);
        EXPECT_EQ(glCheckFramebufferStatus(GL_FRAMEBUFFER), static_cast<GLenum>(GL_FRAMEBUFFER_COMPLETE));
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
    }
    EXPECT_EQ(resourceManager->getTextureId("BlurTexture1"), engine->blurTargets[1]);

    // The same name twice makes two targets; the name keeps answering the first.
    glBindFramebuffer(GL_FRAMEBUFFER, second->framebuffer);
    ConsoleCapture streams(false);
    const int32_t first = resourceManager->createRenderTarget("Twice", 64, 32, true);
    const int32_t other = resourceManager->createRenderTarget("Twice", 16, 16, false);
    EXPECT_EQ(resourceManager->getTextureId("Twice"), first);
    EXPECT_EQ(streams.out(), "");
    EXPECT_NE(first, other);
    EXPECT_EQ(resourceManager->textureById(other)->width, 16);
    GLint bound = -1;
    glGetIntegerv(GL_FRAMEBUFFER_BINDING, &bound);
    EXPECT_EQ(bound, 0);

    // No pixels, no target: a failure, never the id of another texture.
    const int32_t count = resourceManager->textures.nextSlot;
    EXPECT_EQ(resourceManager->createRenderTarget("Empty", 0, 16, true), -1);
    EXPECT_EQ(resourceManager->createRenderTarget("Empty", 16, 0, true), -1);
    EXPECT_EQ(resourceManager->textures.nextSlot, count);
    EXPECT_EQ(resourceManager->textures.objectsByName.count("Empty"), 0u);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

}  // namespace

// Driver logs quote the source: a damaged shader with an enormous name must not flood the console.
TEST_F(RegistryWithGl, ShaderLogsQuoteOnlyTheStartOfHugeTokens) {
    TempAssets assets;
    const std::string huge(100000, 'q');
    std::string manyErrors;
    for (int i = 0; i < 50; ++i) {
        manyErrors += "    c += " + huge.substr(0, 10) + std::to_string(i) + ";\n";
    }
    assets.writeText("Assets/Shaders/Huge.vertex", "#version 330 core\nvoid main() { gl_Position = vec4(0.0); }\n");
    assets.writeText("Assets/Shaders/Huge.fragment",
                     "#version 330 core\nout vec4 c;\nvoid main() { c = " + huge + ";\n" + manyErrors + "}\n");
    ConsoleCapture streams(false);
    EXPECT_EQ(resourceManager->getShaderId("Huge", ShaderKindTexture), -1);
    const std::string err = streams.err();
    EXPECT_EQ(err.rfind("** Errores de compilacion del  Shader: Huge\n", 0), 0u) << err.substr(0, 300);
    EXPECT_NE(err.find("qqqq"), std::string::npos) << err.substr(0, 300);
    EXPECT_NE(err.find("..."), std::string::npos) << err.substr(0, 300);
    EXPECT_LT(err.size(), 25u * 170u) << err.substr(0, 300);
}

TEST(ShortQuote, CutsLongTextAtACharacterBoundaryWithAnEllipsis) {
    EXPECT_EQ(shortQuote("short"), "short");
    EXPECT_EQ(shortQuote(std::string(QUOTE_LIMIT, 'a')), std::string(QUOTE_LIMIT, 'a'));
    EXPECT_EQ(shortQuote(std::string(50000000, '7')), std::string(QUOTE_LIMIT, '7') + "...");
    // "é" is two bytes: a cut between them would leave half a character.
    EXPECT_EQ(shortQuote("ab\xc3\xa9"
                         "cd",
                         3),
              "ab...");
    EXPECT_EQ(shortQuote("ab\xc3\xa9"
                         "cd",
                         4),
              "ab\xc3\xa9...");
    EXPECT_EQ(shortQuote("a\x1b[2Jb\x7f"), "a?[2Jb?");
}
