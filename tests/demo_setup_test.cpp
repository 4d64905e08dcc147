#include <algorithm>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <stb_image_write.h>

#include "demo/Clock.h"
#include "demo/Demo.h"
#include "demo/SceneState.h"
#include "demo/Show.h"
#include "engine/Engine.h"
#include "engine/Shader.h"
#include "music/Player.h"
#include "resources/ResourceManager.h"
#include "support/ScratchFolder.h"
#include "support/TestModule.h"

namespace fs = std::filesystem;

namespace {

// Full-screen effect stand-ins: a strip from the vertex index, tinted by the first input.
const char* EFFECT_VERTEX = R"(#version 330 core
void main() {
    vec2 corner = vec2(float(gl_VertexID & 1), float(gl_VertexID >> 1));
    gl_Position = vec4(corner * 2.0 - 1.0, 0.0, 1.0);
}
)";
const char* EFFECT_FRAGMENT = R"(#version 330 core
uniform vec2 v2Resolution;
uniform sampler2D texTex1;
out vec4 fragColor;
void main() {
    fragColor = texture(texTex1, gl_FragCoord.xy / v2Resolution);
}
)";

const char* TEXTURED_OBJ =
    "v 0 0 0\nv 1 0 0\nv 0 1 0\nv 1 1 0\nvt 0 0\nvt 1 0\nvt 0 1\nvt 1 1\n"
    "f 1/1 2/2 3/3\nf 2/2 4/4 3/3\n";
const char* PLAIN_OBJ = "v 0 0 0\nv 1 0 0\nv 0 0 1\nf 1 2 3\n";

void writeText(const fs::path& path, const char* text) { std::ofstream(path) << text; }

void writeImage(const fs::path& path) {
    const std::vector<unsigned char> pixels(8 * 8 * 4, 200);
    if (path.extension() == ".jpg") {
        stbi_write_jpg(path.c_str(), 8, 8, 4, pixels.data(), 90);
    } else {
        stbi_write_png(path.c_str(), 8, 8, 4, pixels.data(), 8 * 4);
    }
}

// The names the set-up asks the registry for, each once, in the order it asks.
const std::vector<std::string> REQUESTS = {
    "Adding Shader: palms_Kavex",
    "Adding Shader: city",
    "Adding Shader: road",
    "Adding Shader: jail_tunnel",
    "Adding Texture Graphic Assets/beach.jpg",
    "Adding Texture Graphic Assets/streets.jpg",
    "Adding Texture Graphic Assets/BGVapor.jpg",
    "Adding Texture Graphic Assets/city.png",
    "Adding Shader: PlaneMusic",
    "Adding Texture Graphic Assets/heightmap.png",
    "Adding Mesh: Assets/flamingo.obj",
    "Adding Texture Graphic Assets/flamingo_tex.png",
    "Adding Mesh: Assets/plane.obj",
    "Adding Mesh: Assets/windsurf.obj",
    "Adding Texture Graphic Assets/windsurf_tex.png",
    "Adding Texture Graphic Assets/Kavex_Vice_6c.png",
    "Adding Texture Graphic Assets/credits_text.png",
    "Adding Texture Graphic Assets/papagayo_6c.png",
    "Adding Texture Graphic Assets/opening.png",
    "Adding Texture Graphic Assets/lyrics.png",
    "Adding Texture Graphic Assets/greets.png",
};

// Runs the set-up in a private Assets tree holding every file it needs except those
// named; the engine's own shaders come from the build's tree.
class DemoSetup : public ::testing::Test {
protected:
    bool runSetup(std::initializer_list<const char*> missing = {}) {
        const fs::path shaders = fs::absolute("Assets/Shaders");
        home = fs::current_path();
        fs::create_directories(root / "Assets/Shaders");
        for (const char* name : {"TextureMatrix2D", "TextureMatrix3D", "Color2D", "PlaneMusic"}) {
            for (const char* stage : {".vertex", ".fragment"}) {
                fs::copy_file(shaders / (std::string(name) + stage),
                              root / "Assets/Shaders" / (std::string(name) + stage));
            }
        }
        for (const char* name : {"palms_Kavex", "city", "road", "jail_tunnel"}) {
            writeText(root / "Assets/Shaders" / (std::string(name) + ".vertex"), EFFECT_VERTEX);
            writeText(root / "Assets/Shaders" / (std::string(name) + ".fragment"), EFFECT_FRAGMENT);
        }
        for (const char* image : {"BGVapor.jpg", "beach.jpg", "streets.jpg", "city.png", "heightmap.png",
                                  "flamingo_tex.png", "windsurf_tex.png", "Kavex_Vice_6c.png", "credits_text.png",
                                  "papagayo_6c.png", "opening.png", "lyrics.png", "greets.png"}) {
            writeImage(root / "Assets" / image);
        }
        writeText(root / "Assets/flamingo.obj", TEXTURED_OBJ);
        writeText(root / "Assets/windsurf.obj", TEXTURED_OBJ);
        writeText(root / "Assets/plane.obj", PLAIN_OBJ);
        for (const char* path : missing) {
            fs::remove(root / path);
        }
        fs::current_path(root);

        engine = Engine::getInstance();
        resourceManager = ResourceManager::getInstance();
        testing::internal::CaptureStdout();
        const bool result = setupDemo();
        console = testing::internal::GetCapturedStdout();
        return result;
    }

    // The registry's "Adding" lines from the first effect shader on.
    std::vector<std::string> requestLines() const {
        std::vector<std::string> lines;
        std::istringstream in(console);
        std::string line;
        bool started = false;
        while (std::getline(in, line)) {
            started = started || line.rfind("Adding Shader: palms_Kavex", 0) == 0;
            if (started && line.rfind("Adding ", 0) == 0) {
                lines.push_back(line);
            }
        }
        return lines;
    }

    static ShaderEffect* effect(int32_t id) { return dynamic_cast<ShaderEffect*>(resourceManager->shaderById(id)); }

    // Out of the private tree before it is removed.
    void TearDown() override {
        if (!home.empty()) {
            fs::current_path(home);
        }
    }

    const ScratchFolder scratch{"setup"};
    const fs::path root = scratch.path;
    fs::path home;
    std::string console;
};

}  // namespace

TEST_F(DemoSetup, EverythingPresentLoadsEachAssetOnceInRequestOrder) {
    ASSERT_TRUE(runSetup());
    const std::vector<std::string> lines = requestLines();
    ASSERT_EQ(lines.size(), REQUESTS.size()) << console;
    for (size_t i = 0; i < REQUESTS.size(); ++i) {
        EXPECT_EQ(lines[i].rfind(REQUESTS[i], 0), 0u) << lines[i];
    }

    EXPECT_EQ(sceneState.flamingo->meshId, 0);
    EXPECT_EQ(sceneState.plane->meshId, 1);
    EXPECT_EQ(sceneState.windsurfer->meshId, 2);
    EXPECT_EQ(sceneState.growthMesh, 0);
    EXPECT_EQ(sceneState.growthFullCount, resourceManager->meshById(0)->elementCount);
    EXPECT_GT(sceneState.growthFullCount, 0);
    EXPECT_EQ(sceneState.flamingo->rotationDegrees.y, 15.0f);
    EXPECT_EQ(sceneState.flamingo->position.x, 2.2f);
    EXPECT_GE(sceneState.flamingo->textureId, 0);
    EXPECT_EQ(sceneState.plane->color, 0xff0fffffu);
    EXPECT_EQ(sceneState.plane->pitch, -40.0f);
    EXPECT_EQ(sceneState.plane->eyeOffset.y, 2.0f);
    EXPECT_FALSE(sceneState.plane->depthTest);
    EXPECT_EQ(sceneState.windsurfer->position.x, 6.0f);
    EXPECT_GE(sceneState.windsurfer->textureId, 0);

    const int32_t beach = resourceManager->getTextureId("Assets/beach.jpg");
    const int32_t streets = resourceManager->getTextureId("Assets/streets.jpg");
    const int32_t vapor = resourceManager->getTextureId("Assets/BGVapor.jpg");
    EXPECT_EQ(effect(sceneState.cityShader)->textureCount, 4);
    EXPECT_EQ(effect(sceneState.cityShader)->textures[3], resourceManager->getTextureId("Assets/city.png"));
    EXPECT_EQ(effect(sceneState.roadShader)->textureCount, 3);
    EXPECT_EQ(effect(sceneState.roadShader)->textures[0], beach);
    EXPECT_EQ(effect(sceneState.roadShader)->textures[1], streets);
    EXPECT_EQ(effect(sceneState.roadShader)->textures[2], vapor);
    EXPECT_EQ(effect(sceneState.palmsShader)->textureCount, 1);
    EXPECT_EQ(effect(sceneState.palmsShader)->textures[0], vapor);
    EXPECT_EQ(effect(sceneState.tunnelShader)->textureCount, 0);

    EXPECT_EQ(sceneState.shatter.texture, engine->screenshotTarget);
    EXPECT_EQ(sceneState.shatter.sourceRects[17].x, 120);
    EXPECT_EQ(sceneState.lyricsX, 1920.0f);
    EXPECT_EQ(sceneState.lyricsY, 810.0f);
    EXPECT_GE(sceneState.greetings.texture, 0);
}

TEST_F(DemoSetup, MissingGreetingsSheetFailsTheSetUp) {
    EXPECT_FALSE(runSetup({"Assets/greets.png"}));
    EXPECT_GE(sceneState.lyricsTexture, 0) << "everything else still loaded";
}

TEST_F(DemoSetup, MissingEffectShaderStopsBeforeTheNextOne) {
    EXPECT_FALSE(runSetup({"Assets/Shaders/road.fragment"}));
    EXPECT_EQ(console.find("Adding Shader: jail_tunnel"), std::string::npos);
    EXPECT_EQ(sceneState.tunnelShader, -1);
}

TEST_F(DemoSetup, MissingCityImageLeavesItsSlotOnTheFirstTexture) {
    ASSERT_TRUE(runSetup({"Assets/city.png"}));
    const ShaderEffect* city = effect(sceneState.cityShader);
    EXPECT_EQ(city->textureCount, 4);
    EXPECT_EQ(city->textures[0], resourceManager->getTextureId("Assets/beach.jpg"));
    EXPECT_EQ(city->textures[2], resourceManager->getTextureId("Assets/BGVapor.jpg"));
    EXPECT_EQ(city->textures[3], 0);
}

TEST_F(DemoSetup, MissingFlamingoMeshSkipsItsSettingsAndTexture) {
    ASSERT_TRUE(runSetup({"Assets/flamingo.obj"}));
    EXPECT_EQ(sceneState.flamingo->meshId, -1);
    EXPECT_EQ(sceneState.growthMesh, -1);
    EXPECT_EQ(sceneState.growthFullCount, 0);
    EXPECT_EQ(sceneState.flamingo->position.x, 0.0f);
    EXPECT_EQ(console.find("flamingo_tex.png"), std::string::npos);
    EXPECT_GE(sceneState.windsurfer->meshId, 0);
}

TEST_F(DemoSetup, TimelineSteersTheFloorAndTheFlamingoMeshItSetUp) {
    ASSERT_TRUE(runSetup());
    demoState = 0;
    musicSnapshot = MusicSnapshot{};
    musicSnapshot.order = 1;
    timeMs = 1000;
    deltaMs = 16;
    updateDemo();
    EXPECT_EQ(sceneState.plane->pitch, -40.0f + 0.1f);
    EXPECT_EQ(sceneState.plane->eyeOffset.y, 2.0f - 0.01f);
    EXPECT_EQ(sceneState.plane->factor, sceneState.musicPulse);
    EXPECT_NE(sceneState.plane->eye.y, 0.0f) << "the floor's camera was placed";

    MeshRecord* bird = resourceManager->meshById(sceneState.growthMesh);
    const int32_t full = bird->elementCount;
    musicSnapshot.order = 2;
    musicSnapshot.note[0] = 37;
    updateDemo();
    EXPECT_EQ(bird->elementCount, std::min(3, full));
}

TEST_F(DemoSetup, EveryScenePlaysWithoutGlErrors) {
    ASSERT_TRUE(runSetup());
    demoState = 0;
    musicSnapshot = MusicSnapshot{};
    timeMs = 1000;
    deltaMs = 16;
    while (glGetError() != GL_NO_ERROR) {
    }
    for (int32_t order = 0; order < 28; ++order) {
        for (int32_t row = 31; row < 35; ++row) {
            timeMs += deltaMs;
            MusicSnapshot music;
            music.order = order;
            music.row = row;
            music.note[0] = row % 2 == 0 ? 40 : 0;
            music.instrument[2] = row % 3 == 0 ? CUE_INSTRUMENT : 0;
            stepShow(music);
            ASSERT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR)) << "order " << order << " row " << row;
        }
    }
    EXPECT_EQ(demoState, 6);
}

TEST_F(DemoSetup, RestartShowPutsTheShowBackToItsFirstFrame) {
    ASSERT_TRUE(runSetup());
    ASSERT_TRUE(writeModule((root / "Assets/ondaris.mod").string(), walkingModule(28, 2, 6, 125)));
    std::string error;
    ASSERT_TRUE(restartShow("Assets/ondaris.mod", error)) << error;
    const TileShatter firstTiles = sceneState.shatter;
    const int32_t wholeFlamingo = sceneState.growthFullCount;
    ASSERT_GT(wholeFlamingo, 0);

    // Through every scene: the floor tilts, flamingos grow, tiles fall, greetings draw speeds from rand().
    timeMs = 1000;
    deltaMs = 16;
    musicSnapshot = MusicSnapshot{};
    for (int32_t order = 0; order < 28; ++order) {
        for (int32_t frame = 0; frame < 40; ++frame) {
            timeMs += deltaMs;
            musicSnapshot.order = order;
            musicSnapshot.instrument[2] = frame % 9 == 0 ? CUE_INSTRUMENT : 0;
            updateDemo();
        }
    }
    ASSERT_EQ(demoState, SceneFinale);
    engine->camera.yaw = 10.0f;
    audioBytesRead.store(0);

    testing::internal::CaptureStdout();
    const bool restarted = restartShow("Assets/ondaris.mod", error);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "") << "every asset is handed back, none loaded again";
    ASSERT_TRUE(restarted) << error;
    EXPECT_EQ(demoState, SceneOpening);
    EXPECT_EQ(audioBytesRead.load(), 255);
    ASSERT_NE(modFile, nullptr);
    EXPECT_EQ(moduleOrderCount(modFile), 28);
    const SceneState fresh;
    EXPECT_EQ(sceneState.plane->pitch, -40.0f);
    EXPECT_EQ(sceneState.planeLift, fresh.planeLift);
    EXPECT_EQ(sceneState.growthCount, fresh.growthCount);
    EXPECT_EQ(sceneState.fade.alpha, fresh.fade.alpha);
    EXPECT_EQ(sceneState.fade.active, fresh.fade.active);
    EXPECT_EQ(sceneState.greetings.index, 0);
    EXPECT_EQ(sceneState.greetings.phase, GreetWaiting);
    EXPECT_EQ(sceneState.lyricsX, fresh.lyricsX);
    EXPECT_EQ(sceneState.parrotX, fresh.parrotX);
    EXPECT_EQ(engine->camera.yaw, -90.0f);
    // The beach took the flamingos apart down to no elements; the next play grows them whole again.
    EXPECT_EQ(sceneState.growthFullCount, wholeFlamingo);
    for (int32_t i = 0; i < TILE_COUNT; ++i) {
        EXPECT_EQ(sceneState.shatter.positions[i].y, firstTiles.positions[i].y) << i;
        EXPECT_EQ(sceneState.shatter.velocities[i].x, firstTiles.velocities[i].x) << "the same random tiles " << i;
        EXPECT_EQ(sceneState.shatter.velocities[i].y, firstTiles.velocities[i].y) << i;
    }

    fs::remove(root / "Assets/ondaris.mod");
    EXPECT_FALSE(restartShow("Assets/ondaris.mod", error));
    EXPECT_NE(error.find("Assets/ondaris.mod"), std::string::npos) << error;
    EXPECT_EQ(modFile, nullptr);
}

// The ids each registry hands out in the order the engine's start-up and the scene set-up ask for
// them. The programs the show adds without console lines (baked layers, bands, the palm scene's)
// once came between the engine's shaders and the scene's, moving "PlaneMusic" from 7 to 13.
TEST(DesignedIds, EveryShaderTextureAndMeshTheSetUpNamesHasTheIdOfItsPlaceInTheRequests) {
    engine = Engine::getInstance();
    resourceManager = ResourceManager::getInstance();
    ASSERT_TRUE(resourceManager->shaders.slots.empty()) << "needs a registry of its own (ctest runs each test alone)";
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    const bool ready = setupDemo();
    testing::internal::GetCapturedStdout();
    const std::string errors = testing::internal::GetCapturedStderr();
    ASSERT_TRUE(ready) << errors;
    ASSERT_EQ(errors, "");

    const std::vector<std::string> shaders = {
        "TextureMatrix2D", "TextureMatrix3D", "Color2D", "palms_Kavex", "city", "road", "jail_tunnel", "PlaneMusic"};
    for (size_t id = 0; id < shaders.size(); ++id) {
        EXPECT_EQ(resourceManager->shaders.idsByName.at(shaders[id]), static_cast<int32_t>(id)) << shaders[id];
        EXPECT_EQ(resourceManager->shaderById(static_cast<int32_t>(id))->name, shaders[id]);
    }
    EXPECT_EQ(engine->shaderColor2D, 2);
    EXPECT_EQ(sceneState.tunnelShader, 6);
    EXPECT_EQ(sceneState.plane->shaderId, 7);
    // The added programs were built, after the named ones.
    ASSERT_GT(resourceManager->shaders.slots.size(), shaders.size());
    EXPECT_GT(sceneState.palmTreesShader, 7);

    const std::vector<std::string> textures = {"SecondRendertexture",
                                               "Screenshot",
                                               "BloomTexture",
                                               "BlurTexture0",
                                               "BlurTexture1",
                                               "Assets/beach.jpg",
                                               "Assets/streets.jpg",
                                               "Assets/BGVapor.jpg",
                                               "Assets/city.png",
                                               "Assets/heightmap.png",
                                               "Assets/flamingo_tex.png",
                                               "Assets/windsurf_tex.png",
                                               "Assets/Kavex_Vice_6c.png",
                                               "Assets/credits_text.png",
                                               "Assets/papagayo_6c.png",
                                               "Assets/opening.png",
                                               "Assets/lyrics.png",
                                               "Assets/greets.png"};
    ASSERT_EQ(resourceManager->textures.slots.size(), textures.size());
    for (size_t id = 0; id < textures.size(); ++id) {
        EXPECT_EQ(resourceManager->textures.idsByName.at(textures[id]), static_cast<int32_t>(id)) << textures[id];
    }
    EXPECT_EQ(engine->screenshotTarget, 1);
    EXPECT_EQ(sceneState.logoTexture, 12);
    EXPECT_EQ(sceneState.greetings.texture, 17);

    const std::vector<std::string> meshes = {"Assets/flamingo.obj", "Assets/plane.obj", "Assets/windsurf.obj"};
    ASSERT_EQ(resourceManager->meshes.slots.size(), meshes.size());
    for (size_t id = 0; id < meshes.size(); ++id) {
        EXPECT_EQ(resourceManager->meshes.idsByName.at(meshes[id]), static_cast<int32_t>(id)) << meshes[id];
    }
}
