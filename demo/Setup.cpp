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

// The order position: pictures that change from one order to the next.
int32_t orderKey(const MusicSnapshot& music) { return music.order; }

// Gives the effects the parts of their pictures that change only with the order, drawn once per
// order into targets the composition does not draw into. Builds its programs without console lines.
void setupBakedLayers() {
    SceneState& s = sceneState;
    if (auto* road = dynamic_cast<ShaderEffect*>(resourceManager->shaderById(s.roadShader))) {
        road->bakedLayers[0] = makeBakedLayer("road_view", engine->secondTarget, orderKey);
        if (ShaderEffect* view = road->bakedLayers[0].program) {
            view->textureCount = road->textureCount;
            std::copy(road->textures, road->textures + 4, view->textures);
        }
    }
}

// A random tile speed in -2.5 .. 4.9 pixels per frame.
float randomTileSpeed() { return static_cast<float>(std::rand() % 75 - 25) / 10.0f; }

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
    setupBakedLayers();
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
    setupPalmScene();
    return sceneState.greetings.texture >= 0;
}
