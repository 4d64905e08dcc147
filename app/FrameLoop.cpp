#include "app/FrameLoop.h"

#include "app/Music.h"
#include "demo/Clock.h"
#include "demo/Show.h"
#include "engine/Engine.h"

bool drainEvents() {
    bool quit = false;
    SDL_Event event;
    while (SDL_PollEvent(&event) != 0) {
        if (event.type == SDL_QUIT) {
            quit = true;
        } else if (event.type == SDL_KEYDOWN && event.key.keysym.scancode == SDL_SCANCODE_ESCAPE) {
            quit = true;
        } else if (event.type == SDL_WINDOWEVENT && event.window.event == SDL_WINDOWEVENT_SIZE_CHANGED &&
                   engine != nullptr) {
            // A resized window, or a full-screen one that a window manager sizes only after start-up
            // (seen under Wine): the letterbox must follow the drawable it really has.
            engine->followWindowSize();
        }
    }
    return quit;
}

void startPlaying(SDL_AudioDeviceID device, int32_t avOffsetMs) {
    startMusicTimeline(avOffsetMs);
    startFrameClock(static_cast<int32_t>(SDL_GetTicks()));
    SDL_PauseAudioDevice(device, 0);
}

bool runFrameLoop(SDL_AudioDeviceID device, const ShowOptions& options, std::string& error) {
    bool quit = false;
    if (audioBytesRead.load() == 0) {
        return true;
    }
    while (!quit) {
        quit = drainEvents();
        uint32_t sleepMs = advanceFrameClock(static_cast<int32_t>(SDL_GetTicks()));
        if (sleepMs > 0) {
            SDL_Delay(sleepMs);
        }
        stepShow(readMusicSnapshot(device));
        SDL_GL_SwapWindow(engine->window);
        if (audioBytesRead.load() != 0) {
            continue;
        }
        if (!options.loop) {
            break;
        }
        // The callback no longer runs once the device is paused, so the module can be replaced.
        SDL_PauseAudioDevice(device, 1);
        if (!restartShow(MODULE_PATH, error)) {
            return false;
        }
        startPlaying(device, options.avOffsetMs);
    }
    return true;
}
