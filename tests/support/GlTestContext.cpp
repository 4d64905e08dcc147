#include "support/GlTestContext.h"

#include <cstdlib>

#include "engine/Engine.h"
#include "resources/ResourceManager.h"

void initEngineForTests() {
    if (engine != nullptr && engine->window != nullptr) {
        return;
    }
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    engine = Engine::getInstance();
    resourceManager = ResourceManager::getInstance();
    engine->init();
}

Rgba readPixel(int x, int y) {
    Rgba pixel{};
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, &pixel);
    return pixel;
}
