#include "demo/Show.h"

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

void unloadShowModule() {
    if (modFile != nullptr) {
        ModPlug_Unload(modFile);
        modFile = nullptr;
    }
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
