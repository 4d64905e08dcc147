// Vapor sunset sky: stars, a striped sun sinking behind violet mountains, and the sea reflecting it.
#include "Noise.h"
#include "Pictures.h"
#include "Scenery.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr int W = 1920;
constexpr int H = 1080;
constexpr float HORIZON = 700.0f;

void sky(Canvas& canvas) {
    for (int y = 0; y < H; ++y) {
        for (int x = 0; x < W; ++x) {
            canvas.at(x, y) = duskSkyAt(static_cast<float>(y) / HORIZON);
        }
    }
    paintStars(canvas, 700, HORIZON * 0.75f, 7);
}

void clouds(Canvas& canvas) {
    Mask wisps(W, H);
    for (int y = 380; y < 660; ++y) {
        for (int x = 0; x < W; ++x) {
            // Long horizontal streaks: noise stretched twenty to one.
            const float n = fbm(static_cast<float>(x) / 400.0f, static_cast<float>(y) / 18.0f, 3, 4);
            const float band = std::exp(-std::pow((static_cast<float>(y) - 540.0f) / 90.0f, 2.0f));
            wisps.at(x, y) = std::clamp((n - 0.52f) * 4.0f, 0.0f, 1.0f) * band * 0.85f;
        }
    }
    paint(canvas, wisps,
          [](int, int y) { return mix(rgb(0x6a1a7a), rgb(0xff6aa8), static_cast<float>(y - 380) / 280.0f); });
}

void mountains(Canvas& canvas) {
    Mask range(W, H);
    Mask ridge(W, H);
    std::vector<Point> outline = {{0.0f, HORIZON + 2.0f}};
    for (int x = 0; x <= W; x += 6) {
        const float fx = static_cast<float>(x);
        // Peaks rise towards both sides and leave the sun free in the middle.
        const float side = std::pow(std::abs(fx - W * 0.5f) / (W * 0.5f), 1.3f);
        const float peaks = fbm(fx / 160.0f, 0.5f, 11, 4);
        outline.push_back({fx, HORIZON - (30.0f + 230.0f * side * peaks * 1.4f)});
    }
    outline.push_back({static_cast<float>(W), HORIZON + 2.0f});
    fillPolygon(range, outline);
    strokePolyline(ridge, std::vector<Point>(outline.begin() + 1, outline.end() - 1), 3.0f, 3.0f);
    paint(canvas, range,
          [](int, int y) { return mix(rgb(0x1c0640), rgb(0x3b0f63), static_cast<float>(y - 450) / 250.0f); });
    paintGlow(canvas, blurred(ridge, 4), rgb(0xff3fb4), 0.9f);
    paint(canvas, ridge, rgb(0xff7ad0));
}

void sea(Canvas& canvas) {
    for (int y = static_cast<int>(HORIZON); y < H; ++y) {
        const float t = (static_cast<float>(y) - HORIZON) / (H - HORIZON);
        const Color water = mix(rgb(0x2a0a52), rgb(0x05021a), std::sqrt(t));
        for (int x = 0; x < W; ++x) {
            // Glints: broken horizontal streaks, wide under the sun and narrowing away from it.
            const float dx = std::abs(static_cast<float>(x) - W * 0.5f) / (200.0f + 260.0f * t);
            const float streak =
                fbm(static_cast<float>(x) / (30.0f + 60.0f * t), static_cast<float>(y) / (1.5f + 5.0f * t), 21, 3);
            const float glint = std::clamp((streak - 0.5f) * 5.0f, 0.0f, 1.0f) * std::exp(-dx * dx) * (1.0f - 0.6f * t);
            canvas.at(x, y) = mix(water, mix(rgb(0xffb347), rgb(0xff3f8f), t), glint);
        }
    }
}

}  // namespace

bool makeVaporSky(const std::string& dir) {
    Canvas canvas(W, H, Color{});
    sky(canvas);
    paintStripedSun(canvas, {W * 0.5f, HORIZON - 120.0f}, 330.0f, HORIZON);
    clouds(canvas);
    mountains(canvas);
    sea(canvas);
    return saveJpg(canvas, dir + "/BGVapor.jpg");
}
