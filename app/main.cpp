#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include <SDL.h>

#include "app/FrameLoop.h"
#include "app/Music.h"
#include "app/ShowOptions.h"
#include "demo/Clock.h"
#include "demo/Show.h"
#include "demo/StartupPaths.h"
#include "engine/Engine.h"

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

}  // namespace

int main(int argc, char* argv[]) {
    keepStandardStreamsOpen();
    ShowOptions options;
    std::string optionError;
    if (!parseShowOptions(std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc), options, optionError)) {
        std::cerr << "kavex_velmora: " << optionError << "\n" << showUsage() << std::flush;
        return SHOW_OPTIONS_EXIT_CODE;
    }
    if (options.help || options.version) {
        std::cout << (options.help ? showUsage() : showVersion()) << std::flush;
        return 0;
    }
    if (options.mute) {
        // Chosen before SDL starts its audio: the silent driver still asks for the music in real time.
        SDL_setenv("SDL_AUDIODRIVER", "dummy", 1);
    }
#ifdef _WIN32
    // Also covers the window and context failures, which end the process from inside set-up.
    std::atexit(pauseAfterFailure);
#endif
    enterAssetsDirectory();
    createShowSingletons();
    engine->windowMode = {options.windowed, options.windowWidth, options.windowHeight, options.display};
    if (!startShow()) {
        engine->shutdown();
        return 1;
    }

    SDL_AudioDeviceID device = openAudioDevice();
    std::string error;
    if (!loadShowModule(MODULE_PATH, error)) {
        return endWithoutMusic(device, error);
    }
    warmUpShow();

    if (!options.hasStart) {
        demoState = ScenePreRoll;
        SDL_Delay(1000);
        demoState = SceneOpening;
    }
    int32_t tickShiftMs = 0;
    if (!startPlaying(device, options, tickShiftMs, error)) {
        return endWithoutMusic(device, error, SHOW_OPTIONS_EXIT_CODE);
    }
    if (!runFrameLoop(device, options, tickShiftMs, error)) {
        return endWithoutMusic(device, error);
    }

    SDL_PauseAudioDevice(device, 1);
    unloadShowModule();
    SDL_CloseAudioDevice(device);
    engine->shutdown();
    showEndedNormally = true;
    return 0;
}
