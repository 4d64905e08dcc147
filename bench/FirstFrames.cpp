// The first frame of each scene as the show meets it, against the frames that follow it: work the
// driver does on first use (building a program for the state it is first drawn with, a texture's
// first sampling) lands in a scene's first frame, right on its downbeat.
// Each scene runs in a fresh process: the show's own start-up, every order before the scene played
// and drawn (bench/ShowFrames.h), then the scene's first frame and the frames after it, each one
// finished (glFinish) and timed at 1920 x 1080.
// Usage: bench_first_frames [--runs N]   every scene in N fresh processes (default 3), then the verdicts
//        bench_first_frames --scene S    scene S in this process: one line
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
#include "engine/Engine.h"

namespace {

constexpr int32_t SCENE_COUNT = 7;
// 2.5 s of the show after the first frame: long enough for scene 3's tiles to fall away.
constexpr int32_t FOLLOWING_FRAMES = 150;

double finishedFrameMs(int32_t order) {
    const auto start = std::chrono::steady_clock::now();
    showFrame(order, true);
    glFinish();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

int32_t firstOrderOf(int32_t scene) { return scene == 0 ? 0 : SCENE_TRIGGER_ORDERS[scene - 1]; }

// One scene in this process: its line, "first_frame scene S | first F | median M | worst_after W at K | ratio R".
int measureScene(int32_t scene) {
    if (scene < 0 || scene >= SCENE_COUNT || !startBenchShow()) {
        std::fprintf(stderr, "the show could not be set up for scene %d\n", scene);
        return 1;
    }
    const int32_t order = firstOrderOf(scene);
    playToMoment({scene, order, ""}, 0, true);
    glFinish();
    const double first = finishedFrameMs(order);
    if (demoState != scene) {
        std::fprintf(stderr, "scene %d did not begin at order %d\n", scene, order);
        return 1;
    }
    std::vector<double> after;
    for (int32_t i = 0; i < FOLLOWING_FRAMES; ++i) {
        after.push_back(finishedFrameMs(order));
    }
    const auto worst = std::max_element(after.begin(), after.end());
    const double median = medianOf(after);
    std::printf("first_frame scene %d | first %.1f | median %.1f | worst_after %.1f at %d | ratio %.2f\n", scene, first,
                median, *worst, static_cast<int>(worst - after.begin()) + 1, first / median);
    return 0;
}

struct SceneRuns {
    std::vector<double> first;
    std::vector<double> median;
    std::vector<double> ratio;
    std::vector<double> worstRatio;  // the worst frame after the first / the median
};

// Every scene in `runs` fresh processes, the scenes taken in turn so that load from other work
// falls on all of them alike; then each scene's figures and the verdict on its median ratio.
int measureFreshProcesses(int runs) {
    SceneRuns scenes[SCENE_COUNT];
    for (int run = 0; run < runs; ++run) {
        for (int32_t scene = 0; scene < SCENE_COUNT; ++scene) {
            for (const std::string& line : runFreshProcess("--scene " + std::to_string(scene), "first_frame")) {
                double first = 0;
                double median = 0;
                double worst = 0;
                int at = 0;
                double ratio = 0;
                int parsed = 0;
                if (std::sscanf(line.c_str(),
                                "first_frame scene %d | first %lf | median %lf | worst_after %lf at %d | ratio %lf",
                                &parsed, &first, &median, &worst, &at, &ratio) == 6 &&
                    parsed == scene) {
                    scenes[scene].first.push_back(first);
                    scenes[scene].median.push_back(median);
                    scenes[scene].ratio.push_back(ratio);
                    scenes[scene].worstRatio.push_back(worst / median);
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
            "scene %d: first %.1f ms, median %.1f ms (medians of %zu runs); ratio %.2f-%.2f; "
            "worst later frame %.2f x median\n",
            scene, medianOf(s.first), medianOf(s.median), s.ratio.size(), *lowest, *highest, medianOf(s.worstRatio));
    }
    for (int32_t scene = 0; scene < SCENE_COUNT; ++scene) {
        if (!scenes[scene].ratio.empty()) {
            printVerdict("scene " + std::to_string(scene) + " first frame / median frame (median run)",
                         medianOf(scenes[scene].ratio), FIRST_FRAME_TARGET);
        }
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string mode = argc >= 2 ? argv[1] : "";
    if (argc == 3 && mode == "--scene") {
        return measureScene(std::atoi(argv[2]));
    }
    if (argc == 3 && mode == "--runs") {
        return measureFreshProcesses(std::max(1, std::atoi(argv[2])));
    }
    return measureFreshProcesses(3);
}
