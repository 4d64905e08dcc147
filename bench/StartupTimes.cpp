// Start-up of the show, split by what it spends the time on: the entry point's own sequence
// up to the first presented frame, without the one-second pre-roll. The loaders are reached
// through the linker's --wrap, so the times are those of the real set-up code.
// Prints one line of milliseconds; run it a few times, the first run pays for cold caches.
#include <chrono>
#include <cstdio>
#include <string>

#include <SDL.h>

#include "app/Music.h"
#include "demo/Clock.h"
#include "demo/Show.h"
#include "engine/Engine.h"
#include "engine/ShaderFactory.h"
#include "resources/ResourceManager.h"

namespace {

using Clock = std::chrono::steady_clock;

double millisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double shaderMs = 0;
double imageMs = 0;
double meshMs = 0;
double initMs = 0;
double initShaderMs = 0;  // the default shaders, built inside Engine::init

// Adds the time of one call to a total.
template <typename Call>
auto timed(double& total, Call call) {
    const Clock::time_point start = Clock::now();
    auto result = call();
    total += millisecondsSince(start);
    return result;
}

}  // namespace

extern "C" {
int32_t __real__Z11loadTextureRKNSt7__cxx1112basic_stringIcSt11char_traitsIcESaIcEEE13TextureFilter(
    const std::string& path, TextureFilter filter);
int32_t __real__Z11loadObjMeshRKNSt7__cxx1112basic_stringIcSt11char_traitsIcESaIcEEE(const std::string& path);
Shader* __real__Z11buildShaderRKNSt7__cxx1112basic_stringIcSt11char_traitsIcESaIcEEE10ShaderKind(
    const std::string& name, ShaderKind kind);
void __real__ZN6Engine4initEv(Engine* self);

int32_t __wrap__Z11loadTextureRKNSt7__cxx1112basic_stringIcSt11char_traitsIcESaIcEEE13TextureFilter(
    const std::string& path, TextureFilter filter) {
    return timed(imageMs, [&] {
        return __real__Z11loadTextureRKNSt7__cxx1112basic_stringIcSt11char_traitsIcESaIcEEE13TextureFilter(path,
                                                                                                           filter);
    });
}
int32_t __wrap__Z11loadObjMeshRKNSt7__cxx1112basic_stringIcSt11char_traitsIcESaIcEEE(const std::string& path) {
    return timed(meshMs,
                 [&] { return __real__Z11loadObjMeshRKNSt7__cxx1112basic_stringIcSt11char_traitsIcESaIcEEE(path); });
}
Shader* __wrap__Z11buildShaderRKNSt7__cxx1112basic_stringIcSt11char_traitsIcESaIcEEE10ShaderKind(
    const std::string& name, ShaderKind kind) {
    return timed(shaderMs, [&] {
        return __real__Z11buildShaderRKNSt7__cxx1112basic_stringIcSt11char_traitsIcESaIcEEE10ShaderKind(name, kind);
    });
}
void __wrap__ZN6Engine4initEv(Engine* self) {
    const double shadersBefore = shaderMs;
    timed(initMs, [&] {
        __real__ZN6Engine4initEv(self);
        return 0;
    });
    initShaderMs = shaderMs - shadersBefore;
}
}

int main() {
    const Clock::time_point start = Clock::now();
    double setupMs = 0;
    if (!timed(setupMs, [] { return startShow(); })) {
        std::fprintf(stderr, "the show could not be set up\n");
        return 1;
    }
    double moduleMs = 0;
    const SDL_AudioDeviceID device = timed(moduleMs, [] { return openAudioDevice(); });
    std::string error;
    if (!timed(moduleMs, [&] { return loadShowModule(MODULE_PATH, error); })) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    double firstFrameMs = 0;
    timed(firstFrameMs, [&] {
        startMusicTimeline(0);
        demoState = SceneOpening;
        startFrameClock(static_cast<int32_t>(SDL_GetTicks()));
        SDL_PauseAudioDevice(device, 0);
        stepShow(readMusicSnapshot(device));
        SDL_GL_SwapWindow(engine->window);
        glFinish();
        return 0;
    });
    const double totalMs = millisecondsSince(start);
    // Engine::init's time holds the three default shaders; they are counted with the shaders.
    const double windowMs = initMs - initShaderMs;
    std::printf(
        "startup_ms total %.1f | window_context %.1f | shaders %.1f | images %.1f | meshes %.1f | "
        "module %.1f | first_frame %.1f | other_setup %.1f\n",
        totalMs, windowMs, shaderMs, imageMs, meshMs, moduleMs, firstFrameMs,
        setupMs - windowMs - shaderMs - imageMs - meshMs);
    SDL_PauseAudioDevice(device, 1);
    unloadShowModule();
    SDL_CloseAudioDevice(device);
    engine->shutdown();
    return 0;
}
