#pragma once
#include <cstdint>
#include <string>
#include <vector>

// An RGB picture, 8 bits a channel, top row first.
struct FrameImage {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint8_t> rgb;
};

FrameImage makeImage(int32_t width, int32_t height, uint32_t rgbColour);

// Averages the source pixels under each target pixel (a box filter), so thin lines
// and text survive as grey instead of vanishing.
FrameImage scaleImageDown(const FrameImage& source, int32_t width, int32_t height);

// Copies `source` into `target` with its top-left corner at (x, y), clipped to the target.
void pasteImage(FrameImage& target, const FrameImage& source, int32_t x, int32_t y);

// False with a reason when the file cannot be written whole; a partial file is removed.
bool writePng(const std::string& path, const FrameImage& image, std::string& error);
