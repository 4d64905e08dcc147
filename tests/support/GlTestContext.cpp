#include "support/GlTestContext.h"

#include <cstdlib>

#include "demo/Show.h"
#include "engine/Engine.h"

void initEngineForTests() {
    if (engine != nullptr && engine->window != nullptr) {
        return;
    }
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    createShowSingletons();
    engine->init();
}

Rgba readPixel(int x, int y) {
    Rgba pixel{};
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, &pixel);
    return pixel;
}
