#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include <SDL.h>

#include "app/Clock.h"
#include "app/FrameLoop.h"
#include "app/Music.h"
#include "app/MusicFeed.h"
#include "app/ShowOptions.h"
#include "app/StartupPaths.h"
#include "demo/Demo.h"
#include "engine/Engine.h"
#include "resources/ResourceManager.h"

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
    engine = Engine::getInstance();
    resourceManager = ResourceManager::getInstance();
    audioBytesRead.store(255);

    if (!setupDemo()) {
        engine->shutdown();
        waitForKeyOnWindows();
        return 1;
    }

    SDL_AudioDeviceID device = openAudioDevice();
    applyPlayerSettings();
    std::string error;
    modFile = loadModuleFile(MODULE_PATH, error);
    if (modFile == nullptr) {
        return endWithoutMusic(device, error);
    }

    startMusicTimeline(options.avOffsetMs);
    demoState = -1;
    SDL_Delay(1000);
    demoState = 0;

    startFrameClock(static_cast<int32_t>(SDL_GetTicks()));
    SDL_PauseAudioDevice(device, 0);
    runFrameLoop(device);

    SDL_PauseAudioDevice(device, 1);
    ModPlug_Unload(modFile);
    modFile = nullptr;
    SDL_CloseAudioDevice(device);
    engine->shutdown();
    return 0;
}
