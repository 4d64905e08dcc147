#include <algorithm>
#include <cmath>

#include "app/Clock.h"
#include "app/Music.h"
#include "demo/Demo.h"
#include "demo/Fade.h"
#include "demo/Greetings.h"
#include "demo/SceneState.h"
#include "engine/Engine.h"
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
    if (MeshRecord* mesh = resourceManager->meshById(growthMesh)) {
        mesh->elementCount = growthCount;
    }
}

void bobFlamingo() {
    if (flamingo) {
        flamingo->position.y = clockSine(300.0f) * 0.1f + 0.3f;
    }
}

void pulsePlane() {
    if (plane) {
        plane->factor = musicPulse;
        plane->update();
    }
}

void applyTransition(int32_t order) {
    if (order == 5 && demoState == 0) {
        demoState = 1;
        whiteFlash();
    } else if (order == 8 && demoState == 1) {
        demoState = 2;
        whiteFlash();
    } else if (order == 15 && demoState == 2) {
        // The last frame of scene 2 is already in the "Screenshot" target: the
        // composition copies every scene-2 frame there before it is shown.
        demoState = 3;
        shatter->startTime = timeMs;
        lyricsSource.y = 64;
        lyricsX = W;
        lyricsY = H * 0.25f;
    } else if (order == 17 && demoState == 3) {
        demoState = 4;
        whiteFlash();
    } else if (order == 23 && demoState == 4) {
        demoState = 5;
    } else if (order == 25 && demoState == 5) {
        demoState = 6;
        lyricsSource.y = 128;
        lyricsX = W;
        lyricsY = H * 0.25f;
        startFade(0, FLASH_RED, FLASH_MS);
    }
}

void updatePulse() {
    if (musicSnapshot.instrument[2] == CUE_INSTRUMENT && pulseLatch == 0) {
        musicPulse = 1.0f;
        pulseLatch = 10;
    } else {
        musicPulse -= 0.05f;
        if (musicPulse < 0.6f) {
            musicPulse = 0.6f;
            pulseLatch = 0;
        }
    }
}

// Titles over the floor while the camera comes down and the flamingos build up.
void updateOpening(int32_t order) {
    if (descentStarted == 0 && order == 1) {
        descentStarted = 1;
        planePitchTarget = 0.0f;
        planeLiftTarget = 0.0f;
    }
    if (approach(planePitch, planePitchTarget, 0.1f) && plane) {
        plane->pitch = planePitch;
    }
    if (approach(planeLift, planeLiftTarget, 0.01f) && plane) {
        plane->eyeOffset = {0.0f, planeLift, 0.0f};
    }
    if (order > 1) {
        if (musicSnapshot.note[0] != 0) {
            growthCount = std::min(growthCount + GROWTH_STEP, growthFullCount);
        }
        // Written on every frame, so the bird never shows whole before its first note.
        setGrowthElements();
    }
    bobFlamingo();
    pulsePlane();
    if (fade->active == 0) {
        startFade(0, BLACK, 1000);
    }
    advanceFade();
}

// The logo, then the windsurfer while the flamingos take themselves apart.
void updateBeach(int32_t order) {
    pulsePlane();
    bobFlamingo();
    if (order > 5) {
        growthCount = std::max(growthCount - GROWTH_STEP, 0);
        setGrowthElements();
        if (windsurfer) {
            windsurfer->setRotation({5.0f * clockSine(600.0f), 180.0f, 6.0f * clockSine(500.0f)});
            windsurfer->position.x = 3.0f * clockSine(2000.0f);
            if (order == 7) {
                windsurfer->position.z -= static_cast<float>(deltaMs) / 1500.0f;
            }
        }
    }
    advanceFade();
}

void updateCredits(int32_t order) {
    creditsRole.h = 0;
    creditsName.h = 0;
    if (order == 8 || order == 10 || order == 12) {
        static constexpr int32_t ROLE_Y[3] = {0, 60, 120};
        static constexpr int32_t NAME_Y[3] = {180, 270, 180};
        int32_t line = (order - 8) / 2;
        creditsRole.y = ROLE_Y[line];
        creditsName.y = NAME_Y[line];
        creditsRole.h = 60;
        creditsName.h = 90;
    } else if (order == 14) {
        lyricsX -= static_cast<float>(deltaMs) / 6.0f;
    }
    advanceFade();
}

void updateShatter(int32_t order) {
    TileShatter& s = *shatter;
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
        lyricsX -= static_cast<float>(deltaMs) / 3.0f;
    }
}

void updateParrot() {
    if (parrotX < 0.0f) {
        parrotX += static_cast<float>(deltaMs) / 3.0f;
        if (parrotX > 0.0f) {
            parrotX = 0.0f;
        }
    }
    updateGreetings();
}

void updateFinale(int32_t order, int32_t row) {
    float scroll = static_cast<float>(deltaMs) / 2.8f;
    if (order == 25) {
        if (row > 32) {
            lyricsX -= scroll;
        }
    } else if (order == 26) {
        if (row < 33) {
            lyricsX -= scroll;
        }
        if (row >= 34) {
            lyricsSource.y = 192;
            lyricsX = W;
            lyricsY = H * 0.25f * 3.0f;
        }
    } else if (order == 27) {
        lyricsX -= static_cast<float>(deltaMs) * 0.25f;
        if (row == 31) {
            // Restarted on every frame of the row: the fade to black begins on its last frame.
            startFade(1, BLACK, 3000);
        }
    }
    advanceFade();
}

}  // namespace

void updateDemo() {
    int32_t order = musicSnapshot.order;
    applyTransition(order);
    updatePulse();
    switch (demoState) {
    case 0:
        updateOpening(order);
        break;
    case 1:
        updateBeach(order);
        break;
    case 2:
        updateCredits(order);
        break;
    case 3:
        updateShatter(order);
        break;
    case 4:
        updateGreetings();
        advanceFade();
        break;
    case 5:
        updateParrot();
        break;
    case 6:
        updateFinale(order, musicSnapshot.row);
        break;
    default:
        break;
    }
}
