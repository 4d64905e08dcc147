#include "app/FrameLoop.h"

#include "app/Music.h"
#include "demo/Clock.h"
#include "demo/Show.h"
#include "engine/Engine.h"
#include "engine/ShaderWatch.h"

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
            // A window manager may give the full-screen window its final size only after start-up
            // (seen under Wine); the letterbox must follow the drawable it really has.
            SDL_GL_GetDrawableSize(engine->window, &engine->drawableWidth, &engine->drawableHeight);
        }
    }
    return quit;
}

void runFrameLoop(SDL_AudioDeviceID device, int32_t tickShiftMs, ShaderWatch* watch) {
    bool quit = false;
    if (audioBytesRead.load() == 0) {
        return;
    }
    while (!quit) {
        quit = drainEvents();
        if (watch != nullptr) {
            pollShaderWatch(*watch, SDL_GetTicks());
        }
        uint32_t sleepMs = advanceFrameClock(static_cast<int32_t>(SDL_GetTicks()) + tickShiftMs);
        if (sleepMs > 0) {
            SDL_Delay(sleepMs);
        }
        stepShow(readMusicSnapshot(device));
        SDL_GL_SwapWindow(engine->window);
        if (audioBytesRead.load() == 0) {
            break;
        }
    }
}
