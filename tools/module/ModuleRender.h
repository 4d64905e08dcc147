#pragma once
// Plays a module through libmodplug with the show's player settings.
#include <cstdint>
#include <string>
#include <vector>

// Interleaved 16-bit stereo at 44100 Hz, from the first row to the player's end of song.
std::vector<int16_t> renderModule(const std::vector<uint8_t>& module);

// When each entry of the order list starts to be heard, in seconds from the first row.
std::vector<double> orderStarts(const std::vector<uint8_t>& module);

void writeWav(const std::string& path, const std::vector<int16_t>& stereo);
