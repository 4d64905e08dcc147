#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "capture/OffscreenWindow.h"

// The loaded show played in this process on the capture's fixed clock, every frame hashed: for
// tests that compare two plays frame by frame.

// One frame's picture and sound, as the capture's hash file has them, and where the music stood.
struct FrameHash {
    uint64_t picture = 0;
    uint64_t sound = 0;
    int32_t order = 0;
    int32_t row = 0;
    int32_t scene = 0;

    bool operator==(const FrameHash& other) const {
        return picture == other.picture && sound == other.sound && order == other.order && row == other.row;
    }
};

std::string describe(const FrameHash& frame);

// The loaded show from its first frame to the one that finds the music over, on the capture's
// fixed clock, every frame drawn into `window` and hashed.
std::vector<FrameHash> playOnCaptureClock(const OffscreenWindow& window);
