// Every test process, and every program it starts, runs headless: Mesa's software rasteriser
// through SDL's offscreen driver and SDL's silent audio driver. Set before any test runs.
#include <cstdlib>

namespace {

struct HeadlessEnvironment {
    HeadlessEnvironment() {
        setenv("SDL_VIDEODRIVER", "offscreen", 0);
        setenv("SDL_AUDIODRIVER", "dummy", 0);
        // For the programs the tests start; a sanitizer reads its options when a process begins.
        setenv("LSAN_OPTIONS", "suppressions=" LSAN_SUPPRESSIONS, 0);
        setenv("TSAN_OPTIONS", "suppressions=" TSAN_SUPPRESSIONS, 0);
#ifdef MESA_PRELOAD
        setenv("LD_PRELOAD", MESA_PRELOAD, 1);
        setenv("ASAN_OPTIONS", "verify_asan_link_order=0", 0);
#endif
    }
};

const HeadlessEnvironment headlessEnvironment;

}  // namespace
