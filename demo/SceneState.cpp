#include "demo/SceneState.h"

std::unique_ptr<Entity3D> flamingo;
std::unique_ptr<Entity3DPlaneMusic> plane;
std::unique_ptr<Entity3D> windsurfer;
std::unique_ptr<ScreenFade> fade;
std::unique_ptr<TileShatter> shatter;
std::unique_ptr<GreetingsFader> greetings;

// Start values are given by resetSceneState, the one place that knows them.
float musicPulse;
int32_t pulseLatch;
int32_t descentStarted;
float planeLift;
float planeLiftTarget;
float planePitch;
float planePitchTarget;
int32_t growthMesh;
int32_t growthFullCount;
int32_t growthCount;
SpriteRect creditsRole;
SpriteRect creditsName;
SpriteRect lyricsSource;
float lyricsX;
float lyricsY;
float parrotX;
int32_t logoTexture;
int32_t creditsTexture;
int32_t parrotTexture;
int32_t openingTexture;
int32_t lyricsTexture;

// Built by setupEffectShaders.
int32_t palmsShader = -1;
int32_t cityShader = -1;
int32_t roadShader = -1;
int32_t tunnelShader = -1;

void resetSceneState() {
    flamingo = std::make_unique<Entity3D>();
    windsurfer = std::make_unique<Entity3D>();
    shatter = std::make_unique<TileShatter>();
    fade = std::make_unique<ScreenFade>();
    greetings = std::make_unique<GreetingsFader>();

    musicPulse = 1.0f;
    pulseLatch = 0;
    descentStarted = 0;
    planeLift = 2.0f;
    planeLiftTarget = 2.0f;
    planePitch = -40.0f;
    planePitchTarget = -40.0f;
    growthMesh = -1;
    growthFullCount = 0;
    growthCount = 0;
    creditsRole = {0, 0, 1080, 60};
    creditsName = {0, 180, 1080, 90};
    lyricsSource = {0, 0, 2048, 64};
    lyricsX = static_cast<float>(SCREEN_WIDTH);
    lyricsY = static_cast<float>(SCREEN_HEIGHT) * 0.25f * 3.0f;
    parrotX = -844.0f;
    logoTexture = -1;
    creditsTexture = -1;
    parrotTexture = -1;
    openingTexture = -1;
    lyricsTexture = -1;
}
