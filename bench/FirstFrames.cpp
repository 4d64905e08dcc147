// The first frame of each scene as the show meets it, against the frames that follow it: work the
// driver does on first use (building a program for the state it is first drawn with, a texture's
// first sampling) lands in a scene's first frame, right on its downbeat.
// Each scene runs in a fresh process: the show's own start-up (its warm-up included), every order before the scene
// played and drawn (bench/ShowFrames.h), then the scene's first frame and the frames after it, each one finished
// (glFinish) and timed at 1920 x 1080. Usage: bench_first_frames [--runs N]   every scene in N fresh processes (default
// 3), then the verdicts
//        bench_first_frames --scene S    scene S in this process: one line
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/BenchRatios.h"
#include "bench/BenchShow.h"
#include "bench/FreshProcess.h"
#include "bench/ShowFrames.h"
#include "demo/Clock.h"
#include "demo/Demo.h"
#include "demo/Show.h"
#include "engine/Engine.h"
#include "music/Player.h"

namespace {

constexpr int32_t SCENE_COUNT = 7;
// 2.5 s of the show after the first frame: long enough for scene 3's tiles to fall away.
constexpr int32_t FOLLOWING_FRAMES = 150;

// A frame's wall-clock time and the process's CPU time on all its threads (the driver's compiler
// and its rasteriser's threads included), which other work on a shared machine changes far less.
struct FrameCost {
    double wallMs = 0;
    double cpuMs = 0;
};

double processCpuMs() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1000.0 + static_cast<double>(now.tv_nsec) / 1e6;
}

FrameCost finishedFrame(int32_t order) {
    const auto start = std::chrono::steady_clock::now();
    const double cpuStart = processCpuMs();
    showFrame(order, true);
    glFinish();
    return {std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count(),
            processCpuMs() - cpuStart};
}

int32_t firstOrderOf(int32_t scene) { return scene == 0 ? 0 : SCENE_TRIGGER_ORDERS[scene - 1]; }

// One scene in this process: its line of wall-clock and CPU milliseconds.
int measureScene(int32_t scene, bool warmUp) {
    std::string error;
    if (scene < 0 || scene >= SCENE_COUNT || !startBenchShow() || !loadShowModule(MODULE_PATH, error)) {
        std::fprintf(stderr, "the show could not be set up for scene %d %s\n", scene, error.c_str());
        return 1;
    }
    if (warmUp) {
        warmUpShow();
    }
    const int32_t order = firstOrderOf(scene);
    playToMoment({scene, order, ""}, 0, true);
    glFinish();
    const FrameCost first = finishedFrame(order);
    if (demoState != scene) {
        std::fprintf(stderr, "scene %d did not begin at order %d\n", scene, order);
        return 1;
    }
    std::vector<double> wall;
    std::vector<double> cpu;
    for (int32_t i = 0; i < FOLLOWING_FRAMES; ++i) {
        const FrameCost cost = finishedFrame(order);
        wall.push_back(cost.wallMs);
        cpu.push_back(cost.cpuMs);
    }
    const auto worst = std::max_element(cpu.begin(), cpu.end());
    std::printf(
        "first_frame scene %d | first %.1f | median %.1f | cpu first %.1f | cpu median %.1f | "
        "cpu worst_after %.1f at %d\n",
        scene, first.wallMs, medianOf(wall), first.cpuMs, medianOf(cpu), *worst,
        static_cast<int>(worst - cpu.begin()) + 1);
    return 0;
}

struct SceneRuns {
    std::vector<double> first;
    std::vector<double> median;
    std::vector<double> ratio;
    std::vector<double> cpuRatio;
    std::vector<double> worstCpuRatio;  // the costliest frame after the first / the median, CPU time
};

// Every scene in `runs` fresh processes, the scenes taken in turn so that load from other work
// falls on all of them alike; then each scene's figures and the verdicts on its median run.
int measureFreshProcesses(int runs, bool warmUp) {
    SceneRuns scenes[SCENE_COUNT];
    for (int run = 0; run < runs; ++run) {
        for (int32_t scene = 0; scene < SCENE_COUNT; ++scene) {
            for (const std::string& line :
                 runFreshProcess("--scene " + std::to_string(scene) + (warmUp ? "" : " --no-warm-up"), "first_frame")) {
                int parsed = -1;
                double first = 0;
                double median = 0;
                double cpuFirst = 0;
                double cpuMedian = 0;
                double cpuWorst = 0;
                int at = 0;
                if (std::sscanf(line.c_str(),
                                "first_frame scene %d | first %lf | median %lf | cpu first %lf | cpu median %lf | "
                                "cpu worst_after %lf at %d",
                                &parsed, &first, &median, &cpuFirst, &cpuMedian, &cpuWorst, &at) == 7 &&
                    parsed == scene && median > 0 && cpuMedian > 0) {
                    SceneRuns& s = scenes[scene];
                    s.first.push_back(first);
                    s.median.push_back(median);
                    s.ratio.push_back(first / median);
                    s.cpuRatio.push_back(cpuFirst / cpuMedian);
                    s.worstCpuRatio.push_back(cpuWorst / cpuMedian);
                }
            }
        }
    }
    std::printf("\n");
    for (int32_t scene = 0; scene < SCENE_COUNT; ++scene) {
        const SceneRuns& s = scenes[scene];
        if (s.ratio.empty()) {
            std::printf("scene %d first frame / median frame: not measured\n", scene);
            continue;
        }
        const auto [lowest, highest] = std::minmax_element(s.ratio.begin(), s.ratio.end());
        std::printf(
            "scene %d: first %.1f ms, median %.1f ms (medians of %zu runs); ratio %.2f-%.2f; CPU time "
            "ratio %.2f; costliest later frame %.2f x the median CPU time\n",
            scene, medianOf(s.first), medianOf(s.median), s.ratio.size(), *lowest, *highest, medianOf(s.cpuRatio),
            medianOf(s.worstCpuRatio));
    }
    for (int32_t scene = 0; scene < SCENE_COUNT; ++scene) {
        const SceneRuns& s = scenes[scene];
        if (!s.ratio.empty()) {
            const std::string label = "scene " + std::to_string(scene) + " first frame / median";
            printVerdict(label + " (median run)", medianOf(s.ratio), FIRST_FRAME_TARGET);
            printVerdict(label + ", CPU time", medianOf(s.cpuRatio), FIRST_FRAME_TARGET);
        }
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    // As a machine meets the show the first time: Mesa keeps the programs it built on disk, where
    // a second run would find them (set MESA_SHADER_CACHE_DISABLE=false to measure that run).
    setenv("MESA_SHADER_CACHE_DISABLE", "true", 0);
    std::vector<std::string> args(argv + 1, argv + argc);
    // What the show's warm-up buys: the same measurement without it.
    const auto without = std::find(args.begin(), args.end(), "--no-warm-up");
    const bool warmUp = without == args.end();
    if (!warmUp) {
        args.erase(without);
    }
    if (args.size() == 2 && args[0] == "--scene") {
        return measureScene(std::atoi(args[1].c_str()), warmUp);
    }
    const int runs = args.size() == 2 && args[0] == "--runs" ? std::max(1, std::atoi(args[1].c_str())) : 3;
    return measureFreshProcesses(runs, warmUp);
}
