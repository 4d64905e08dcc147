// Beach at dusk: low sun over a violet sea, foam along the shore, pink sand, palm silhouettes.
#include "Noise.h"
#include "Pictures.h"
#include "Scenery.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr int W = 1920;
constexpr int H = 1080;
constexpr float HORIZON = 430.0f;

float shoreAt(float x) { return 720.0f + 26.0f * std::sin(x / 260.0f) + 14.0f * std::sin(x / 97.0f + 1.3f); }

void skyAndSea(Canvas& canvas) {
    for (int y = 0; y < H; ++y) {
        for (int x = 0; x < W; ++x) {
            canvas.at(x, y) = duskSkyAt(0.25f + 0.75f * static_cast<float>(y) / HORIZON);
        }
    }
    paintStars(canvas, 250, HORIZON * 0.6f, 13);
    paintStripedSun(canvas, {1250.0f, HORIZON - 40.0f}, 170.0f, HORIZON);
    for (int y = static_cast<int>(HORIZON); y < H; ++y) {
        const float t = (static_cast<float>(y) - HORIZON) / 300.0f;
        const Color water = mix(rgb(0x3b1a78), rgb(0x0f3a6e), std::min(t, 1.0f));
        for (int x = 0; x < W; ++x) {
            // Wave crests: lines about two pixels thick whose spacing grows towards the viewer.
            const float depth = 1.0f / (0.02f + t);
            const float phase = depth * 1.2f + fbm(static_cast<float>(x) / 140.0f, depth * 0.3f, 5, 3) * 1.5f;
            const float cycle = phase - std::floor(phase);
            const float perPixel = 1.2f / (300.0f * (0.02f + t) * (0.02f + t));
            const float line = std::clamp(1.0f - std::min(cycle, 1.0f - cycle) / (perPixel * 1.5f), 0.0f, 1.0f) *
                               std::min(1.0f, t * 3.0f) *
                               (0.4f + 0.6f * fbm(static_cast<float>(x) / 60.0f, depth, 8, 2));
            const float crest = 1.0f - 2.0f * std::min(cycle, 1.0f - cycle);
            const float glint = std::exp(-std::pow((static_cast<float>(x) - 1250.0f) / (120.0f + 200.0f * t), 2.0f));
            Color c = mix(water, rgb(0x6ff0ff), line * 0.55f);
            c = mix(c, rgb(0xffa84f), glint * std::clamp((crest - 0.3f) * 1.5f, 0.0f, 1.0f) * 0.7f);
            canvas.at(x, y) = c;
        }
    }
}

void shoreAndSand(Canvas& canvas) {
    for (int y = 0; y < H; ++y) {
        for (int x = 0; x < W; ++x) {
            const float fx = static_cast<float>(x), fy = static_cast<float>(y);
            const float shore = shoreAt(fx);
            if (fy < shore - 40.0f) {
                continue;
            }
            const float t = std::clamp((fy - shore) / (H - shore), 0.0f, 1.0f);
            const float grain = hash2(x, y, 31) * 0.06f - 0.03f + (fbm(fx / 50.0f, fy / 20.0f, 9, 3) - 0.5f) * 0.12f;
            Color sand = mix(rgb(0xe58aa0), rgb(0x5a1f56), std::pow(t, 0.7f));
            sand = Color{sand.r + grain, sand.g + grain, sand.b + grain, 1.0f};
            // Wet sand mirrors the sky just past the foam.
            const float wet = std::clamp(1.0f - (fy - shore) / 60.0f, 0.0f, 1.0f);
            sand = mix(sand, rgb(0x9a3c8c), wet * 0.6f);
            const float foam =
                std::clamp(1.0f - std::abs(fy - shore) / 6.0f, 0.0f, 1.0f) +
                std::clamp(1.0f - std::abs(fy - shore + 22.0f + 6.0f * std::sin(fx / 40.0f)) / 3.0f, 0.0f, 1.0f) * 0.6f;
            const float cover = std::clamp((fy - (shore - 40.0f)) / 4.0f, 0.0f, 1.0f);
            Color& px = canvas.at(x, y);
            if (fy >= shore) {
                px = sand;
            }
            px = mix(px, rgb(0xe8fbff),
                     std::clamp(foam * (0.6f + 0.4f * fbm(fx / 30.0f, fy / 5.0f, 17, 2)), 0.0f, 1.0f) * cover);
        }
    }
}

}  // namespace

bool makeBeach(const std::string& dir) {
    Canvas canvas(W, H, Color{});
    skyAndSea(canvas);
    shoreAndSand(canvas);
    const Color shadow = rgb(0x12041f);
    paintPalm(canvas, {1530.0f, 1120.0f}, 520.0f, -0.12f, shadow, 3);
    paintPalm(canvas, {1760.0f, 1120.0f}, 720.0f, -0.32f, shadow, 5);
    paintPalm(canvas, {170.0f, 1120.0f}, 860.0f, 0.28f, shadow, 1);
    return saveJpg(canvas, dir + "/beach.jpg");
}
