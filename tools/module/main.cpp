// Composes the soundtrack: reads the song text, synthesises every sample and
// writes a ProTracker module; with --wav it renders a module to a WAV file instead, with
// --orders it prints when each order of a module starts (for measuring the rendered song).
#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>

#include "Instruments.h"
#include "ModFile.h"
#include "ModuleRender.h"
#include "SongText.h"

namespace {

std::vector<uint8_t> readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw std::runtime_error("cannot read " + path);
    }
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

void compose(const std::string& songPath, const std::string& modulePath) {
    std::ifstream text(songPath);
    if (!text) {
        throw std::runtime_error("cannot read " + songPath);
    }
    const Song song = parseSong(text);
    std::vector<SampleData> samples(MAX_SLOTS);
    for (const InstrumentSlot& slot : song.instruments) {
        samples[static_cast<size_t>(slot.slot - 1)] = renderInstrument(slot);
    }
    std::vector<bool> loops(MAX_SLOTS + 1, false);
    for (const InstrumentSlot& slot : song.instruments) {
        loops[static_cast<size_t>(slot.slot)] = samples[static_cast<size_t>(slot.slot - 1)].loopLength > 0;
    }
    checkNoteEnds(song, loops);
    while (!samples.empty() && samples.back().data.empty() && samples.back().name.empty()) {
        samples.pop_back();
    }
    const std::vector<uint8_t> bytes = writeModule(song, samples);
    std::ofstream out(modulePath, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out) {
        throw std::runtime_error("cannot write " + modulePath);
    }
}

}  // namespace

int main(int argc, char** argv) {
    const std::string usage =
        "usage: ondaris_module SONG.song OUT.mod\n       ondaris_module --wav OUT.wav IN.mod\n"
        "       ondaris_module --orders IN.mod     (prints: ORDER START_SECONDS)\n";
    const std::string mode = argc > 1 ? argv[1] : "";
    const bool render = argc == 4 && mode == "--wav";
    const bool orders = argc == 3 && mode == "--orders";
    if (!render && !orders && !(argc == 3 && mode.rfind("--", 0) != 0)) {
        std::cerr << usage;
        return 2;
    }
    try {
        if (render) {
            writeWav(argv[2], renderModule(readFile(argv[3])));
        } else if (orders) {
            const std::vector<double> starts = orderStarts(readFile(argv[2]));
            for (size_t order = 0; order < starts.size(); ++order) {
                std::printf("%zu %.4f\n", order, starts[order]);
            }
        } else {
            compose(argv[1], argv[2]);
        }
    } catch (const std::exception& error) {
        std::cerr << "ondaris_module: " << error.what() << "\n";
        return 1;
    }
    return 0;
}
