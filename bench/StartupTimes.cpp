// Start-up of the show, split by what it spends the time on: the entry point's own sequence
// up to the first presented frame, without the one-second pre-roll. The loaders are reached
// through the linker's --wrap, so the times are those of the real set-up code; the images are
// decoded on worker threads meanwhile, so "images" is what the main thread still waits and
// uploads. "cpu" is the process's CPU time on all its threads, steadier than the wall clock on
// a shared machine.
// Prints one line of milliseconds. With --runs N it starts itself N times as fresh processes
// and then gives the target's verdict on the fastest (other processes only ever add time).
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <SDL.h>

#include "app/Music.h"
#include "bench/BenchRatios.h"
#include "bench/FreshProcess.h"
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

double processCpuMs() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto ms = [](const timeval& time) {
        return static_cast<double>(time.tv_sec) * 1000.0 + static_cast<double>(time.tv_usec) / 1000.0;
    };
    return ms(usage.ru_utime) + ms(usage.ru_stime);
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

namespace {

// One start-up in this process, its line printed.
int measureStartup() {
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
    double warmUpMs = 0;
    timed(warmUpMs, [] {
        warmUpShow();
        return 0;
    });
    double firstFrameMs = 0;
    timed(firstFrameMs, [&] {
        startMusicTimeline(0);
        demoState = SceneOpening;
        startFrameClock(static_cast<int32_t>(SDL_GetTicks()));
        SDL_PauseAudioDevice(device, 0);
        stepShow(readHeardMusic(device, 0).snapshot);
        SDL_GL_SwapWindow(engine->window);
        glFinish();
        return 0;
    });
    const double totalMs = millisecondsSince(start);
    const double cpuMs = processCpuMs();
    // Engine::init's time holds the three default shaders; they are counted with the shaders.
    const double windowMs = initMs - initShaderMs;
    std::printf(
        "startup_ms total %.1f | window_context %.1f | shaders %.1f | images %.1f | meshes %.1f | "
        "module %.1f | warm_up %.1f | first_frame %.1f | other_setup %.1f | cpu %.1f\n",
        totalMs, windowMs, shaderMs, imageMs, meshMs, moduleMs, warmUpMs, firstFrameMs,
        setupMs - windowMs - shaderMs - imageMs - meshMs, cpuMs);
    SDL_PauseAudioDevice(device, 1);
    unloadShowModule();
    SDL_CloseAudioDevice(device);
    engine->shutdown();
    return 0;
}

// Starts this program `runs` times, passes their lines on and judges the fastest total.
int measureFreshProcesses(int runs) {
    std::vector<double> totals;
    std::vector<double> cpus;
    for (int run = 0; run < runs; ++run) {
        for (const std::string& line : runFreshProcess("", "startup_ms")) {
            double total = 0;
            double cpu = 0;
            const char* cpuField = std::strstr(line.c_str(), "| cpu ");
            if (std::sscanf(line.c_str(), "startup_ms total %lf", &total) == 1 && cpuField != nullptr &&
                std::sscanf(cpuField, "| cpu %lf", &cpu) == 1) {
                totals.push_back(total);
                cpus.push_back(cpu);
            }
        }
    }
    if (totals.empty()) {
        std::printf("start-up to first frame: not measured\n");
        return 1;
    }
    std::printf("median of %zu: total %.1f ms, cpu %.1f ms\n", totals.size(), medianOf(totals), medianOf(cpus));
    printVerdict("start-up to first frame, ms (fastest run)", *std::min_element(totals.begin(), totals.end()),
                 STARTUP_MS_TARGET);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::string(argv[1]) == "--runs") {
        return measureFreshProcesses(std::max(1, std::atoi(argv[2])));
    }
    return measureStartup();
}
