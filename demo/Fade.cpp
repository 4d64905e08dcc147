#include "demo/Fade.h"

#include "demo/Clock.h"
#include "demo/SceneState.h"

void startFade(uint8_t fadeIn, uint32_t color, int32_t durationMs) {
    ScreenFade& fade = sceneState.fade;
    fade.active = 0;
    fade.finished = 0;
    fade.fadeIn = fadeIn;
    fade.color = color;
    fade.alpha = fadeIn != 0 ? 0 : 255;
    fade.startTime = timeMs;
    fade.endTime = timeMs + durationMs;
    fade.argb = static_cast<uint32_t>(fade.alpha) << 24 | color;
    fade.active = 1;
}

void advanceFade() {
    ScreenFade& fade = sceneState.fade;
    if (fade.finished != 0) {
        return;
    }
    float progress = static_cast<float>(timeMs - fade.startTime) / static_cast<float>(fade.endTime - fade.startTime);
    auto level = static_cast<int32_t>(static_cast<uint32_t>(progress * 255.0f));
    if (fade.fadeIn != 0) {
        fade.alpha = level;
        if (level >= 255) {
            fade.alpha = 255;
            fade.finished = 1;
        }
    } else {
        fade.alpha = 255 - level;
        if (fade.alpha <= 0) {
            fade.alpha = 0;
            fade.finished = 1;
        }
    }
    fade.argb = static_cast<uint32_t>(fade.alpha) << 24 | fade.color;
}
