#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include <SDL.h>

#include "app/FrameLoop.h"
#include "app/Music.h"
#include "app/ShowOptions.h"
#include "demo/Clock.h"
#include "demo/Demo.h"
#include "demo/FixedRun.h"
#include "demo/Show.h"
#include "demo/StartupPaths.h"
#include "engine/Engine.h"
#include "engine/ShaderWatch.h"

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <io.h>
#include <windows.h>
#endif

namespace {

bool showEndedNormally = false;

#ifdef _WIN32
// On Windows the show is a console program, so its lines always have a console. One opened for
// this run alone (a double-click) vanishes with the process, so after any failure "pause" keeps
// it open. Never when the console is shared (a command prompt keeps the lines) or the input is
// not a terminal (redirected, a test run): no one would ever press the key.
void pauseAfterFailure() {
    DWORD processes[2];
    bool consoleIsOurs = GetConsoleProcessList(processes, 2) == 1;
    if (!showEndedNormally && consoleIsOurs && _isatty(_fileno(stdin)) != 0) {
        std::system("pause");
    }
}
#endif

int endWithoutMusic(SDL_AudioDeviceID device, const std::string& error, int code = 1) {
    std::cerr << error << std::endl;
    SDL_PauseAudioDevice(device, 1);
    unloadShowModule();
    SDL_CloseAudioDevice(device);
    engine->shutdown();
    return code;
}

// --start: the show runs unseen up to the position, as the capture does, and says where it stands.
bool skipToStart(const ShowPosition& start) {
    MixedFrame reached;
    int64_t frame = 0;
    if (!fastForwardShow(start, SHOW_FRAME_RATE, reached, frame)) {
        return false;
    }
    std::cout << "Starting at " << start.text << ": frame " << frame << ", order " << reached.snapshot.order
              << " row " << reached.snapshot.row << ", scene " << sceneAfter(demoState, reached.snapshot.order)
              << std::endl;
    return true;
}

}  // namespace

int main(int argc, char* argv[]) {
    ShowOptions options;
    std::string optionError;
    if (!parseShowOptions(std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc), options, optionError)) {
        std::cerr << "kavex_velmora: " << optionError << "\n" << showUsage() << std::flush;
        return SHOW_OPTIONS_EXIT_CODE;
    }
#ifdef _WIN32
    // Also covers the window and context failures, which end the process from inside set-up.
    std::atexit(pauseAfterFailure);
#endif
    enterAssetsDirectory();
    if (!startShow()) {
        engine->shutdown();
        return 1;
    }

    SDL_AudioDeviceID device = openAudioDevice();
    std::string error;
    if (!loadShowModule(MODULE_PATH, error)) {
        return endWithoutMusic(device, error);
    }

    if (options.hasStart && !skipToStart(options.start)) {
        return endWithoutMusic(device, "kavex_velmora: the music ends before the --start position " + options.start.text,
                               SHOW_OPTIONS_EXIT_CODE);
    }
    startMusicTimeline(options.avOffsetMs);
    int32_t tickShiftMs = 0;
    if (options.hasStart) {
        tickShiftMs = resumeFrameClock(static_cast<int32_t>(SDL_GetTicks()));
    } else {
        demoState = ScenePreRoll;
        SDL_Delay(1000);
        demoState = SceneOpening;
        startFrameClock(static_cast<int32_t>(SDL_GetTicks()));
    }
    ShaderWatch watch;
    if (options.watch) {
        startShaderWatch(watch, SDL_GetTicks());
    }
    SDL_PauseAudioDevice(device, 0);
    runFrameLoop(device, tickShiftMs, options.watch ? &watch : nullptr);

    SDL_PauseAudioDevice(device, 1);
    unloadShowModule();
    SDL_CloseAudioDevice(device);
    engine->shutdown();
    showEndedNormally = true;
    return 0;
}
