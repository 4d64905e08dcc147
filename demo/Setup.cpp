#include "demo/Setup.h"

#include <cstdlib>
#include <initializer_list>
#include <string>

#include "demo/Demo.h"
#include "engine/Shader.h"
#include "resources/ResourceManager.h"

namespace {

int32_t requestSmoothTexture(const std::string& path) {
    resourceManager->smoothFiltering = true;
    int32_t id = resourceManager->getTextureId(path);
    resourceManager->smoothFiltering = false;
    return id;
}

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

// A random tile speed in -2.5 .. 4.9 pixels per frame.
float randomTileSpeed() { return static_cast<float>(std::rand() % 75 - 25) / 10.0f; }

void setupEntities() {
    flamingo->meshId = resourceManager->getMeshId("Assets/flamingo.obj");
    growthMesh = flamingo->meshId;
    if (flamingo->meshId >= 0) {
        flamingo->position = {2.2f, 1.3f, -1.5f};
        flamingo->setRotation({0.0f, 15.0f, 0.0f});
        flamingo->textureId = requestSmoothTexture("Assets/flamingo_tex.png");
        growthFullCount = resourceManager->meshById(flamingo->meshId)->elementCount;
    }

    plane->meshId = resourceManager->getMeshId("Assets/plane.obj");
    if (plane->meshId >= 0) {
        plane->color = 0xff0fffffu;
        plane->scrollSpeed = 0.1f;
        plane->eyeOffset = {0.0f, 2.0f, 0.0f};
        plane->pitch = -40.0f;
        plane->depthTest = false;
    }

    windsurfer->meshId = resourceManager->getMeshId("Assets/windsurf.obj");
    if (windsurfer->meshId >= 0) {
        windsurfer->position = {6.0f, -1.0f, -1.0f};
        windsurfer->textureId = requestSmoothTexture("Assets/windsurf_tex.png");
    }
}

}  // namespace

bool setupEffectShaders() {
    int32_t* ids[] = {&palmsShader, &cityShader, &roadShader, &tunnelShader};
    const char* names[] = {"palms_Kavex", "city", "road", "jail_tunnel"};
    for (int32_t i = 0; i < 4; ++i) {
        *ids[i] = resourceManager->getShaderId(names[i], ShaderKindEffect);
        if (*ids[i] < 0) {
            return false;
        }
    }
    assignInputs(cityShader, {"Assets/beach.jpg", "Assets/streets.jpg", "Assets/BGVapor.jpg", "Assets/city.png"});
    assignInputs(roadShader, {"Assets/beach.jpg", "Assets/streets.jpg", "Assets/BGVapor.jpg"});
    assignInputs(palmsShader, {"Assets/BGVapor.jpg"});
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
    if (!setupEffectShaders()) {
        return false;
    }
    // The records and variables first, then the plane, whose construction requests
    // its shader and height map ahead of every mesh.
    resetSceneState();
    plane = std::make_unique<Entity3DPlaneMusic>();
    setupEntities();

    logoTexture = resourceManager->getTextureId("Assets/Kavex_Vice_6c.png");
    creditsTexture = resourceManager->getTextureId("Assets/credits_text.png");
    parrotTexture = resourceManager->getTextureId("Assets/papagayo_6c.png");
    openingTexture = resourceManager->getTextureId("Assets/opening.png");
    lyricsTexture = resourceManager->getTextureId("Assets/lyrics.png");

    fillShatterGrid(*shatter, engine->screenshotTarget);

    greetings->texture = resourceManager->getTextureId("Assets/greets.png");
    return greetings->texture >= 0;
}
