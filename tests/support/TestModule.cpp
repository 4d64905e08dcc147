#include "support/TestModule.h"

#include <fstream>

#include "tools/module/ModFile.h"
#include "tools/module/Notes.h"

namespace {

constexpr int TONE_SAMPLES = 10;
constexpr int TONE_LENGTH = 64;  // bytes, one looped period of a square wave

// The tracker note of a period; the tests write periods of the table only, and another throws.
int noteOfPeriod(uint16_t period) {
    if (period == 0) {
        return -1;
    }
    for (int note = 0;; ++note) {
        if (notePeriod(note) == period) {
            return note;
        }
    }
}

}  // namespace

TestModule walkingModule(int orderCount, int rowsPerOrder, int speed, int tempo) {
    TestModule module;
    for (int order = 0; order < orderCount; ++order) {
        TestPattern pattern;
        if (rowsPerOrder < 64) {
            TestCell& last = pattern.cells[rowsPerOrder - 1][3];
            last.effect = EFFECT_PATTERN_BREAK;
        }
        module.orders.push_back(static_cast<uint8_t>(order));
        module.patterns.push_back(pattern);
    }
    if (!module.patterns.empty()) {
        module.patterns[0].cells[0][1] = {0, 0, EFFECT_SET_SPEED, static_cast<uint8_t>(speed)};
        module.patterns[0].cells[0][3] = {0, 0, EFFECT_SET_SPEED, static_cast<uint8_t>(tempo)};
    }
    return module;
}

// Written by the song compiler's writer, so that the tests play modules laid out as the show's.
std::vector<uint8_t> moduleBytes(const TestModule& module) {
    Song song;
    song.channels = module.channels;
    song.orders.assign(module.orders.begin(), module.orders.end());
    for (const TestPattern& pattern : module.patterns) {
        Pattern written;
        for (const auto& row : pattern.cells) {
            for (int channel = 0; channel < module.channels; ++channel) {
                const TestCell cell = channel < 4 ? row[channel] : TestCell{};
                Cell& out = written.cells.emplace_back();
                out.note = noteOfPeriod(cell.period);
                out.instrument = cell.instrument;
                out.effect = cell.effect;
                out.parameter = cell.parameter;
            }
        }
        song.patterns.push_back(written);
    }
    SampleData unused;
    unused.volume = 0;
    std::vector<SampleData> samples(MAX_SLOTS, unused);
    for (int slot = 0; slot < TONE_SAMPLES; ++slot) {
        SampleData& tone = samples[static_cast<size_t>(slot)];
        for (int i = 0; i < TONE_LENGTH; ++i) {
            tone.data.push_back(static_cast<int8_t>(i < TONE_LENGTH / 2 ? 40 : -40));
        }
        tone.loopLength = TONE_LENGTH;
        tone.volume = 32;
    }
    return writeModule(song, samples);
}

bool writeModule(const std::string& path, const TestModule& module) {
    std::vector<uint8_t> bytes = moduleBytes(module);
    std::ofstream file(path, std::ios::binary);
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(file);
}

TestModule allScenesModule() {
    // The sample slot the greetings cue on.
    constexpr uint8_t CUE_INSTRUMENT_SLOT = 10;
    TestModule module = walkingModule(28, 4, 3, 125);
    for (int order : {3, 15, 16}) {
        TestPattern& pattern = module.patterns[order];
        pattern.cells[3][3] = TestCell{};
        pattern.cells[order == 3 ? 33 : 11][3].effect = EFFECT_PATTERN_BREAK;
    }
    for (TestPattern& pattern : module.patterns) {
        for (int row = 0; row < 64; ++row) {
            pattern.cells[row][0] = {PERIOD_C3, 1, 0, 0};
        }
        pattern.cells[0][2] = {PERIOD_C3, CUE_INSTRUMENT_SLOT, 0, 0};
        pattern.cells[2][2] = {PERIOD_C3, CUE_INSTRUMENT_SLOT, 0, 0};
    }
    return module;
}

TestModule quickAllScenesModule() {
    TestModule module = allScenesModule();
    module.patterns[0].cells[0][1].parameter = 1;  // the speed, set on row 0 of the first pattern
    return module;
}

MusicSnapshot snapshotAt(int32_t order, int32_t row) {
    MusicSnapshot snapshot;
    snapshot.order = order;
    snapshot.row = row;
    return snapshot;
}
