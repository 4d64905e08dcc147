#include "bench/BenchShow.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "capture/OffscreenWindow.h"
#include "demo/Clock.h"
#include "demo/Show.h"
#include "engine/Engine.h"

bool startBenchShow() {
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    if (chdir(DEMO_BINARY_DIR) != 0) {
        return false;
    }
    if (!startShow()) {
        return false;
    }
    static OffscreenWindow frame;
    std::string error;
    if (!createOffscreenWindow(frame, SCREEN_WIDTH, SCREEN_HEIGHT, error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return false;
    }
    demoState = SceneOpening;
    timeMs = 1000;
    return true;
}
