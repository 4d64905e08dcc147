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

namespace {

void waitForKeyOnWindows() {
#ifdef _WIN32
    // Keeps the console open so the messages above can be read.
    std::system("pause");
#endif
}

int endWithoutMusic(SDL_AudioDeviceID device, const std::string& error) {
    std::cerr << error << std::endl;
    SDL_PauseAudioDevice(device, 1);
    SDL_CloseAudioDevice(device);
    engine->shutdown();
    return 1;
}

}  // namespace

int main(int argc, char* argv[]) {
    ShowOptions options;
    std::string optionError;
    if (!parseShowOptions(std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc), options, optionError)) {
        std::cerr << "kavex_velmora: " << optionError << "\n" << showUsage() << std::flush;
        return SHOW_OPTIONS_EXIT_CODE;
    }
    enterAssetsDirectory();
    if (!startShow()) {
        engine->shutdown();
        waitForKeyOnWindows();
        return 1;
    }

    SDL_AudioDeviceID device = openAudioDevice();
    std::string error;
    if (!loadShowModule(MODULE_PATH, error)) {
        return endWithoutMusic(device, error);
    }

    startMusicTimeline(options.avOffsetMs);
    demoState = ScenePreRoll;
    SDL_Delay(1000);
    demoState = SceneOpening;

    startFrameClock(static_cast<int32_t>(SDL_GetTicks()));
    SDL_PauseAudioDevice(device, 0);
    runFrameLoop(device);

    SDL_PauseAudioDevice(device, 1);
    unloadShowModule();
    SDL_CloseAudioDevice(device);
    engine->shutdown();
    return 0;
}
