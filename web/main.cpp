// The show in the browser. The page calls main from its start button; the browser owns the loop,
// so start-up returns after loading and each display refresh may run one frame of the show.
#include <cstdint>
#include <iostream>
#include <string>

#include <SDL.h>
#include <emscripten.h>

#include "app/Music.h"
#include "demo/Clock.h"
#include "demo/Show.h"
#include "engine/Engine.h"

namespace {

constexpr int32_t PRE_ROLL_MS = 1000;

SDL_AudioDeviceID audioDevice = 0;
int32_t preRollEndMs = 0;
int32_t lastPosition = -1;

int32_t ticks() { return static_cast<int32_t>(SDL_GetTicks()); }

// Keys and the page's own events change nothing: Escape leaves the browser's full screen, and the
// page ends the show by closing the tab.
void drainEvents() {
    SDL_Event event;
    while (SDL_PollEvent(&event) != 0) {
    }
}

void endShow() {
    emscripten_cancel_main_loop();
    SDL_PauseAudioDevice(audioDevice, 1);
    unloadShowModule();
    SDL_CloseAudioDevice(audioDevice);
    // The page shows its end (a button to play again).
    EM_ASM(if (Module.onShowEnd) { Module.onShowEnd(); });
}

// The one-second pre-roll, then the desktop loop's iteration without its sleep: the browser's
// wait for the next display refresh takes the sleep's place.
void browserFrame() {
    const int32_t now = ticks();
    if (demoState == ScenePreRoll) {
        if (now - preRollEndMs < 0) {
            return;
        }
        demoState = SceneOpening;
        startFrameClock(now);
        SDL_PauseAudioDevice(audioDevice, 0);
        return;
    }
    if (!frameIsDue(now)) {
        return;
    }
    drainEvents();
    advanceFrameClock(now);
    const MusicSnapshot snapshot = readMusicSnapshot(audioDevice);
    lastPosition = snapshot.order * 256 + snapshot.row;
    stepShow(snapshot);
    if (audioBytesRead.load() == 0) {
        endShow();
    }
}

}  // namespace

// The music position of the latest frame, order x 256 + row; -1 before the first frame.
extern "C" EMSCRIPTEN_KEEPALIVE int showPosition() { return lastPosition; }

int main() {
    // Keys reach SDL only from the canvas, so the page's keys (reload, full screen) keep working.
    SDL_SetHint(SDL_HINT_EMSCRIPTEN_KEYBOARD_ELEMENT, "#canvas");
    if (!startShow()) {
        engine->shutdown();
        return 1;
    }
    audioDevice = openAudioDevice();
    std::string error;
    if (!loadShowModule(MODULE_PATH, error)) {
        std::cerr << error << std::endl;
        SDL_CloseAudioDevice(audioDevice);
        engine->shutdown();
        return 1;
    }
    // The page takes no options: no offset between the heard sample and the picture.
    startMusicTimeline(0);
    demoState = ScenePreRoll;
    preRollEndMs = ticks() + PRE_ROLL_MS;
    lastPosition = -1;
    // 0 frames a second: one call per display refresh (requestAnimationFrame).
    emscripten_set_main_loop(browserFrame, 0, 0);
    return 0;
}
