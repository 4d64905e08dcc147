#pragma once
#include <cstdint>
#include <memory>

#include "base/MathTypes.h"
#include "engine/Engine.h"
#include "engine/Entity3D.h"

// A full-screen colour fade.
struct ScreenFade {
    uint8_t active = 0;
    uint8_t finished = 0;
    // 1: alpha rises from 0 to 255; 0: alpha falls from 255 to 0.
    uint8_t fadeIn = 0;
    int32_t startTime = 0;
    int32_t endTime = 0;
    uint32_t color = 0;  // 0x00RRGGBB
    int32_t alpha = 255;
    uint32_t argb = 0xff000000u;  // alpha << 24 | color, what the overlay draws
};

// The instrument on channel 2 that pulses the floor and cues the next greeting.
constexpr uint8_t CUE_INSTRUMENT = 10;

constexpr int32_t TILE_COLUMNS = 16;
constexpr int32_t TILE_ROWS = 9;
constexpr int32_t TILE_COUNT = TILE_COLUMNS * TILE_ROWS;

// The captured screen cut into a 16 x 9 grid of tiles that fall away; tile i sits
// in column i % 16, row i / 16.
struct TileShatter {
    SpriteRect sourceRects[TILE_COUNT] = {};
    Vec3 positions[TILE_COUNT] = {};   // top-left corner on screen; z stays 0
    Vec3 velocities[TILE_COUNT] = {};  // displacement per frame; z stays 0
    int32_t texture = -1;
    int32_t startTime = 0;
};

enum GreetPhase : int32_t {
    GreetWaiting = 0,
    GreetFadingIn = 1,
    GreetHolding = 2,
    GreetFadingOut = 3,
};

// Greeting names shown one at a time, each fading in and out while it drifts.
struct GreetingsFader {
    int32_t phase = GreetWaiting;
    int32_t alpha = 0;
    float driftScale = 0.2f;  // drift per millisecond
    float fadeRate = 0.4f;    // alpha units per millisecond
    Vec3 velocity{0.0f, 0.0f, 0.0f};
    Vec3 position{0.0f, 0.0f, 0.0f};
    int32_t texture = -1;
    SpriteRect source{0, 0, 512, 64};
    int32_t index = 0;
    int32_t count = 57;
    uint8_t done = 0;
};

// Everything the timeline animates and the composition draws, with its start values.
// Set-up starts from `sceneState = SceneState{}`; tests do the same to stand at the start.
struct SceneState {
    std::unique_ptr<Entity3D> flamingo = std::make_unique<Entity3D>();
    // Made by set-up: its construction requests its shader and height map.
    std::unique_ptr<Entity3DPlaneMusic> plane;
    std::unique_ptr<Entity3D> windsurfer = std::make_unique<Entity3D>();
    ScreenFade fade;
    TileShatter shatter;
    GreetingsFader greetings;

    float musicPulse = 1.0f;  // 0.6 .. 1.0
    int32_t pulseLatch = 0;   // 10 while a pulse decays
    int32_t descentStarted = 0;
    float planeLift = 2.0f;
    float planeLiftTarget = 2.0f;
    float planePitch = -40.0f;
    float planePitchTarget = -40.0f;
    int32_t growthMesh = -1;  // the flamingo mesh, drawn partially
    int32_t growthFullCount = 0;
    int32_t growthCount = 0;
    SpriteRect creditsRole{0, 0, 1080, 60};
    SpriteRect creditsName{0, 180, 1080, 90};
    SpriteRect lyricsSource{0, 0, 2048, 64};
    float lyricsX = static_cast<float>(SCREEN_WIDTH);
    float lyricsY = static_cast<float>(SCREEN_HEIGHT) * 0.25f * 3.0f;
    float parrotX = -844.0f;
    int32_t logoTexture = -1;
    int32_t creditsTexture = -1;
    int32_t parrotTexture = -1;
    int32_t openingTexture = -1;
    int32_t lyricsTexture = -1;
    // Built by setupEffectShaders.
    int32_t palmsShader = -1;
    int32_t cityShader = -1;
    int32_t roadShader = -1;
    int32_t tunnelShader = -1;
    // The palm scene's sign light, its palms and the glitter in the air (setupPalmScene, with the
    // other added programs).
    int32_t palmGlowShader = -1;
    int32_t palmTreesShader = -1;
    int32_t palmGlitterShader = -1;
};

extern SceneState sceneState;
