#include "app/FrameLoop.h"

#include <iostream>

#include "app/FrameStats.h"
#include "app/Music.h"
#include "app/Presentation.h"
#include "demo/Clock.h"
#include "demo/Demo.h"
#include "demo/FixedRun.h"
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
            // A resized window, or a full-screen one that a window manager sizes only after start-up
            // (seen under Wine): the letterbox must follow the drawable it really has.
            engine->followWindowSize();
        }
    }
    return quit;
}

namespace {

// The display's refresh interval in microseconds; 0 when SDL does not know it (a virtual X server).
int64_t displayRefreshUs() {
    SDL_DisplayMode mode{};
    const int display = SDL_GetWindowDisplayIndex(engine->window);
    if (display < 0 || SDL_GetCurrentDisplayMode(display, &mode) != 0 || mode.refresh_rate <= 0) {
        return 0;
    }
    return 1000000 / mode.refresh_rate;
}

// --start: the show runs unseen up to the position, as the capture does, and says where it stands.
bool skipToStart(const ShowPosition& start, std::string& error) {
    MixedFrame reached;
    int64_t frame = 0;
    if (!fastForwardShow(start, SHOW_FRAME_RATE, reached, frame)) {
        error = "kavex_velmora: the music ends before the --start position " + start.text;
        return false;
    }
    std::cout << "Starting at " << start.text << ": frame " << frame << ", order " << reached.snapshot.order << " row "
              << reached.snapshot.row << ", scene " << sceneAfter(demoState, reached.snapshot.order) << std::endl;
    return true;
}

}  // namespace

bool startPlaying(SDL_AudioDeviceID device, const ShowOptions& options, int32_t& tickShiftMs, std::string& error) {
    if (options.hasStart && !skipToStart(options.start, error)) {
        return false;
    }
    startMusicTimeline(options.avOffsetMs);
    if (options.hasStart) {
        tickShiftMs = resumeFrameClock(static_cast<int32_t>(SDL_GetTicks()));
    } else {
        tickShiftMs = 0;
        startFrameClock(static_cast<int32_t>(SDL_GetTicks()));
    }
    SDL_PauseAudioDevice(device, 0);
    return true;
}

bool runFrameLoop(SDL_AudioDeviceID device, const ShowOptions& options, int32_t tickShiftMs, std::string& error) {
    ShaderWatch watch;
    if (options.watch) {
        startShaderWatch(watch, SDL_GetTicks());
    }
    PresentationDelay presentation;
    FrameStats stats;
    if (options.stats) {
        startFrameStats(stats, displayRefreshUs());
    }
    bool quit = audioBytesRead.load() == 0;
    while (!quit) {
        quit = drainEvents();
        if (options.watch) {
            pollShaderWatch(watch, SDL_GetTicks());
        }
        uint32_t sleepMs = advanceFrameClock(static_cast<int32_t>(SDL_GetTicks()) + tickShiftMs);
        if (sleepMs > 0) {
            SDL_Delay(sleepMs);
        }
        // The frame shows the music heard when it reaches the screen, not when it is drawn.
        const int64_t aimUs = expectedPresentationUs(presentation);
        const HeardMusic aimed = readHeardMusic(device, aimUs);
        stepShow(aimed.snapshot);
        SDL_GL_SwapWindow(engine->window);
        const HeardMusic shown = readHeardMusic(device, 0);
        recordPresentation(presentation, aimed.atUs, shown.atUs);
        if (options.stats) {
            recordShownFrame(stats, shown.atUs, aimed.snapshot, aimUs,
                             (shown.frame - aimed.frame) * 1000000 / AUDIO_FREQUENCY);
        }
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
        if (!startPlaying(device, options, tickShiftMs, error)) {
            return false;
        }
        pauseFrameStats(stats);
    }
    if (options.stats) {
        std::cout << frameStatsReport(stats) << std::flush;
    }
    return true;
}
