// The cost of each scene's frame at 1920 x 1080 on the real engine, as a ratio to a plain
// textured full-screen quad measured in the same run, and the main thread's CPU time for a
// frame's update and drawing calls (the GPU work is finished outside the timing).
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "bench/BenchRatios.h"
#include "bench/BenchShow.h"
#include "bench/ShowFrames.h"
#include "demo/Clock.h"
#include "demo/Demo.h"
#include "demo/PalmScene.h"
#include "demo/SceneState.h"
#include "demo/Show.h"
#include "engine/Engine.h"
#include "engine/Shader.h"
#include "resources/ResourceManager.h"

namespace {

constexpr int32_t SETTLE_FRAMES = 10;

// The baseline frame: one textured quad over the whole 1920 x 1080 frame.
void drawTexturedQuad() {
    static const int32_t texture = resourceManager->getTextureId("Assets/beach.jpg");
    const TextureRecord* record = resourceManager->textureById(texture);
    engine->SelectTarget(TargetWindow);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    if (record != nullptr) {
        const SpriteRect whole{0, 0, static_cast<uint16_t>(record->width), static_cast<uint16_t>(record->height)};
        engine->DrawTextureScaled(texture, whole, 0, 0, 0.0f, SCREEN_WIDTH, SCREEN_HEIGHT);
    }
}

double finishedMs(void (*draw)()) {
    const auto start = std::chrono::steady_clock::now();
    draw();
    glFinish();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

// Times `draw` and, outside the benchmark's timing, a baseline quad frame in every iteration:
// the "x_quad" counter is their ratio, which load from other processes on a shared machine
// changes far less than either time alone.
void timeAgainstQuad(benchmark::State& state, void (*draw)()) {
    double drawTotal = 0;
    double quadTotal = 0;
    for (auto _ : state) {
        drawTotal += finishedMs(draw);
        state.PauseTiming();
        quadTotal += finishedMs(drawTexturedQuad);
        state.ResumeTiming();
    }
    state.counters["x_quad"] = quadTotal > 0 ? drawTotal / quadTotal : 0;
}

void BM_TexturedQuad(benchmark::State& state) {
    for (auto _ : state) {
        drawTexturedQuad();
        glFinish();
    }
}

// One layer of a scene alone over a cleared frame, to find which one costs. Drawn once before the
// timing: a layer's first draw bakes its pictures (the city's skyline and sand), which the show
// pays once per scene or order (bench_first_frames counts it), and a single slow first iteration
// would be the whole measurement.
void BM_Layer(benchmark::State& state, void (*drawLayer)()) {
    static void (*layer)() = nullptr;
    layer = drawLayer;
    void (*drawAlone)() = [] {
        engine->SelectTarget(TargetWindow);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        layer();
    };
    drawAlone();
    glFinish();
    timeAgainstQuad(state, drawAlone);
}

void drawEffectShader(int32_t shaderId) {
    if (Shader* effect = resourceManager->shaderById(shaderId)) {
        effect->draw(static_cast<float>(timeMs) / 1000.0f, musicSnapshot);
    }
}

void drawFloor() {
    glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
    sceneState.plane->draw();
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
}

void drawFlamingo() { sceneState.flamingo->draw(); }

// The frame of a moment, drawn again and again with the scene standing still.
void BM_SceneFrame(benchmark::State& state, SceneMoment moment) {
    playToMoment(moment, SETTLE_FRAMES, true);
    glFinish();  // the frames played so far must not be paid for by the first timed one
    timeAgainstQuad(state, renderDemo);
    state.SetLabel(moment.content);
}

// The show going on at the moment: timeline update and drawing calls on the main thread.
void BM_SceneCpu(benchmark::State& state, SceneMoment moment) {
    playToMoment(moment, 0, true);
    glFinish();
    for (auto _ : state) {
        showFrame(moment.order, true);
        state.PauseTiming();
        glFinish();
        state.ResumeTiming();
    }
}

void BM_SceneUpdate(benchmark::State& state, SceneMoment moment) {
    playToMoment(moment, 0, true);
    glFinish();
    for (auto _ : state) {
        showFrame(moment.order, false);
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (!startBenchShow()) {
        std::fprintf(stderr, "the show could not be set up\n");
        return 1;
    }
    benchmark::RegisterBenchmark("TexturedQuad", BM_TexturedQuad)->UseRealTime()->Unit(benchmark::kMillisecond);
    // Weak hardware must show every scene: targets in bench/BenchRatios.h.
    std::vector<BenchCounterTarget> targets;
    const std::vector<std::pair<std::string, void (*)()>> layers = {
        {"road", [] { drawEffectShader(sceneState.roadShader); }},
        {"palms_Kavex", [] { drawPalmScene(false); }},
        {"city", [] { drawEffectShader(sceneState.cityShader); }},
        {"jail_tunnel", [] { drawEffectShader(sceneState.tunnelShader); }},
        {"wireframe_floor", drawFloor},
        {"flamingo", drawFlamingo},
    };
    for (const auto& [name, draw] : layers) {
        benchmark::RegisterBenchmark(("Layer/" + name).c_str(), BM_Layer, draw)
            ->UseRealTime()
            ->Unit(benchmark::kMillisecond);
        targets.push_back({"layer " + name + " / textured quad", "Layer/" + name, "x_quad", LAYER_TARGET});
    }
    // In scene order: the show only moves forward, so each scene's benchmarks run together.
    for (const SceneMoment& moment : SCENE_MOMENTS) {
        const std::string scene = std::to_string(moment.scene);
        benchmark::RegisterBenchmark(("SceneFrame/" + scene).c_str(), BM_SceneFrame, moment)
            ->UseRealTime()
            ->Unit(benchmark::kMillisecond);
        // A second of the show: CPU time is small beside the finished frames paused out of it,
        // so a time-bound run would take minutes.
        benchmark::RegisterBenchmark(("SceneCpu/" + scene).c_str(), BM_SceneCpu, moment)
            ->Iterations(60)
            ->Unit(benchmark::kMicrosecond);
        benchmark::RegisterBenchmark(("SceneUpdate/" + scene).c_str(), BM_SceneUpdate, moment)
            ->Unit(benchmark::kMicrosecond);
        targets.push_back({"scene " + scene + " frame / textured quad", "SceneFrame/" + scene, "x_quad", FRAME_TARGET});
    }
    return runBenchmarksWithRatios(argc, argv, {}, targets);
}
