#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "base/MusicSnapshot.h"

// Small ProTracker modules written by the tests themselves.

struct TestCell {
    uint16_t period = 0;  // 0: no note
    uint8_t instrument = 0;
    uint8_t effect = 0;
    uint8_t parameter = 0;
};

struct TestPattern {
    TestCell cells[64][4];
};

struct TestModule {
    int channels = 4;             // 4 writes "M.K.", 2 to 8 "<n>CHN"
    std::vector<uint8_t> orders;  // pattern numbers
    std::vector<TestPattern> patterns;
};

constexpr uint16_t PERIOD_C3 = 214;  // a mid-range note
constexpr uint8_t EFFECT_PATTERN_BREAK = 0x0D;
constexpr uint8_t EFFECT_SET_SPEED = 0x0F;  // below 0x20: ticks a row; from 0x20: tempo

// One pattern per order, each `rowsPerOrder` (2 to 64) rows long: a pattern break on channel 3 ends it.
// Row 0 of the first pattern sets the speed (channel 1) and tempo (channel 3); each row lasts speed x 2.5 / tempo
// seconds.
TestModule walkingModule(int orderCount, int rowsPerOrder, int speed, int tempo);

// All seven scenes in about ten seconds (60 ms a row, four rows an order) with the state a
// fast-forward must carry: the flamingo pair in order 3 (34 rows), floor pulses and greeting cues
// on channel 2, notes on channel 0 that grow the bird, and scene 3 (orders 15 and 16) long enough
// to stand inside it.
TestModule allScenesModule();

// The same at one tick a row (20 ms) instead of three: about three seconds a play.
TestModule quickAllScenesModule();

// The bytes of the module: 31 sample slots (1 to 10 hold a short looped tone), the order list
// and the patterns.
std::vector<uint8_t> moduleBytes(const TestModule& module);

// Writes the module; false when the file can't be written.
bool writeModule(const std::string& path, const TestModule& module);

// The player's state at ORDER:ROW with no cells, as a frame would be given it.
MusicSnapshot snapshotAt(int32_t order, int32_t row);
