#include "demo/Greetings.h"

#include <cstdlib>

#include "demo/Clock.h"
#include "demo/SceneState.h"
#include "music/Player.h"

namespace {

void placeNextName(GreetingsFader& g) {
    g.alpha = 0;
    // The sheet holds the names in three columns.
    g.source.x = (g.index / (g.count / 3)) * g.source.w;
    g.source.y = (g.index % g.source.h) * g.source.h;
    g.velocity.x = static_cast<float>(std::rand() % 1000 - 500) / 1000.0f;
    g.velocity.y = static_cast<float>(std::rand() % 1000 - 500) / 1000.0f;
    g.position.x = static_cast<float>(g.source.w + std::rand() % (SCREEN_WIDTH - 3 * g.source.w));
    g.position.y = static_cast<float>(g.source.h + std::rand() % (SCREEN_HEIGHT - 3 * g.source.h));
    g.phase = GreetFadingIn;
}

}  // namespace

void updateGreetings() {
    GreetingsFader& g = sceneState.greetings;
    if (g.done != 0) {
        return;
    }
    auto alphaStep = static_cast<int32_t>(static_cast<float>(deltaMs) * g.fadeRate);
    switch (g.phase) {
    case GreetWaiting:
        if (musicSnapshot.instrument[2] == CUE_INSTRUMENT) {
            placeNextName(g);
        }
        break;
    case GreetFadingIn:
        g.alpha += alphaStep;
        if (g.alpha >= 255) {
            g.alpha = 255;
            g.phase = GreetHolding;
        }
        break;
    case GreetHolding:
        g.phase = GreetFadingOut;
        break;
    case GreetFadingOut:
        g.alpha -= alphaStep;
        if (g.alpha <= 0) {
            g.index += 1;
            if (g.index >= g.count) {
                g.done = 1;
            }
            g.alpha = 0;
            g.phase = GreetWaiting;
        }
        break;
    default:
        break;
    }
    float drift = static_cast<float>(deltaMs) * g.driftScale;
    g.position.x += g.velocity.x * drift;
    g.position.y += g.velocity.y * drift;
    g.position.z += g.velocity.z * drift;
}
