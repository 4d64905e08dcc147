#pragma once
#include <cstdint>

#include "base/MathTypes.h"

// How an image is sampled: nearest for pixel art and text, smooth (mipmapped, linear) for
// textures seen at many sizes. Chosen by the first request of a file.
enum TextureFilter : int32_t {
    FilterNearest = 0,
    FilterSmooth = 1,
};

enum BlendMode : int32_t {
    BlendAdditive = 0,
    BlendMultiply = 1,
    BlendAlpha = 2,
};

// An image texture or a render target (the latter has a framebuffer and a renderbuffer).
struct TextureRecord {
    uint32_t texture = 0;
    uint32_t renderbuffer = 0;
    uint32_t framebuffer = 0;
    int32_t width = 0;
    int32_t height = 0;
    Vec4 color{1.0f, 1.0f, 1.0f, 1.0f};
    Vec3 colorAdd{0.0f, 0.0f, 0.0f};
    int32_t blendMode = BlendAlpha;
};
