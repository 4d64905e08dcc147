#include "PixelArt.h"

#include <algorithm>
#include <cmath>
#include <set>
#include <tuple>

void stamp(Canvas& canvas, const Mask& mask, const std::function<Color(int, int)>& colorAt) {
    for (int y = 0; y < std::min(canvas.height, mask.height); ++y) {
        for (int x = 0; x < std::min(canvas.width, mask.width); ++x) {
            if (mask.at(x, y) >= 0.5f) {
                canvas.at(x, y) = colorAt(x, y);
            }
        }
    }
}

void stamp(Canvas& canvas, const Mask& mask, Color c) {
    stamp(canvas, mask, [c](int, int) { return c; });
}

Color ditheredRamp(const std::vector<Color>& ramp, float t, int x, int y) {
    static const int BAYER[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};
    const float pos = std::clamp(t, 0.0f, 1.0f) * static_cast<float>(ramp.size() - 1);
    const int i = std::min(static_cast<int>(pos), static_cast<int>(ramp.size()) - 2);
    const float f = pos - static_cast<float>(i);
    const float threshold = (static_cast<float>(BAYER[y & 3][x & 3]) + 0.5f) / 16.0f;
    return f > threshold ? ramp[static_cast<size_t>(i) + 1] : ramp[static_cast<size_t>(i)];
}

void outline(Canvas& canvas, Color outlineColor) {
    const Canvas source = canvas;
    auto opaque = [&source](int x, int y) {
        return x >= 0 && y >= 0 && x < source.width && y < source.height && source.at(x, y).a > 0.5f;
    };
    for (int y = 0; y < canvas.height; ++y) {
        for (int x = 0; x < canvas.width; ++x) {
            if (!opaque(x, y) && (opaque(x - 1, y) || opaque(x + 1, y) || opaque(x, y - 1) || opaque(x, y + 1))) {
                canvas.at(x, y) = outlineColor;
            }
        }
    }
}

Canvas upscaled(const Canvas& canvas, int factor) {
    Canvas out(canvas.width * factor, canvas.height * factor, Color{0, 0, 0, 0});
    for (int y = 0; y < out.height; ++y) {
        for (int x = 0; x < out.width; ++x) {
            out.at(x, y) = canvas.at(x / factor, y / factor);
        }
    }
    return out;
}

int countColours(const Canvas& canvas) {
    std::set<std::tuple<int, int, int>> colours;
    for (const Color& c : canvas.pixels) {
        if (c.a > 0.5f) {
            colours.insert({static_cast<int>(std::lround(c.r * 255.0f)), static_cast<int>(std::lround(c.g * 255.0f)),
                            static_cast<int>(std::lround(c.b * 255.0f))});
        }
    }
    return static_cast<int>(colours.size());
}
