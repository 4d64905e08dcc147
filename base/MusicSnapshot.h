#pragma once
#include <cstdint>

// The player's position and the cells of channels 0 to 3 at the current row, copied once a frame.
// Plain data: the engine, the timeline and the tools read it without the player's headers.
struct MusicSnapshot {
    int32_t order = 0;
    int32_t pattern = 0;
    int32_t row = 0;
    uint8_t instrument[4] = {0, 0, 0, 0};
    int32_t note[4] = {0, 0, 0, 0};
};

// The "MODData" uniform: the snapshot's eleven values, position first, then instruments, then notes.
constexpr int32_t MUSIC_DATA_COUNT = 11;

inline void musicDataValues(const MusicSnapshot& snapshot, int32_t values[MUSIC_DATA_COUNT]) {
    values[0] = snapshot.order;
    values[1] = snapshot.pattern;
    values[2] = snapshot.row;
    for (int channel = 0; channel < 4; ++channel) {
        values[3 + channel] = snapshot.instrument[channel];
        values[7 + channel] = snapshot.note[channel];
    }
}
