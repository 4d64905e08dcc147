// The show in the browser. The page calls main from its start button; the browser owns the loop,
// so start-up returns after loading and each display refresh may run one frame of the show.
#include <cstdint>
#include <iostream>
#include <string>
#include <utility>

#include <SDL.h>
#include <emscripten.h>

#include "app/Music.h"
#include "demo/Clock.h"
#include "demo/FixedRun.h"
#include "demo/FrameClock.h"
#include "demo/Show.h"
#include "demo/ShowPosition.h"
#include "engine/Engine.h"
#include "music/MusicFeed.h"
#include "music/Player.h"

namespace {

constexpr int32_t PRE_ROLL_MS = 1000;

SDL_AudioDeviceID audioDevice = 0;
int32_t preRollEndMs = 0;
int32_t lastPosition = -1;

// The page's test mode (index.html?fixed-clock): the capture tool's fixed clock instead of the
// audio device's, so that the frame shown at a music position is the one the capture renders there.
struct FixedClockRun {
    MixedFrame current;
    MixedFrame next;
    int64_t frame = 0;
    ShowPosition holdAt;  // the frame that reaches it stays on the page until the next showHoldAt
    bool holding = false;
    int64_t heldFrame = -1;
};
FixedClockRun fixedRun;

int32_t ticks() { return static_cast<int32_t>(SDL_GetTicks()); }

// How much later than its callback a buffer is heard, in ms; -1 while the audio context is not
// running. The script processor schedules the buffer it fills one buffer after the context's
// current time, the context adds its own latencies, and at a context rate other than the
// player's SDL's resampling stream holds half a buffer on average. The body is JavaScript.
// clang-format off
EM_JS(int, soundLeadMs, (int playerRate), {
    const audio = Module.SDL2 && Module.SDL2.audioContext;
    const node = Module.SDL2 && Module.SDL2.audio && Module.SDL2.audio.scriptProcessorNode;
    if (!audio || !node || audio.state !== 'running') { return -1; }
    const buffer = node.bufferSize / audio.sampleRate;
    const resampling = audio.sampleRate !== playerRate ? buffer / 2 : 0;
    return Math.round(1000 * (buffer + resampling + (audio.baseLatency || 0) + (audio.outputLatency || 0)));
});
// clang-format on

// The timeline takes a buffer as heard from its callback on; the browser's lead is taken off as
// the desktop's --av-offset would. Asked every frame: the context reports its output latency only
// once it plays.
void followSoundLead() {
    const int32_t lead = soundLeadMs(AUDIO_FREQUENCY);
    if (lead >= 0) {
        musicTimeline.offsetMs = -lead;
    }
}

// Keys and the page's own events change nothing: Escape leaves the browser's full screen, and the
// page ends the show by closing the tab.
void drainEvents() {
    SDL_Event event;
    while (SDL_PollEvent(&event) != 0) {
    }
}

void endShow() {
    emscripten_cancel_main_loop();
    if (audioDevice != 0) {
        SDL_PauseAudioDevice(audioDevice, 1);
    }
    unloadShowModule();
    if (audioDevice != 0) {
        SDL_CloseAudioDevice(audioDevice);
    }
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
    followSoundLead();
    const MusicSnapshot snapshot = readHeardMusic(audioDevice, 0).snapshot;
    lastPosition = snapshot.order * 256 + snapshot.row;
    stepShow(snapshot);
    if (audioBytesRead.load() == 0) {
        endShow();
    }
}

// One 60 fps frame per display refresh, stepped as the capture steps its frames. Silent: the
// music is mixed here for the picture alone. As the capture does for its stills, only the frame
// asked for by showHoldAt is drawn, and any frame whose picture a later one carries on; the
// others cost a mix and a timeline step, so a software-rendered browser keeps up with the music.
void fixedClockFrame() {
    FixedClockRun& run = fixedRun;
    if (run.heldFrame >= 0) {
        return;
    }
    drainEvents();
    const bool last = run.current.mixed <= 0;
    if (!last) {
        mixFrame(run.frame + 1, SHOW_FRAME_RATE, run.next);
    } else {
        run.next.snapshot = run.current.snapshot;
    }
    const bool hold =
        run.holding && positionReached(run.holdAt, frameEndMs(run.frame, SHOW_FRAME_RATE), run.current.snapshot);
    stepFixedFrame(run.frame, SHOW_FRAME_RATE, run.current, run.next, hold);
    lastPosition = run.current.snapshot.order * 256 + run.current.snapshot.row;
    if (last) {
        endShow();
        return;
    }
    if (hold) {
        run.holding = false;
        run.heldFrame = run.frame;
    }
    std::swap(run.current, run.next);
    run.frame += 1;
}

// Starts as the capture does; a hold asked for before the start stays.
void startFixedClock() {
    fixedRun.frame = 0;
    fixedRun.heldFrame = -1;
    mixFrame(0, SHOW_FRAME_RATE, fixedRun.current);
    startCaptureClock();
}

}  // namespace

// The lead of the sound taken off the picture's music position, in ms (0 until the context plays).
extern "C" EMSCRIPTEN_KEEPALIVE int showSoundLeadMs() { return -musicTimeline.offsetMs; }

// The music position of the latest frame, order x 256 + row; -1 before the first frame.
extern "C" EMSCRIPTEN_KEEPALIVE int showPosition() { return lastPosition; }

// On the fixed clock only: lets a held frame go and holds the first frame at or past ORDER:ROW
// (the capture's rule for its stills), for the page's tests to look at; a negative order only
// lets go.
extern "C" EMSCRIPTEN_KEEPALIVE void showHoldAt(int order, int row) {
    fixedRun.holdAt.byOrder = true;
    fixedRun.holdAt.order = order;
    fixedRun.holdAt.row = row;
    fixedRun.holding = order >= 0;
    fixedRun.heldFrame = -1;
}

// The number of the frame held by showHoldAt (from 0, as the capture counts them); -1 while none is.
extern "C" EMSCRIPTEN_KEEPALIVE int showHeldFrame() { return static_cast<int>(fixedRun.heldFrame); }

int main(int argc, char* argv[]) {
    const bool fixedClock = argc == 2 && std::string(argv[1]) == "--fixed-clock";
    // Keys reach SDL only from the canvas, so the page's keys (reload, full screen) keep working.
    SDL_SetHint(SDL_HINT_EMSCRIPTEN_KEYBOARD_ELEMENT, "#canvas");
    if (!startShow()) {
        engine->shutdown();
        return 1;
    }
    audioDevice = fixedClock ? 0 : openAudioDevice();
    std::string error;
    if (!loadShowModule(MODULE_PATH, error)) {
        std::cerr << error << std::endl;
        if (audioDevice != 0) {
            SDL_CloseAudioDevice(audioDevice);
        }
        engine->shutdown();
        return 1;
    }
    lastPosition = -1;
    if (fixedClock) {
        startFixedClock();
        emscripten_set_main_loop(fixedClockFrame, 0, 0);
        return 0;
    }
    // The page takes no --av-offset; its lead is followed once the audio context plays.
    startMusicTimeline(0);
    demoState = ScenePreRoll;
    preRollEndMs = ticks() + PRE_ROLL_MS;
    // 0 frames a second: one call per display refresh (requestAnimationFrame).
    emscripten_set_main_loop(browserFrame, 0, 0);
    return 0;
}
