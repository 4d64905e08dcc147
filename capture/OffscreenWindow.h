#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "capture/FrameImage.h"

// A framebuffer of the chosen output size that stands in for the show's window.
struct OffscreenWindow {
    uint32_t framebuffer = 0;
    uint32_t colour = 0;
    uint32_t depthStencil = 0;
    int32_t width = 0;
    int32_t height = 0;
};

// Creates it (colour RGBA8, depth 24 and stencil 8) and makes it the engine's window target.
bool createOffscreenWindow(OffscreenWindow& window, int32_t width, int32_t height, std::string& error);

// The finished frame, rows turned top first; `scratch` holds the raw pixels between frames.
void readOffscreenWindow(const OffscreenWindow& window, FrameImage& image, std::vector<uint8_t>& scratch);
