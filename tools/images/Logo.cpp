// Group logo "KAVEX" as six-colour pixel art: striped sunset disc behind extruded italic letters.
#include "Pictures.h"
#include "PixelArt.h"
#include "Shapes.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

constexpr int SCALE = 4;
constexpr int LOW_W = 1080 / SCALE;
constexpr int LOW_H = 432 / SCALE;

const Color DARK = rgb(0x1b0b3a);
const Color PINK = rgb(0xff2f9e);
const Color ORANGE = rgb(0xff8c2f);
const Color YELLOW = rgb(0xffe14d);
const Color CYAN = rgb(0x29e7ff);
const Color WHITE = rgb(0xffffff);

void sunDisc(Canvas& canvas) {
    const Point centre{LOW_W * 0.5f + 4.0f, 46.0f};
    const float radius = 42.0f;
    Mask disc(LOW_W, LOW_H);
    fillCircle(disc, centre, radius);
    // Retro sun: gaps widen towards the bottom and the disc is cut at the horizon.
    for (int y = 0; y < LOW_H; ++y) {
        const float below = static_cast<float>(y) - (centre.y - 12.0f);
        const bool gap = below > 0.0f && std::fmod(below, 9.0f) < 1.0f + below / 14.0f;
        if (gap || y > 76) {
            for (int x = 0; x < LOW_W; ++x) {
                disc.at(x, y) = 0.0f;
            }
        }
    }
    const std::vector<Color> ramp = {YELLOW, ORANGE, PINK};
    stamp(canvas, disc, [&](int x, int y) {
        return ditheredRamp(ramp, (static_cast<float>(y) - (centre.y - radius)) / (radius * 1.7f), x, y);
    });
}

}  // namespace

bool makeLogo(const Fonts& fonts, const std::string& dir) {
    Canvas low(LOW_W, LOW_H, Color{0, 0, 0, 0});
    sunDisc(low);

    Mask letters(LOW_W, LOW_H);
    const TextStyle style{60.0f, 9.0f};
    const float cap = capHeight(fonts.display, style);
    const float middle = 60.0f;
    drawTextCentred(letters, fonts.display, "KAVEX", LOW_W * 0.5f - 8.0f, middle, style);
    letters = sheared(letters, 0.2f, middle);

    // Solid extrusion towards the lower right, kept apart from the faces by a dark line.
    Mask extrusion(LOW_W, LOW_H);
    for (int step = 1; step <= 4; ++step) {
        for (int y = 0; y < LOW_H; ++y) {
            for (int x = 0; x < LOW_W; ++x) {
                extrusion.at(x, y) = std::max(extrusion.at(x, y), letters.sample(x - step, y - step));
            }
        }
    }
    stamp(low, dilated(extrusion, 2), DARK);
    stamp(low, extrusion, [&](int x, int y) { return letters.sample(x - 1, y - 1) >= 0.5f ? CYAN : PINK; });
    stamp(low, dilated(letters, 2), DARK);
    const float top = middle - cap * 0.5f;
    const std::vector<Color> sky = {WHITE, CYAN, CYAN};
    const std::vector<Color> sunset = {PINK, ORANGE, YELLOW};
    stamp(low, letters, [&](int x, int y) {
        // Chrome: sky above a dark horizon line, sunset below it.
        const float t = (static_cast<float>(y) - top) / cap;
        if (t < 0.48f) {
            return ditheredRamp(sky, t / 0.48f, x, y);
        }
        if (t < 0.54f) {
            return DARK;
        }
        return ditheredRamp(sunset, (t - 0.54f) / 0.46f, x, y);
    });
    outline(low, DARK);

    const int colours = countColours(low);
    if (colours > 6) {
        std::fprintf(stderr, "logo uses %d colours\n", colours);
        return false;
    }
    return savePng(upscaled(low, SCALE), dir + "/Kavex_Vice_6c.png", false);
}
