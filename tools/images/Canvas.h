// Float RGBA canvas and coverage masks: the drawing surface every picture is painted on.
#pragma once

#include <functional>
#include <string>
#include <vector>

struct Color {
    float r = 0.0f, g = 0.0f, b = 0.0f, a = 1.0f;
};

Color rgb(unsigned hex, float alpha = 1.0f);
Color mix(Color a, Color b, float t);
Color scaled(Color c, float k);

struct GradientStop {
    float at;
    Color color;
};
// Colour at t along stops sorted by position; clamps outside the range.
Color gradientAt(const std::vector<GradientStop>& stops, float t);

// Straight (non-premultiplied) colour, 0..1 per channel.
struct Canvas {
    int width = 0;
    int height = 0;
    std::vector<Color> pixels;

    Canvas(int w, int h, Color fill);
    Color& at(int x, int y) { return pixels[static_cast<size_t>(y) * width + x]; }
    const Color& at(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

// Coverage 0..1 per pixel; shapes are accumulated here, then painted.
struct Mask {
    int width = 0;
    int height = 0;
    std::vector<float> values;

    Mask(int w, int h);
    float& at(int x, int y) { return values[static_cast<size_t>(y) * width + x]; }
    float at(int x, int y) const { return values[static_cast<size_t>(y) * width + x]; }
    float sample(int x, int y) const;
};

// Source-over blend of c at the given coverage.
void blendPixel(Canvas& canvas, int x, int y, Color c, float coverage);
// Additive light, for neon glows over dark backgrounds.
void addPixel(Canvas& canvas, int x, int y, Color c, float amount);

void paint(Canvas& canvas, const Mask& mask, Color c);
void paint(Canvas& canvas, const Mask& mask, const std::function<Color(int, int)>& colorAt);
void paintGlow(Canvas& canvas, const Mask& mask, Color c, float strength);
void verticalGradient(Canvas& canvas, const std::vector<GradientStop>& stops, int top, int bottom);

// Mask algebra.
Mask blurred(const Mask& mask, int radius);
Mask dilated(const Mask& mask, int radius);
void subtract(Mask& mask, const Mask& cut);
void clampMask(Mask& mask);

// Writers quantise to 8 bits with a triangular dither so smooth gradients do not band.
bool savePng(const Canvas& canvas, const std::string& path, bool dither = true);
bool saveJpg(const Canvas& canvas, const std::string& path);

// Copies src into dst with its top-left corner at (x, y), replacing the pixels.
void blit(Canvas& dst, const Canvas& src, int x, int y);
// Ramps alpha to zero over `margin` pixels at the borders, so glows that reach a sprite's edge end softly.
void fadeEdges(Canvas& canvas, int margin);
