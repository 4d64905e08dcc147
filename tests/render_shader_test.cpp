#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "engine/Engine.h"
#include "engine/Shader.h"
#include "render_gl_support.h"
#include "resources/ResourceManager.h"

namespace {

// Shows time, music, resolution and two of its inputs as one colour.
const char* const PROBE_FRAGMENT =
    "#version 330 core\n"
    "uniform float fGlobalTime;\n"
    "uniform vec2 v2Resolution;\n"
    "uniform int MODData[11];\n"
    "uniform sampler2D texTex1;\n"
    "uniform sampler2D texTex3;\n"
    "out vec4 c;\n"
    "void main() {\n"
    "    float blue = texture(texTex1, vec2(0.5)).b * 0.5 + texture(texTex3, vec2(0.5)).g * 0.5;\n"
    "    c = vec4(fGlobalTime / 10.0, float(MODData[2] + MODData[10]) / 255.0, blue, 1.0);\n"
    "    if (v2Resolution != vec2(1920.0, 1080.0)) c = vec4(1.0, 0.0, 1.0, 1.0);\n"
    "}\n";

class EffectShader : public ::testing::Test {
protected:
    void SetUp() override {
        initEngineForTests();
        assets.emplace();
        assets->writeText("Assets/Shaders/Probe.vertex", STRIP_VERTEX);
        assets->writeText("Assets/Shaders/Probe.fragment", PROBE_FRAGMENT);
        effect = dynamic_cast<ShaderEffect*>(
            resourceManager->shaderById(resourceManager->getShaderId("Probe", ShaderKindEffect)));
        ASSERT_NE(effect, nullptr);
        engine->SelectTarget(0);
        clearTarget(0.0f, 0.0f, 0.0f, 1.0f);
    }

    int32_t solidTexture(const char* name, std::vector<unsigned char> rgba, int32_t blendMode) {
        assets->writePng(std::string("Assets/") + name, 1, 1, 4, rgba);
        const int32_t id = resourceManager->getTextureId(std::string("Assets/") + name);
        resourceManager->textureById(id)->blendMode = blendMode;
        return id;
    }

    std::optional<TempAssets> assets;
    ShaderEffect* effect = nullptr;
};

TEST_F(EffectShader, SendsTimeMusicResolutionAndInputsThenLeavesUnitZerosBlendInForce) {
    const int32_t first = solidTexture("first.png", {0, 0, 200, 255}, BlendAdditive);
    const int32_t second = solidTexture("second.png", {9, 9, 9, 255}, BlendMultiply);
    const int32_t third = solidTexture("third.png", {0, 100, 0, 255}, BlendMultiply);
    effect->textureCount = 3;
    effect->textures[0] = first;
    effect->textures[1] = second;
    effect->textures[2] = third;
    MusicSnapshot music;
    music.row = 100;
    music.note[3] = 27;

    effect->draw(2.5f, music);

    const Rgba p = designPixel(700, 300);
    EXPECT_TRUE(near(p.r, 64, 1)) << int(p.r);  // 2.5 s
    EXPECT_EQ(p.g, 127);                        // row and channel 3's note
    EXPECT_TRUE(near(p.b, 150, 1)) << int(p.b);
    GLint value = 0;
    glGetIntegerv(GL_ACTIVE_TEXTURE, &value);
    EXPECT_EQ(value, GL_TEXTURE0);
    const int32_t expected[3] = {first, second, third};
    for (int unit = 0; unit < 3; ++unit) {
        glActiveTexture(GL_TEXTURE0 + static_cast<GLenum>(unit));
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &value);
        EXPECT_EQ(value, static_cast<GLint>(resourceManager->textureById(expected[unit])->texture)) << unit;
    }
    glActiveTexture(GL_TEXTURE0);
    glGetIntegerv(GL_BLEND_DST_RGB, &value);
    EXPECT_EQ(value, GL_ONE);  // additive, from the first input
    glGetIntegerv(GL_CURRENT_PROGRAM, &value);
    EXPECT_EQ(value, static_cast<GLint>(effect->program));
}

TEST_F(EffectShader, WithoutInputsItBindsNothingAndStillPaints) {
    glBindTexture(GL_TEXTURE_2D, 0);
    glBlendFunc(GL_ONE, GL_ZERO);
    effect->textureCount = 0;
    effect->textures[0] = -1;
    effect->draw(5.0f, MusicSnapshot{});
    EXPECT_TRUE(near(designPixel(10, 10).r, 128, 1));
    GLint bound = -1;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(bound, 0);

    // A failed input (id -1) binds no texture rather than reading a missing record.
    effect->textureCount = 1;
    effect->draw(5.0f, MusicSnapshot{});
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(bound, 0);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

// Paints red at the top of the frame's rows in its variant's band, blue elsewhere; TOP covers the
// upper half, without a variant the lower half.
const char* const BAND_VERTEX =
    "#version 330 core\n"
    "void main() {\n"
    "    vec2 corner = vec2(float(gl_VertexID & 1), float(gl_VertexID >> 1));\n"
    "#ifdef TOP\n"
    "    float y = corner.y;\n"
    "#else\n"
    "    float y = corner.y - 1.0;\n"
    "#endif\n"
    "    gl_Position = vec4(corner.x * 2.0 - 1.0, y, 0.0, 1.0);\n"
    "}\n";
const char* const BAND_FRAGMENT =
    "#version 330 core\n"
    "uniform int MODData[11];\n"
    "out vec4 c;\n"
    "void main() {\n"
    "#ifdef TOP\n"
    "    c = vec4(1.0, float(MODData[0]) / 255.0, 0.0, 1.0);\n"
    "#else\n"
    "    c = vec4(0.0, float(MODData[0]) / 255.0, 1.0, 1.0);\n"
    "#endif\n"
    "}\n";

TEST_F(EffectShader, AVariantBuildsTheSameFilesSpecialisedAndTheNextBandDrawsAfter) {
    assets->writeText("Assets/Shaders/Bands.vertex", BAND_VERTEX);
    assets->writeText("Assets/Shaders/Bands.fragment", BAND_FRAGMENT);
    auto* lower = dynamic_cast<ShaderEffect*>(
        resourceManager->shaderById(resourceManager->getShaderIdQuietly("Bands", ShaderKindEffect)));
    auto* upper = dynamic_cast<ShaderEffect*>(
        resourceManager->shaderById(resourceManager->getShaderIdQuietly("Bands:TOP", ShaderKindEffect)));
    ASSERT_NE(lower, nullptr);
    ASSERT_NE(upper, nullptr);
    EXPECT_EQ(shaderSourcePath(upper->name, ".fragment"), "Assets/Shaders/Bands.fragment");
    lower->nextBand = upper;
    MusicSnapshot music;
    music.order = 40;

    lower->draw(0.0f, music);

    const Rgba top = designPixel(960, 100);
    const Rgba bottom = designPixel(960, 1000);
    EXPECT_EQ(top.r, 255);
    EXPECT_EQ(top.g, 40) << "the next band gets the same music";
    EXPECT_EQ(bottom.b, 255);
    EXPECT_EQ(bottom.r, 0);
    GLint program = 0;
    glGetIntegerv(GL_CURRENT_PROGRAM, &program);
    EXPECT_EQ(program, static_cast<GLint>(upper->program));

    // The define goes after the version line, and the file's lines keep their numbers.
    EXPECT_EQ(glslWithVariant("#version 330 core\nbody\n", "TOP"), "#version 330 core\n#define TOP\n#line 2\nbody\n");
    EXPECT_EQ(glslWithVariant("body\n", "TOP"), "#define TOP\n#line 1\nbody\n");
    EXPECT_EQ(glslWithVariant("body\n", ""), "body\n");
}

TEST_F(EffectShader, LoadingTwiceKeepsTheFirstProgramAndAFailedEffectStillHasItsStrip) {
    const uint32_t program = effect->program;
    effect->load("NoSuchProgram");
    EXPECT_TRUE(effect->ready);
    EXPECT_EQ(effect->program, program);
    EXPECT_EQ(effect->name, "Probe");
    // Effects keep their own locations; the shared table stays empty of them.
    for (int32_t location : effect->locations) {
        EXPECT_EQ(location, -1);
    }

    ShaderEffect missing;
    missing.load("NoSuchProgram");
    EXPECT_FALSE(missing.ready);
    EXPECT_NE(missing.vertexArray, 0u);
    EXPECT_EQ(missing.resolution.x, 1920.0f);
    EXPECT_EQ(missing.resolution.y, 1080.0f);
}

}  // namespace

TEST(ShaderSource, ForEsTheVersionLineBecomesEsWithPrecisionAndTheBodyKeepsItsLineNumbers) {
    const std::string body = "// comment\nout vec4 colour;\nvoid main() { colour = vec4(1.0); }\n";
    const std::string es = glslForEs("#version 330 core\n" + body);
    ASSERT_EQ(es.rfind("#version 300 es\n", 0), 0u) << es;
    EXPECT_NE(es.find("precision highp float;\n"), std::string::npos) << "fragment stages have no default float";
    EXPECT_EQ(es.find("330"), std::string::npos) << es;
    const std::string tail = "#line 2\n" + body;
    ASSERT_GE(es.size(), tail.size());
    EXPECT_EQ(es.substr(es.size() - tail.size()), tail) << "the file's second line is line 2 again";

    const std::string bare = glslForEs("void main() {}\n");
    EXPECT_EQ(bare.rfind("#version 300 es\n", 0), 0u);
    EXPECT_NE(bare.find("#line 1\nvoid main() {}\n"), std::string::npos) << bare;
}

namespace {

// Compiles a stage in the current context; the driver's message when it fails.
std::string compileError(GLenum type, const std::string& source) {
    const GLuint shader = glCreateShader(type);
    const char* text = source.c_str();
    glShaderSource(shader, 1, &text, nullptr);
    glCompileShader(shader);
    GLint status = GL_FALSE;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &status);
    std::string log(4096, '\0');
    GLsizei length = 0;
    glGetShaderInfoLog(shader, static_cast<GLsizei>(log.size()), &length, &log[0]);
    glDeleteShader(shader);
    return status == GL_TRUE ? std::string() : log.substr(0, static_cast<size_t>(length)) + "(failed)";
}

std::string readWhole(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// No variant, then each name the sources test with "defined(NAME)".
std::vector<std::string> variantsNamedIn(const std::string& source) {
    std::vector<std::string> variants{""};
    const std::string mark = "defined(";
    for (size_t at = source.find(mark); at != std::string::npos; at = source.find(mark, at + 1)) {
        const size_t start = at + mark.size();
        const std::string name = source.substr(start, source.find(')', start) - start);
        if (std::find(variants.begin(), variants.end(), name) == variants.end()) {
            variants.push_back(name);
        }
    }
    return variants;
}

}  // namespace

// The browser build's shaders are these files rewritten; Mesa's OpenGL ES 3.0 is as strict as
// WebGL 2 about what GLSL ES 3.00 allows (no implicit int to float, precision, ...).
TEST(ShaderSource, EveryShaderOfTheShowCompilesAsGlslEs300) {
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError();
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_ES);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 0);
    SDL_Window* window = SDL_CreateWindow("es", 0, 0, 64, 64, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    ASSERT_NE(window, nullptr) << SDL_GetError();
    SDL_GLContext context = SDL_GL_CreateContext(window);
    ASSERT_NE(context, nullptr) << SDL_GetError();
    ASSERT_NE(gladLoadGL(reinterpret_cast<GLADloadfunc>(SDL_GL_GetProcAddress)), 0);

    int checked = 0;
    for (const auto& entry : std::filesystem::directory_iterator("Assets/Shaders")) {
        if (entry.path().extension() != ".vertex") {
            continue;
        }
        std::filesystem::path fragment = entry.path();
        fragment.replace_extension(".fragment");
        const std::string vertexSource = readWhole(entry.path());
        for (const std::string& variant : variantsNamedIn(vertexSource + readWhole(fragment))) {
            EXPECT_EQ(compileError(GL_VERTEX_SHADER, glslForEs(glslWithVariant(vertexSource, variant))), "")
                << entry.path() << " " << variant;
            EXPECT_EQ(compileError(GL_FRAGMENT_SHADER, glslForEs(glslWithVariant(readWhole(fragment), variant))), "")
                << fragment << " " << variant;
        }
        ++checked;
    }
    EXPECT_GE(checked, 8);
    // The ES context and its window stay until the process ends: unloading the driver would leave its
    // own leaks at exit in an unknown module, where the sanitizer's suppressions cannot name it.
    SDL_GL_MakeCurrent(window, nullptr);
    SDL_GL_ResetAttributes();
}
