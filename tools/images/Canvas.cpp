#include "Canvas.h"

#include "Noise.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include <stb_image_write.h>

Color rgb(unsigned hex, float alpha) {
    return {static_cast<float>((hex >> 16) & 0xff) / 255.0f, static_cast<float>((hex >> 8) & 0xff) / 255.0f,
            static_cast<float>(hex & 0xff) / 255.0f, alpha};
}

Color mix(Color a, Color b, float t) {
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t, a.a + (b.a - a.a) * t};
}

Color scaled(Color c, float k) { return {c.r * k, c.g * k, c.b * k, c.a}; }

Color gradientAt(const std::vector<GradientStop>& stops, float t) {
    if (t <= stops.front().at) {
        return stops.front().color;
    }
    for (size_t i = 1; i < stops.size(); ++i) {
        if (t <= stops[i].at) {
            const float span = stops[i].at - stops[i - 1].at;
            return mix(stops[i - 1].color, stops[i].color, span > 0.0f ? (t - stops[i - 1].at) / span : 1.0f);
        }
    }
    return stops.back().color;
}

Canvas::Canvas(int w, int h, Color fill) : width(w), height(h), pixels(static_cast<size_t>(w) * h, fill) {}

Mask::Mask(int w, int h) : width(w), height(h), values(static_cast<size_t>(w) * h, 0.0f) {}

float Mask::sample(int x, int y) const {
    if (x < 0 || y < 0 || x >= width || y >= height) {
        return 0.0f;
    }
    return at(x, y);
}

void blendPixel(Canvas& canvas, int x, int y, Color c, float coverage) {
    if (x < 0 || y < 0 || x >= canvas.width || y >= canvas.height) {
        return;
    }
    const float sa = std::clamp(c.a * coverage, 0.0f, 1.0f);
    if (sa <= 0.0f) {
        return;
    }
    Color& d = canvas.at(x, y);
    const float outA = sa + d.a * (1.0f - sa);
    const float keep = d.a * (1.0f - sa);
    d.r = (c.r * sa + d.r * keep) / outA;
    d.g = (c.g * sa + d.g * keep) / outA;
    d.b = (c.b * sa + d.b * keep) / outA;
    d.a = outA;
}

void addPixel(Canvas& canvas, int x, int y, Color c, float amount) {
    if (x < 0 || y < 0 || x >= canvas.width || y >= canvas.height || amount <= 0.0f) {
        return;
    }
    Color& d = canvas.at(x, y);
    // On a transparent pixel the light itself becomes the colour, with its strength as alpha.
    const float a = std::min(1.0f, amount * c.a);
    const float outA = a + d.a * (1.0f - a);
    if (outA <= 0.0f) {
        return;
    }
    d.r = std::min(1.0f, (d.r * d.a + c.r * a) / outA);
    d.g = std::min(1.0f, (d.g * d.a + c.g * a) / outA);
    d.b = std::min(1.0f, (d.b * d.a + c.b * a) / outA);
    d.a = outA;
}

void paint(Canvas& canvas, const Mask& mask, Color c) {
    paint(canvas, mask, [c](int, int) { return c; });
}

void paint(Canvas& canvas, const Mask& mask, const std::function<Color(int, int)>& colorAt) {
    const int w = std::min(canvas.width, mask.width);
    const int h = std::min(canvas.height, mask.height);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            if (const float m = mask.at(x, y); m > 0.0f) {
                blendPixel(canvas, x, y, colorAt(x, y), m);
            }
        }
    }
}

void paintGlow(Canvas& canvas, const Mask& mask, Color c, float strength) {
    const int w = std::min(canvas.width, mask.width);
    const int h = std::min(canvas.height, mask.height);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            if (const float m = mask.at(x, y); m > 0.0f) {
                addPixel(canvas, x, y, c, m * strength);
            }
        }
    }
}

void verticalGradient(Canvas& canvas, const std::vector<GradientStop>& stops, int top, int bottom) {
    for (int y = std::max(0, top); y < std::min(canvas.height, bottom); ++y) {
        const Color c = gradientAt(stops, (static_cast<float>(y - top) + 0.5f) / static_cast<float>(bottom - top));
        for (int x = 0; x < canvas.width; ++x) {
            canvas.at(x, y) = c;
        }
    }
}

namespace {

// One pass of a running box filter along rows (horizontal) or columns.
void boxPass(const std::vector<float>& src, std::vector<float>& dst, int w, int h, int radius, bool horizontal) {
    const int lines = horizontal ? h : w;
    const int length = horizontal ? w : h;
    const float norm = 1.0f / static_cast<float>(2 * radius + 1);
    for (int line = 0; line < lines; ++line) {
        auto idx = [&](int i) {
            return horizontal ? static_cast<size_t>(line) * w + i : static_cast<size_t>(i) * w + line;
        };
        auto value = [&](int i) { return (i < 0 || i >= length) ? 0.0f : src[idx(i)]; };
        float sum = 0.0f;
        for (int i = -radius; i <= radius; ++i) {
            sum += value(i);
        }
        for (int i = 0; i < length; ++i) {
            dst[idx(i)] = sum * norm;
            sum += value(i + radius + 1) - value(i - radius);
        }
    }
}

}  // namespace

Mask blurred(const Mask& mask, int radius) {
    Mask out = mask;
    if (radius <= 0) {
        return out;
    }
    std::vector<float> tmp(out.values.size());
    // Three box passes approach a Gaussian.
    for (int pass = 0; pass < 3; ++pass) {
        boxPass(out.values, tmp, mask.width, mask.height, radius, true);
        boxPass(tmp, out.values, mask.width, mask.height, radius, false);
    }
    return out;
}

Mask dilated(const Mask& mask, int radius) {
    Mask out(mask.width, mask.height);
    const float r = static_cast<float>(radius);
    for (int y = 0; y < mask.height; ++y) {
        for (int x = 0; x < mask.width; ++x) {
            float best = 0.0f;
            for (int dy = -radius - 1; dy <= radius + 1 && best < 1.0f; ++dy) {
                for (int dx = -radius - 1; dx <= radius + 1; ++dx) {
                    const float m = mask.sample(x + dx, y + dy);
                    if (m <= best) {
                        continue;
                    }
                    // Soft circular footprint keeps the widened edge anti-aliased.
                    const float edge =
                        std::clamp(r + 0.5f - std::hypot(static_cast<float>(dx), static_cast<float>(dy)), 0.0f, 1.0f);
                    best = std::max(best, m * edge);
                }
            }
            out.at(x, y) = best;
        }
    }
    return out;
}

void subtract(Mask& mask, const Mask& cut) {
    for (size_t i = 0; i < mask.values.size() && i < cut.values.size(); ++i) {
        mask.values[i] = std::max(0.0f, mask.values[i] - cut.values[i]);
    }
}

void clampMask(Mask& mask) {
    for (float& v : mask.values) {
        v = std::clamp(v, 0.0f, 1.0f);
    }
}

namespace {

std::vector<unsigned char> quantise(const Canvas& canvas, int channels, bool dither) {
    std::vector<unsigned char> bytes(static_cast<size_t>(canvas.width) * canvas.height * channels);
    auto toByte = [](float v) { return static_cast<unsigned char>(std::clamp(std::floor(v + 0.5f), 0.0f, 255.0f)); };
    for (int y = 0; y < canvas.height; ++y) {
        for (int x = 0; x < canvas.width; ++x) {
            const Color& c = canvas.at(x, y);
            // Triangular noise of +-1 step hides the 8-bit staircase of slow gradients.
            const float n = dither ? hash2(x, y, 17) + hash2(x, y, 91) - 1.0f : 0.0f;
            unsigned char* p = &bytes[(static_cast<size_t>(y) * canvas.width + x) * channels];
            p[0] = toByte(c.r * 255.0f + n);
            p[1] = toByte(c.g * 255.0f + n);
            p[2] = toByte(c.b * 255.0f + n);
            if (channels == 4) {
                p[3] = toByte(c.a * 255.0f);
            }
        }
    }
    return bytes;
}

}  // namespace

bool savePng(const Canvas& canvas, const std::string& path, bool dither) {
    const auto bytes = quantise(canvas, 4, dither);
    return stbi_write_png(path.c_str(), canvas.width, canvas.height, 4, bytes.data(), canvas.width * 4) != 0;
}

bool saveJpg(const Canvas& canvas, const std::string& path) {
    const auto bytes = quantise(canvas, 3, true);
    return stbi_write_jpg(path.c_str(), canvas.width, canvas.height, 3, bytes.data(), 95) != 0;
}

void blit(Canvas& dst, const Canvas& src, int x, int y) {
    for (int sy = 0; sy < src.height; ++sy) {
        for (int sx = 0; sx < src.width; ++sx) {
            if (x + sx >= 0 && y + sy >= 0 && x + sx < dst.width && y + sy < dst.height) {
                dst.at(x + sx, y + sy) = src.at(sx, sy);
            }
        }
    }
}

void fadeEdges(Canvas& canvas, int margin) {
    for (int y = 0; y < canvas.height; ++y) {
        for (int x = 0; x < canvas.width; ++x) {
            const int d = std::min(std::min(x, canvas.width - 1 - x), std::min(y, canvas.height - 1 - y));
            if (d < margin) {
                canvas.at(x, y).a *= static_cast<float>(d) / static_cast<float>(margin);
            }
        }
    }
}
