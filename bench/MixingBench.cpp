// libmodplug's cost to mix one second of the show's module with the show's player settings,
// in the audio callback's buffer size, by one read per buffer (0) and by the show's callback
// (1: chunks, each followed by a recorded state); its time per iteration is the fraction of real time.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <vector>

#include "music/MusicFeed.h"
#include "music/Player.h"

namespace {

constexpr int CALLBACK_BYTES = 4096 * AUDIO_BYTES_PER_FRAME;

void BM_MixOneSecond(benchmark::State& state) {
    applyPlayerSettings();
    std::string error;
    ModPlugFile* module = loadModuleFile(DEMO_ASSETS_DIR "/ondaris.mod", error);
    if (module == nullptr) {
        state.SkipWithError(error.c_str());
        return;
    }
    MusicTimeline timeline;
    resetMusicTimeline(timeline, MusicSnapshot{}, AUDIO_FREQUENCY, 0);
    const bool asTheCallback = state.range(0) == 1;
    std::vector<uint8_t> buffer(CALLBACK_BYTES);
    for (auto _ : state) {
        int remaining = AUDIO_FREQUENCY * AUDIO_BYTES_PER_FRAME;
        while (remaining > 0) {
            const int wanted = std::min(remaining, CALLBACK_BYTES);
            const int produced = asTheCallback ? mixDeviceBuffer(module, timeline, buffer.data(), wanted, 0)
                                               : ModPlug_Read(module, buffer.data(), wanted);
            if (produced == 0) {  // the song ended: go on from its start
                ModPlug_Seek(module, 0);
                continue;
            }
            remaining -= produced;
        }
        benchmark::DoNotOptimize(buffer.data());
    }
    state.counters["song_s"] = ModPlug_GetLength(module) / 1000.0;
    // One iteration is one second of audio, so seconds per iteration are the share of real time.
    state.counters["of_realtime"] =
        benchmark::Counter(1.0, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
    ModPlug_Unload(module);
}

}  // namespace

BENCHMARK(BM_MixOneSecond)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->MinTime(2.0);

BENCHMARK_MAIN();
