#include <algorithm>
#include <cmath>

#include "demo/Clock.h"
#include "demo/Demo.h"
#include "demo/Fade.h"
#include "demo/Greetings.h"
#include "demo/SceneState.h"
#include "engine/Engine.h"
#include "music/Player.h"
#include "resources/ResourceManager.h"

namespace {

constexpr float W = static_cast<float>(SCREEN_WIDTH);
constexpr float H = static_cast<float>(SCREEN_HEIGHT);
constexpr uint32_t WHITE = 0xffffff;
constexpr uint32_t BLACK = 0x000000;
constexpr uint32_t FLASH_RED = 0xe0040f;
constexpr int32_t FLASH_MS = 500;
// Elements of the flamingo mesh added or removed per frame (one triangle).
constexpr int32_t GROWTH_STEP = 3;

void whiteFlash() { startFade(0, WHITE, FLASH_MS); }

// Moves current one step towards target, settling within a step of it; true when they differed.
bool approach(float& current, float target, float step) {
    if (target == current) {
        return false;
    }
    if (target > current) {
        current += step;
    }
    if (current > target) {
        current -= step;
    }
    return true;
}

float clockSine(float periodDivisor) { return std::sin(static_cast<float>(timeMs) / periodDivisor); }

void setGrowthElements() {
    if (MeshRecord* mesh = resourceManager->meshById(sceneState.growthMesh)) {
        mesh->elementCount = sceneState.growthCount;
    }
}

void bobFlamingo() {
    if (sceneState.flamingo) {
        sceneState.flamingo->position.y = clockSine(300.0f) * 0.1f + 0.3f;
    }
}

void pulsePlane() {
    if (sceneState.plane) {
        sceneState.plane->factor = sceneState.musicPulse;
        sceneState.plane->update(timeMs);
    }
}

// Enters the next scene when the music reaches its trigger order, with that scene's opening effects.
void applyTransition(int32_t order) {
    int32_t scene = sceneAfter(demoState, order);
    if (scene == demoState) {
        return;
    }
    demoState = scene;
    switch (demoState) {
    case SceneBeach:
    case SceneCredits:
    case SceneGreetings:
        whiteFlash();
        break;
    case SceneShatter:
        // The last frame of scene 2 is already in the "Screenshot" target: the
        // composition copies every scene-2 frame there before it is shown.
        sceneState.shatter.startTime = timeMs;
        sceneState.lyricsSource.y = 64;
        sceneState.lyricsX = W;
        sceneState.lyricsY = H * 0.25f;
        break;
    case SceneFinale:
        sceneState.lyricsSource.y = 128;
        sceneState.lyricsX = W;
        sceneState.lyricsY = H * 0.25f;
        startFade(0, FLASH_RED, FLASH_MS);
        break;
    default:
        break;
    }
}

void updatePulse() {
    if (musicSnapshot.instrument[2] == CUE_INSTRUMENT && sceneState.pulseLatch == 0) {
        sceneState.musicPulse = 1.0f;
        sceneState.pulseLatch = 10;
    } else {
        sceneState.musicPulse -= 0.05f;
        if (sceneState.musicPulse < 0.6f) {
            sceneState.musicPulse = 0.6f;
            sceneState.pulseLatch = 0;
        }
    }
}

// Titles over the floor while the camera comes down and the flamingos build up.
void updateOpening(int32_t order) {
    if (sceneState.descentStarted == 0 && order == 1) {
        sceneState.descentStarted = 1;
        sceneState.planePitchTarget = 0.0f;
        sceneState.planeLiftTarget = 0.0f;
    }
    if (approach(sceneState.planePitch, sceneState.planePitchTarget, 0.1f) && sceneState.plane) {
        sceneState.plane->pitch = sceneState.planePitch;
    }
    if (approach(sceneState.planeLift, sceneState.planeLiftTarget, 0.01f) && sceneState.plane) {
        sceneState.plane->eyeOffset = {0.0f, sceneState.planeLift, 0.0f};
    }
    if (order > 1) {
        if (musicSnapshot.note[0] != 0) {
            sceneState.growthCount = std::min(sceneState.growthCount + GROWTH_STEP, sceneState.growthFullCount);
        }
        // Written on every frame, so the bird never shows whole before its first note.
        setGrowthElements();
    }
    bobFlamingo();
    pulsePlane();
    if (sceneState.fade.active == 0) {
        startFade(0, BLACK, 1000);
    }
    advanceFade();
}

// The logo, then the windsurfer while the flamingos take themselves apart.
void updateBeach(int32_t order) {
    pulsePlane();
    bobFlamingo();
    if (order > 5) {
        sceneState.growthCount = std::max(sceneState.growthCount - GROWTH_STEP, 0);
        setGrowthElements();
        if (sceneState.windsurfer) {
            sceneState.windsurfer->setRotation({5.0f * clockSine(600.0f), 180.0f, 6.0f * clockSine(500.0f)});
            sceneState.windsurfer->position.x = 3.0f * clockSine(2000.0f);
            if (order == 7) {
                sceneState.windsurfer->position.z -= static_cast<float>(deltaMs) / 1500.0f;
            }
        }
    }
    advanceFade();
}

void updateCredits(int32_t order) {
    sceneState.creditsRole.h = 0;
    sceneState.creditsName.h = 0;
    if (order == 8 || order == 10 || order == 12) {
        static constexpr int32_t ROLE_Y[3] = {0, 60, 120};
        static constexpr int32_t NAME_Y[3] = {180, 270, 180};
        int32_t line = (order - 8) / 2;
        sceneState.creditsRole.y = ROLE_Y[line];
        sceneState.creditsName.y = NAME_Y[line];
        sceneState.creditsRole.h = 60;
        sceneState.creditsName.h = 90;
    } else if (order == 14) {
        sceneState.lyricsX -= static_cast<float>(deltaMs) / 6.0f;
    }
    advanceFade();
}

void updateShatter(int32_t order) {
    TileShatter& s = sceneState.shatter;
    if (timeMs > s.startTime) {
        float seconds = static_cast<float>(timeMs - s.startTime) / 1000.0f;
        for (int32_t i = 0; i < TILE_COUNT; ++i) {
            if (s.positions[i].y < H) {
                s.velocities[i].y += 0.5f * seconds * seconds;
                s.positions[i].y += s.velocities[i].y;
                s.positions[i].x += s.velocities[i].x;
                s.positions[i].z += s.velocities[i].z;
            }
        }
    }
    if (order == 16) {
        sceneState.lyricsX -= static_cast<float>(deltaMs) / 3.0f;
    }
}

void updateParrot() {
    if (sceneState.parrotX < 0.0f) {
        sceneState.parrotX += static_cast<float>(deltaMs) / 3.0f;
        if (sceneState.parrotX > 0.0f) {
            sceneState.parrotX = 0.0f;
        }
    }
    updateGreetings();
}

void updateFinale(int32_t order, int32_t row) {
    float scroll = static_cast<float>(deltaMs) / 2.8f;
    if (order == 25) {
        if (row > 32) {
            sceneState.lyricsX -= scroll;
        }
    } else if (order == 26) {
        if (row < 33) {
            sceneState.lyricsX -= scroll;
        }
        if (row >= 34) {
            sceneState.lyricsSource.y = 192;
            sceneState.lyricsX = W;
            sceneState.lyricsY = H * 0.25f * 3.0f;
        }
    } else if (order == 27) {
        sceneState.lyricsX -= static_cast<float>(deltaMs) * 0.25f;
        if (row == 31) {
            // Restarted on every frame of the row: the fade to black begins on its last frame.
            startFade(1, BLACK, 3000);
        }
    }
    advanceFade();
}

}  // namespace

int32_t sceneAfter(int32_t scene, int32_t order) {
    // One step a frame at most: the trigger orders rise, so no order triggers two scenes.
    if (scene < SceneOpening || scene >= SceneFinale || order != SCENE_TRIGGER_ORDERS[scene]) {
        return scene;
    }
    return scene + 1;
}

void updateDemo() {
    int32_t order = musicSnapshot.order;
    applyTransition(order);
    updatePulse();
    switch (demoState) {
    case SceneOpening:
        updateOpening(order);
        break;
    case SceneBeach:
        updateBeach(order);
        break;
    case SceneCredits:
        updateCredits(order);
        break;
    case SceneShatter:
        updateShatter(order);
        break;
    case SceneGreetings:
        updateGreetings();
        advanceFade();
        break;
    case SceneParrot:
        updateParrot();
        break;
    case SceneFinale:
        updateFinale(order, musicSnapshot.row);
        break;
    default:
        break;
    }
}
