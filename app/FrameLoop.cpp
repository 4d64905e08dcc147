#include "app/FrameLoop.h"

#include "app/Clock.h"
#include "app/Music.h"
#include "demo/Demo.h"
#include "engine/Engine.h"

void startFrameClock(int32_t tick) {
    timeMs = tick;
    lastTickMs = tick;
}

uint32_t advanceFrameClock(int32_t tick) {
    frameTickMs = tick;
    int32_t difference = frameTickMs - lastTickMs;
    timeMs = frameTickMs;
    deltaMs = difference;
    uint32_t sleepMs = 0;
    if (difference < FRAME_PACING_THRESHOLD_MS) {
        sleepMs = static_cast<uint32_t>(FRAME_TARGET_MS - static_cast<float>(difference));
        deltaMs = FRAME_PACING_THRESHOLD_MS;
    }
    lastTickMs = frameTickMs + static_cast<int32_t>(sleepMs);
    return sleepMs;
}

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

void runFrameLoop(SDL_AudioDeviceID device) {
    bool quit = false;
    if (audioBytesRead.load() == 0) {
        return;
    }
    while (!quit) {
        quit = drainEvents();
        uint32_t sleepMs = advanceFrameClock(static_cast<int32_t>(SDL_GetTicks()));
        if (sleepMs > 0) {
            SDL_Delay(sleepMs);
        }
        refreshMusicSnapshot(device);
        updateDemo();
        renderDemo();
        SDL_GL_SwapWindow(engine->window);
        if (audioBytesRead.load() == 0) {
            break;
        }
    }
}
