#include "demo/Show.h"

#include <cstdlib>

#include "demo/Clock.h"
#include "demo/Demo.h"
#include "engine/Engine.h"
#include "music/Player.h"
#include "resources/ResourceManager.h"

void createShowSingletons() {
    engine = Engine::getInstance();
    resourceManager = ResourceManager::getInstance();
}

bool startShow() {
    createShowSingletons();
    audioBytesRead.store(255);
    return setupDemo();
}

bool loadShowModule(const char* path, std::string& error) {
    applyPlayerSettings();
    modFile = loadModuleFile(path, error);
    return modFile != nullptr;
}

bool restartShow(const char* path, std::string& error) {
    unloadShowModule();
    if (!loadShowModule(path, error)) {
        return false;
    }
    // Tile and greeting speeds come from rand(); 1 is the seed every C program starts with.
    std::srand(1);
    engine->camera = Camera();
    if (!setupScene()) {
        error = "The show could not be set up again";
        return false;
    }
    demoState = SceneOpening;
    audioBytesRead.store(255);
    return true;
}

void unloadShowModule() {
    if (modFile != nullptr) {
        ModPlug_Unload(modFile);
        modFile = nullptr;
    }
}

void stopShowMusic(SDL_AudioDeviceID device) {
    if (device != 0) {
        SDL_PauseAudioDevice(device, 1);
    }
    unloadShowModule();
    if (device != 0) {
        SDL_CloseAudioDevice(device);
    }
}

void endShow(SDL_AudioDeviceID device) {
    stopShowMusic(device);
    engine->shutdown();
}

void stepShow(const MusicSnapshot& snapshot) {
    musicSnapshot = snapshot;
    updateDemo();
    renderDemo();
}

bool advanceShow(const MusicSnapshot& snapshot, const MusicSnapshot& next) {
    musicSnapshot = snapshot;
    updateDemo();
    if (demoFrameCarriedForward(next.order)) {
        renderDemo();
        return true;
    }
    passOverDemoFrame();
    return false;
}

void stepScriptedFrame(const MusicSnapshot& snapshot, bool draw) {
    timeMs += FRAME_PACING_THRESHOLD_MS;
    deltaMs = FRAME_PACING_THRESHOLD_MS;
    if (draw) {
        stepShow(snapshot);
    } else {
        advanceShow(snapshot, snapshot);
    }
}
