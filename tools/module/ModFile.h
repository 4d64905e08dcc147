#pragma once
// ProTracker MOD serialisation, with the channel tags libmodplug reads: "M.K." for 4 channels,
// "2CHN".."9CHN" and "10CH".."32CH" for the others.
#include <cstdint>
#include <string>
#include <vector>

#include "Song.h"

struct SampleData {
    std::string name;
    std::vector<int8_t> data;  // even length, at most 131070 bytes
    int loopStart = 0;         // bytes, even
    int loopLength = 0;        // bytes, even; 0 for a one-shot
    int volume = 64;
};

// The tag at byte 1080 that tells the player how many channels a pattern row has.
std::string channelTag(int channels);

// samples[i] fills slot i + 1; missing slots are written empty.
std::vector<uint8_t> writeModule(const Song& song, const std::vector<SampleData>& samples);
