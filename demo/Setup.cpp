#include "demo/Setup.h"

#include <algorithm>
#include <cstdlib>
#include <initializer_list>
#include <string>

#include "demo/Demo.h"
#include "demo/PalmScene.h"
#include "engine/Engine.h"
#include "engine/Shader.h"
#include "resources/ResourceManager.h"

namespace {

// Stores the valid ids of the inputs in order; a missing one keeps its slot's previous value.
void assignInputs(int32_t shaderId, std::initializer_list<const char*> paths) {
    auto* effect = dynamic_cast<ShaderEffect*>(resourceManager->shaderById(shaderId));
    if (effect == nullptr) {
        return;
    }
    effect->textureCount = static_cast<int32_t>(paths.size());
    int32_t slot = 0;
    for (const char* path : paths) {
        int32_t id = resourceManager->getTextureId(path);
        if (id >= 0) {
            effect->textures[slot] = id;
        }
        ++slot;
    }
}

// The road's view picture of the order: the vapor sky (orders 8-9), the beach (10-11) or the neon
// street (12-14), as road_view chooses it. Orders that show the same picture share its bake.
int32_t roadViewKey(const MusicSnapshot& music) {
    if (music.order >= 12) {
        return 2;
    }
    return music.order >= 10 ? 1 : 0;
}

// Gives baked layer `slot` of an effect to the program `programName`, which reads the effect's inputs.
void bakeLayer(ShaderEffect* effect, int32_t slot, const char* programName, int32_t target, BakeKey keyOf) {
    if (effect == nullptr) {
        return;
    }
    effect->bakedLayers[slot] = makeBakedLayer(programName, target, keyOf);
    if (ShaderEffect* program = effect->bakedLayers[slot].program) {
        program->textureCount = effect->textureCount;
        std::copy(effect->textures, effect->textures + 4, program->textures);
    }
}

// Gives the road the picture its order shows, drawn into the one full-size target the composition
// does not draw into (the city's beach uses it in scenes 4 and 5, never on screen with the road).
// Builds its programs without console lines.
void setupBakedLayers() {
    ShaderEffect* road = effectById(sceneState.roadShader);
    bakeLayer(road, 0, "road_view", engine->secondTarget, roadViewKey);
    // The road draws the view above the horizon and goes on with the ground, which mirrors it.
    ShaderEffect* ground = effectById(resourceManager->getShaderIdQuietly("road:GROUND", ShaderKindEffect));
    if (road != nullptr && ground != nullptr) {
        ground->bakedLayers[0] = sharedBakedLayer(road->bakedLayers[0]);
        road->nextBand = ground;
    }
}

// The city draws the band from the towers' tops to the waterline itself and goes on with the sky
// above, then the water below in two bands (with and without the towers' mirror image). The
// skyline, shrunk to its size on screen for the moving camera to read between texels, and the
// nearer water's sand never change: each is baked once. Built without console lines.
void setupCityBands() {
    ShaderEffect* city = effectById(sceneState.cityShader);
    if (city == nullptr) {
        return;
    }
    ShaderEffect* sky = effectById(resourceManager->getShaderIdQuietly("city:SKY_ONLY", ShaderKindEffect));
    ShaderEffect* water = effectById(resourceManager->getShaderIdQuietly("city:WATER", ShaderKindEffect));
    ShaderEffect* deep = effectById(resourceManager->getShaderIdQuietly("city:DEEP_WATER", ShaderKindEffect));
    if (sky == nullptr || water == nullptr || deep == nullptr) {
        return;
    }
    for (ShaderEffect* band : {sky, water, deep}) {
        band->textureCount = city->textureCount;
        std::copy(city->textures, city->textures + 4, band->textures);
    }
    city->nextBand = sky;
    sky->nextBand = water;
    water->nextBand = deep;
    bakeLayer(city, 0, "city_shore:SKYLINE", engine->blurTargets[1], nullptr);
    water->bakedLayers[0] = sharedBakedLayer(city->bakedLayers[0]);
    bakeLayer(deep, 0, "city_shore", engine->secondTarget, nullptr);
}

// A random tile speed in -2.5 .. 4.9 pixels per frame.
float randomTileSpeed() { return static_cast<float>(std::rand() % 75 - 25) / 10.0f; }

// The programs the show builds beside the assets it names on the console: the road's baked view
// and ground, the city's bands, skyline and shore, scene 3's sea, sign, glow, palms and glitter.
// They come after every request of the set-up, so each shader, texture and mesh it names keeps the
// id its place in that order gives it; a program added later belongs here too.
void setupAddedPrograms() {
    setupBakedLayers();
    setupCityBands();
    setupPalmScene();
}

void setupEntities() {
    SceneState& s = sceneState;
    s.flamingo->meshId = resourceManager->getMeshId("Assets/flamingo.obj");
    s.growthMesh = s.flamingo->meshId;
    if (s.flamingo->meshId >= 0) {
        s.flamingo->position = {2.2f, 1.3f, -1.5f};
        s.flamingo->setRotation({0.0f, 15.0f, 0.0f});
        s.flamingo->textureId = resourceManager->getTextureId("Assets/flamingo_tex.png", FilterSmooth);
        s.growthFullCount = resourceManager->meshById(s.flamingo->meshId)->elementCount;
    }

    s.plane->meshId = resourceManager->getMeshId("Assets/plane.obj");
    if (s.plane->meshId >= 0) {
        s.plane->color = 0xff0fffffu;
        s.plane->scrollSpeed = 0.1f;
        s.plane->eyeOffset = {0.0f, 2.0f, 0.0f};
        s.plane->pitch = -40.0f;
        s.plane->depthTest = false;
    }

    s.windsurfer->meshId = resourceManager->getMeshId("Assets/windsurf.obj");
    if (s.windsurfer->meshId >= 0) {
        s.windsurfer->position = {6.0f, -1.0f, -1.0f};
        s.windsurfer->textureId = resourceManager->getTextureId("Assets/windsurf_tex.png", FilterSmooth);
    }
}

}  // namespace

bool setupEffectShaders() {
    SceneState& s = sceneState;
    int32_t* ids[] = {&s.palmsShader, &s.cityShader, &s.roadShader, &s.tunnelShader};
    const char* names[] = {"palms_Kavex", "city", "road", "jail_tunnel"};
    for (int32_t i = 0; i < 4; ++i) {
        *ids[i] = resourceManager->getShaderId(names[i], ShaderKindEffect);
        if (*ids[i] < 0) {
            return false;
        }
    }
    assignInputs(s.cityShader, {"Assets/beach.jpg", "Assets/streets.jpg", "Assets/BGVapor.jpg", "Assets/city.png"});
    assignInputs(s.roadShader, {"Assets/beach.jpg", "Assets/streets.jpg", "Assets/BGVapor.jpg"});
    assignInputs(s.palmsShader, {"Assets/BGVapor.jpg"});
    return true;
}

void fillShatterGrid(TileShatter& tiles, int32_t textureId) {
    tiles.texture = textureId;
    const TextureRecord* record = resourceManager->textureById(textureId);
    if (record == nullptr) {
        return;
    }
    int32_t tileWidth = record->width / TILE_COLUMNS;
    int32_t tileHeight = record->height / TILE_ROWS;
    for (int32_t i = 0; i < TILE_COUNT; ++i) {
        tiles.sourceRects[i] = {(tileWidth * i) % record->width, (i / TILE_COLUMNS) * tileHeight,
                                static_cast<uint16_t>(tileWidth), static_cast<uint16_t>(tileHeight)};
        tiles.positions[i] = {static_cast<float>((SCREEN_WIDTH / TILE_COLUMNS * i) % SCREEN_WIDTH),
                              static_cast<float>(SCREEN_HEIGHT / TILE_ROWS * (i / TILE_COLUMNS)), 0.0f};
        tiles.velocities[i].x = randomTileSpeed();
        tiles.velocities[i].y = randomTileSpeed();
        tiles.velocities[i].z = 0.0f;
    }
}

bool setupDemo() {
    engine->init();
    return setupScene();
}

bool setupScene() {
    // The flamingos grow by lowering their mesh's element count, which the registry keeps; a show
    // that starts again must read the whole mesh's count, not what the last play left of it.
    if (MeshRecord* grown = resourceManager->meshById(sceneState.growthMesh)) {
        grown->elementCount = sceneState.growthFullCount;
    }
    sceneState = SceneState{};
    if (!setupEffectShaders()) {
        return false;
    }
    // The plane's construction requests its shader and height map ahead of every mesh.
    sceneState.plane = std::make_unique<Entity3DPlaneMusic>();
    setupEntities();

    sceneState.logoTexture = resourceManager->getTextureId("Assets/Kavex_Vice_6c.png");
    sceneState.creditsTexture = resourceManager->getTextureId("Assets/credits_text.png");
    sceneState.parrotTexture = resourceManager->getTextureId("Assets/papagayo_6c.png");
    sceneState.openingTexture = resourceManager->getTextureId("Assets/opening.png");
    sceneState.lyricsTexture = resourceManager->getTextureId("Assets/lyrics.png");

    fillShatterGrid(sceneState.shatter, engine->screenshotTarget);

    sceneState.greetings.texture = resourceManager->getTextureId("Assets/greets.png");
    setupAddedPrograms();
    return sceneState.greetings.texture >= 0;
}
