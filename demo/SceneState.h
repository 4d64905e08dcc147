#pragma once
#include <cstdint>
#include <memory>

#include "engine/Engine.h"
#include "engine/Entity3D.h"
#include "engine/MathTypes.h"

// The objects the timeline animates and the frame composition draws, with the
// scene variables that steer them. setupDemo creates them; resetSceneState gives
// them their start values without touching the GL context or the registry.

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

extern std::unique_ptr<Entity3D> flamingo;
extern std::unique_ptr<Entity3DPlaneMusic> plane;
extern std::unique_ptr<Entity3D> windsurfer;
extern std::unique_ptr<ScreenFade> fade;
extern std::unique_ptr<TileShatter> shatter;
extern std::unique_ptr<GreetingsFader> greetings;

extern float musicPulse;  // 0.6 .. 1.0
extern int32_t pulseLatch;  // 10 while a pulse decays
extern int32_t descentStarted;
extern float planeLift;
extern float planeLiftTarget;
extern float planePitch;
extern float planePitchTarget;
extern int32_t growthMesh;  // the flamingo mesh, drawn partially
extern int32_t growthFullCount;
extern int32_t growthCount;
extern SpriteRect creditsRole;
extern SpriteRect creditsName;
extern SpriteRect lyricsSource;
extern float lyricsX;
extern float lyricsY;
extern float parrotX;
extern int32_t logoTexture;
extern int32_t creditsTexture;
extern int32_t parrotTexture;
extern int32_t openingTexture;
extern int32_t lyricsTexture;
extern int32_t palmsShader;
extern int32_t cityShader;
extern int32_t roadShader;
extern int32_t tunnelShader;

// Start values of every scene variable; new fade, shatter and greetings records and
// default flamingo and windsurfer entities. The plane, which needs the registry, is
// left as it is.
void resetSceneState();
