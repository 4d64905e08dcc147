// Writes the module fuzzer's seed corpus: short ProTracker modules made by the tests' own module
// writer (4, 6 and 8 channels, every effect command on a row of its own, loops and jumps), then
// damaged copies: cut inside each section, absurd sample lengths and loops, an order naming a
// missing pattern, song lengths of 0 and past the order table, another tag. Usage: module_seeds DIRECTORY
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "music/ModuleHeader.h"
#include "tools/module/Notes.h"
#include "support/TestModule.h"

#include "SeedFiles.h"

namespace {

using Bytes = std::vector<uint8_t>;

// Every ProTracker command once, row by row on channel 0 with a note beside it on channel 1;
// the last rows jump back to order 0 once (the loop the player follows a single time).
TestModule effectsModule(int channels) {
    TestModule module = walkingModule(3, 64, 6, 125);
    module.channels = channels;
    const TestCell commands[] = {
        {PERIOD_C3, 1, 0x0, 0x37}, {PERIOD_C3, 2, 0x1, 0x08}, {0, 0, 0x2, 0x08},   {PERIOD_C3, 3, 0x3, 0x04},
        {0, 0, 0x4, 0x46},         {0, 0, 0x5, 0x02},         {0, 0, 0x6, 0x20},   {PERIOD_C3, 4, 0x7, 0x34},
        {0, 0, 0x8, 0x80},         {PERIOD_C3, 5, 0x9, 0x01}, {0, 0, 0xA, 0x0F},   {PERIOD_C3, 6, 0xC, 0x30},
        {0, 0, 0xE, 0x12},         {0, 0, 0xE, 0x60},         {0, 0, 0xE, 0x62},   {PERIOD_C3, 7, 0xE, 0x93},
        {PERIOD_C3, 8, 0xE, 0xC2}, {PERIOD_C3, 9, 0xE, 0xD2}, {0, 0, 0xE, 0xE2},   {0, 0, 0xF, 0x03},
        {0, 0, 0xF, 0x7D},         {PERIOD_C3, 10, 0x0, 0},   {856, 1, 0x3, 0xFF}, {113, 2, 0x1, 0xFF},
    };
    int row = 1;
    for (const TestCell& cell : commands) {
        module.patterns[1].cells[row][0] = cell;
        // A note a row higher each row: the tests' writer takes the periods of the tracker's table only.
        module.patterns[1].cells[row][1] = {static_cast<uint16_t>(notePeriod(row)), static_cast<uint8_t>(row % 10 + 1),
                                            0, 0};
        ++row;
    }
    module.patterns[2].cells[8][2] = {0, 0, 0xB, 0x00};  // back to order 0
    module.patterns[0].cells[5][3] = {0, 0, 0xD, 0x10};  // break into row 10 of the next pattern
    return module;
}

void putWord(Bytes& bytes, size_t at, int value) {
    bytes[at] = static_cast<uint8_t>(value >> 8);
    bytes[at + 1] = static_cast<uint8_t>(value);
}

Bytes cut(const Bytes& bytes, size_t size) { return Bytes(bytes.begin(), bytes.begin() + static_cast<long>(size)); }

Bytes sampleHeaderSet(Bytes bytes, int sample, int length, int loopStart, int loopLength) {
    const size_t at = PROTRACKER_SAMPLE_HEADERS_AT + static_cast<size_t>(sample) * PROTRACKER_SAMPLE_HEADER_BYTES;
    putWord(bytes, at + 22, length);
    putWord(bytes, at + 26, loopStart);
    putWord(bytes, at + 28, loopLength);
    return bytes;
}

Bytes byteSet(Bytes bytes, size_t at, uint8_t value) {
    bytes[at] = value;
    return bytes;
}

Bytes tagSet(Bytes bytes, const char tag[5]) {
    for (int i = 0; i < 4; ++i) {
        bytes[PROTRACKER_TAG_AT + i] = static_cast<uint8_t>(tag[i]);
    }
    return bytes;
}

std::vector<std::pair<std::string, Bytes>> seeds() {
    const Bytes walking = moduleBytes(walkingModule(4, 8, 3, 125));
    const Bytes effects = moduleBytes(effectsModule(4));
    std::vector<std::pair<std::string, Bytes>> all = {
        {"walking.mod", walking},
        {"one_order.mod", moduleBytes(walkingModule(1, 2, 1, 255))},
        {"effects.mod", effects},
        {"effects_6chn.mod", moduleBytes(effectsModule(6))},
        {"effects_8chn.mod", moduleBytes(effectsModule(8))},
        {"all_scenes.mod", moduleBytes(allScenesModule())},
        {"cut_in_sample_headers.mod", cut(walking, PROTRACKER_SAMPLE_HEADERS_AT + 100)},
        {"cut_in_orders.mod", cut(walking, PROTRACKER_ORDERS_AT + 10)},
        {"cut_in_patterns.mod", cut(effects, PROTRACKER_HEADER_BYTES + 700)},
        {"cut_in_samples.mod", cut(effects, effects.size() - 100)},
        {"sample_longer_than_file.mod", sampleHeaderSet(walking, 0, 0xFFFF, 0, 1)},
        {"loop_past_sample.mod", sampleHeaderSet(effects, 1, 32, 200, 900)},
        {"loop_zero_length.mod", sampleHeaderSet(effects, 2, 32, 4, 0)},
        {"order_names_missing_pattern.mod", byteSet(walking, PROTRACKER_ORDERS_AT + 1, 60)},
        {"song_length_zero.mod", byteSet(walking, PROTRACKER_SONG_LENGTH_AT, 0)},
        {"song_length_past_table.mod", byteSet(walking, PROTRACKER_SONG_LENGTH_AT, 200)},
        {"tag_flt8.mod", tagSet(moduleBytes(effectsModule(8)), "FLT8")},
        {"tag_unknown.mod", tagSet(walking, "XYZW")},
    };
    return all;
}

}  // namespace

int main(int argc, char** argv) { return writeSeedFiles(argc, argv, seeds()); }
