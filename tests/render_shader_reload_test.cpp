#include <gtest/gtest.h>

#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "engine/Shader.h"
#include "engine/ShaderWatch.h"
#include "render_gl_support.h"
#include "resources/ResourceManager.h"
#include "resources_console_capture.h"

namespace {

// Red, with the time in green so the reloaded program's uniform locations are seen to work.
const char* const RED_FRAGMENT =
    "#version 330 core\n"
    "uniform float fGlobalTime;\n"
    "out vec4 c;\n"
    "void main() { c = vec4(1.0, fGlobalTime / 10.0, 0.0, 1.0); }\n";

// The edit declares more uniforms before the time, so its location is likely to move.
const char* const BLUE_FRAGMENT =
    "#version 330 core\n"
    "uniform int MODData[11];\n"
    "uniform vec2 v2Resolution;\n"
    "uniform float fGlobalTime;\n"
    "out vec4 c;\n"
    "void main() {\n"
    "    float check = v2Resolution.x == 1920.0 ? 1.0 : 0.0;\n"
    "    c = vec4(float(MODData[2]) / 255.0, fGlobalTime / 10.0, check, 1.0);\n"
    "}\n";

const char* const BROKEN_FRAGMENT =
    "#version 330 core\n"
    "out vec4 c;\n"
    "void main() { c = vec4(1.0, 0.0, 0.0, 1.0) }\n";

class ShaderReload : public ::testing::Test {
protected:
    void SetUp() override {
        initEngineForTests();
        assets.emplace();
        assets->writeText("Assets/Shaders/Live.vertex", STRIP_VERTEX);
        assets->writeText("Assets/Shaders/Live.fragment", RED_FRAGMENT);
        id = resourceManager->getShaderId("Live", ShaderKindEffect);
        effect = dynamic_cast<ShaderEffect*>(resourceManager->shaderById(id));
        ASSERT_NE(effect, nullptr);
        startShaderWatch(watch, 1000);
    }

    // Saves the fragment source with a modification time clearly after the previous one, as an
    // editor's save seconds later would: file systems with coarse times would otherwise hide it.
    void edit(const char* source) {
        assets->writeText("Assets/Shaders/Live.fragment", source);
        saves += 1;
        std::filesystem::last_write_time("Assets/Shaders/Live.fragment", std::filesystem::file_time_type::clock::now() +
                                                                             std::chrono::seconds(2 * saves));
    }

    // What the effect paints now, at 2.5 s with row 51.
    Rgba paint() {
        engine->SelectTarget(0);
        clearTarget(0.0f, 0.0f, 0.0f, 1.0f);
        MusicSnapshot music;
        music.row = 51;
        resourceManager->shaderById(id)->draw(2.5f, music);
        return designPixel(960, 540);
    }

    std::optional<TempAssets> assets;
    int32_t id = -1;
    ShaderEffect* effect = nullptr;
    ShaderWatch watch;
    int saves = 0;
};

TEST_F(ShaderReload, AGoodEditReplacesTheProgramInPlaceABrokenOneKeepsTheOldAndARestoredOneReturns) {
    Rgba before = paint();
    EXPECT_EQ(before.r, 255);
    EXPECT_TRUE(near(before.g, 64, 1)) << int(before.g);
    {
        ConsoleCapture console(true);
        EXPECT_EQ(pollShaderWatch(watch, 1400), 0) << "nothing changed";
        console.restore();
        EXPECT_EQ(console.out(), "");
    }

    edit(BLUE_FRAGMENT);
    EXPECT_EQ(pollShaderWatch(watch, 1500), 0) << "polled at most four times a second";
    const uint32_t redProgram = effect->program;
    {
        ConsoleCapture console(false);
        EXPECT_EQ(pollShaderWatch(watch, 1650), 1);
        console.restore();
        EXPECT_EQ(console.out(), "Reloaded Shader: Live\n");
        EXPECT_EQ(console.err(), "");
    }
    EXPECT_EQ(resourceManager->shaderById(id), effect) << "the same object under the same id";
    EXPECT_TRUE(effect->ready);
    EXPECT_NE(effect->program, redProgram);
    EXPECT_EQ(glIsProgram(redProgram), GL_FALSE) << "the old program is released";
    Rgba blue = paint();
    EXPECT_TRUE(near(blue.r, 51, 1)) << int(blue.r);
    EXPECT_TRUE(near(blue.g, 64, 1)) << int(blue.g);
    EXPECT_EQ(blue.b, 255);

    edit(BROKEN_FRAGMENT);
    const uint32_t blueProgram = effect->program;
    {
        ConsoleCapture console(false);
        EXPECT_EQ(pollShaderWatch(watch, 2000), 1);
        EXPECT_EQ(pollShaderWatch(watch, 2500), 0) << "a failed build is reported once";
        console.restore();
        EXPECT_EQ(console.out(), "");
        EXPECT_EQ(console.err().rfind("** Errores de compilacion del  Shader: Live\n    fragment stage:\n", 0), 0u)
            << console.err();
        EXPECT_GT(console.err().size(), 70u) << "the compiler's own message follows";
    }
    EXPECT_TRUE(effect->ready);
    EXPECT_EQ(effect->program, blueProgram);
    Rgba still = paint();
    EXPECT_EQ(still.b, 255) << "the old program goes on";
    EXPECT_TRUE(near(still.g, 64, 1)) << int(still.g);

    edit(RED_FRAGMENT);
    {
        ConsoleCapture console(false);
        EXPECT_EQ(pollShaderWatch(watch, 3000), 1);
        console.restore();
        EXPECT_EQ(console.out(), "Reloaded Shader: Live\n");
    }
    Rgba restored = paint();
    EXPECT_EQ(restored.r, 255);
    EXPECT_TRUE(near(restored.g, 64, 1)) << int(restored.g);
    EXPECT_EQ(restored.b, 0);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(ShaderReload, AFileMissingForAMomentIsNotAnEdit) {
    std::filesystem::rename("Assets/Shaders/Live.fragment", "Assets/Shaders/Live.fragment.saving");
    ConsoleCapture console(true);
    EXPECT_EQ(pollShaderWatch(watch, 2000), 0);
    console.restore();
    EXPECT_EQ(console.out(), "");
    EXPECT_TRUE(effect->ready);
}

// A source swapped for a folder once crashed the show, one swapped for a named pipe froze its frame
// loop, and a huge one was read whole. Each is now a failed build with the reason, the old program
// going on.
TEST_F(ShaderReload, ASourceSwappedForAFolderAPipeOrAHugeFileIsRefusedAndTheOldProgramGoesOn) {
    const std::string source = "Assets/Shaders/Live.fragment";
    const uint32_t program = effect->program;
    const std::vector<std::pair<std::function<void()>, std::string>> swaps = {
        {[&] { std::filesystem::create_directory(source); }, "not a regular file"},
        {[&] { ASSERT_EQ(mkfifo(source.c_str(), 0644), 0); }, "not a regular file"},
        {[&] {
             assets->writeText(source, "");
             std::filesystem::resize_file(source, 2ull << 30);
         },
         "2147483648 bytes, more than the 1048576 allowed"},
    };
    uint32_t now = 2000;
    for (const auto& [swap, reason] : swaps) {
        std::filesystem::remove(source);
        swap();
        saves += 1;
        std::filesystem::last_write_time(
            source, std::filesystem::file_time_type::clock::now() + std::chrono::seconds(2 * saves));
        ConsoleCapture console(false);
        EXPECT_EQ(pollShaderWatch(watch, now += 500), 1) << reason;
        console.restore();
        EXPECT_EQ(console.out(), "");
        EXPECT_EQ(console.err(),
                  "** Errores de compilacion del  Shader: Live\n    cannot read " + source + ": " + reason + "\n");
        EXPECT_EQ(effect->program, program) << reason;
        EXPECT_EQ(paint().r, 255) << reason;
    }
}

TEST(ShaderSources, AtStartUpAFolderOrAPipeAsASourceIsRefusedWithTheReason) {
    initEngineForTests();
    TempAssets assets;
    assets.writeText("Assets/Shaders/Hollow.vertex", STRIP_VERTEX);
    std::filesystem::create_directory("Assets/Shaders/Hollow.fragment");
    assets.writeText("Assets/Shaders/Piped.fragment", RED_FRAGMENT);
    ASSERT_EQ(mkfifo("Assets/Shaders/Piped.vertex", 0644), 0);
    for (const std::string name : {"Hollow", "Piped"}) {
        ConsoleCapture console(false);
        EXPECT_EQ(resourceManager->getShaderId(name, ShaderKindEffect), -1) << name;
        console.restore();
        const std::string stage = name == "Hollow" ? ".fragment" : ".vertex";
        EXPECT_EQ(console.err(), "** Errores de compilacion del  Shader: " + name +
                                     "\n    cannot read Assets/Shaders/" + name + stage + ": not a regular file\n");
    }
}

}  // namespace
