#pragma once
#include <cstdint>

// The player's position and the cells of channels 0 to 3 at the current row, copied once a frame.
struct MusicSnapshot {
    int32_t order = 0;
    int32_t pattern = 0;
    int32_t row = 0;
    uint8_t instrument[4] = {0, 0, 0, 0};
    int32_t note[4] = {0, 0, 0, 0};
};
