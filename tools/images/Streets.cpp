// Neon street at night in one-point perspective: facades with lit windows and signs, wet asphalt.
#include "Noise.h"
#include "Pictures.h"
#include "Shapes.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr int W = 1920;
constexpr int H = 1080;
constexpr float FOCAL = 900.0f;
constexpr float EYE = 1.3f;  // eye height in metres
const Point VANISH{W * 0.5f, 500.0f};
constexpr float WALL = 7.0f;  // lateral distance of the facades

// Screen point of a street-space point: x to the right, y up, z into the picture.
Point project(float x, float y, float z) { return {VANISH.x + FOCAL * x / z, VANISH.y - FOCAL * (y - EYE) / z}; }

const Color NEONS[] = {rgb(0xff2fa8), rgb(0x2ff3ff), rgb(0xffb02f), rgb(0xb44dff), rgb(0x4dff9a)};

void sky(Canvas& canvas) {
    for (int y = 0; y < H; ++y) {
        const Color c = mix(rgb(0x050112), rgb(0x5a1466), std::clamp(static_cast<float>(y) / VANISH.y, 0.0f, 1.0f));
        for (int x = 0; x < W; ++x) {
            canvas.at(x, y) = c;
        }
    }
}

// One building face along the street side at lateral offset `side`, between depths z0 and z1.
void facade(Canvas& canvas, float side, float z0, float z1, float height, int seed) {
    Mask wall(W, H);
    fillPolygon(wall,
                {project(side, 0, z0), project(side, height, z0), project(side, height, z1), project(side, 0, z1)});
    const float shade = 0.6f + 0.4f * hash2(seed, 0, 41);
    paint(canvas, wall, [&](int, int y) {
        return mix(scaled(rgb(0x1c0a36), shade), scaled(rgb(0x2e1250), shade), static_cast<float>(y) / H);
    });
    // Windows: a grid on the wall, a few lit in warm or neon colours.
    const int floors = static_cast<int>(height / 3.2f);
    const int columns = static_cast<int>((z1 - z0) / 1.5f);
    for (int f = 1; f < floors; ++f) {
        for (int c = 0; c < columns; ++c) {
            const float lit = hash2(seed * 31 + f, c, 43);
            if (lit < 0.45f) {
                continue;
            }
            const float za = z0 + (static_cast<float>(c) + 0.25f) * 1.5f, zb = za + 0.8f;
            const float ya = static_cast<float>(f) * 3.2f + 1.0f, yb = ya + 1.4f;
            Mask window(W, H);
            fillPolygon(window,
                        {project(side, ya, za), project(side, yb, za), project(side, yb, zb), project(side, ya, zb)});
            const Color warm = lit > 0.9f ? rgb(0x7ff6ff) : lit > 0.8f ? rgb(0xff7ad0) : rgb(0xffc87a);
            paint(canvas, window, scaled(warm, 0.55f + 0.45f * hash2(f, c, seed)));
        }
    }
    // A neon sign board sticking out from the wall, facing the viewer.
    const Color neon = NEONS[seed % 5];
    const float zs = z0 + (z1 - z0) * 0.3f;
    const float inward = side < 0 ? 1.0f : -1.0f;
    const float ys = 3.5f + 5.0f * hash2(seed, 2, 47);
    const Point a = project(side, ys, zs), b = project(side + inward * 2.2f, ys + 4.0f, zs);
    Mask board(W, H);
    fillRect(board, std::min(a.x, b.x), b.y, std::max(a.x, b.x), a.y);
    paint(canvas, board, rgb(0x0c0418));
    Mask tube(W, H);
    const float inset = std::abs(b.x - a.x) * 0.12f;
    const float x0 = std::min(a.x, b.x) + inset, x1 = std::max(a.x, b.x) - inset;
    const float y0 = b.y + inset, y1 = a.y - inset;
    const float thickness = std::max(1.5f, FOCAL / zs * 0.12f);
    strokePolyline(tube, {{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}, {x0, y0}}, thickness, thickness);
    // Inside the frame: a wave, a circle or stacked bars, so the street reads as a row of different shops.
    const int motif = static_cast<int>(hash2(seed, 3, 53) * 3.0f);
    const float cx = (x0 + x1) * 0.5f, cy = (y0 + y1) * 0.5f, r = std::min(x1 - x0, y1 - y0) * 0.3f;
    if (motif == 0) {
        std::vector<Point> wave;
        for (int i = 0; i <= 24; ++i) {
            const float t = static_cast<float>(i) / 24.0f;
            wave.push_back({x0 + inset + (x1 - x0 - 2 * inset) * t, cy + std::sin(t * 12.566f) * r * 0.6f});
        }
        strokePolyline(tube, wave, thickness, thickness);
    } else if (motif == 1) {
        std::vector<Point> ring;
        for (int i = 0; i <= 32; ++i) {
            ring.push_back({cx + std::cos(static_cast<float>(i) * 0.19635f) * r,
                            cy + std::sin(static_cast<float>(i) * 0.19635f) * r});
        }
        strokePolyline(tube, ring, thickness, thickness);
    } else {
        for (int i = 0; i < 3; ++i) {
            const float yy = y0 + (y1 - y0) * (0.3f + 0.2f * static_cast<float>(i));
            strokePolyline(tube, {{x0 + inset, yy}, {x1 - inset, yy}}, thickness, thickness);
        }
    }
    const Mask glow = blurred(dilated(tube, 2), 10);
    paintGlow(canvas, glow, neon, 1.2f);
    paint(canvas, tube, mix(neon, rgb(0xffffff), 0.5f));
}

void street(Canvas& canvas) {
    const Canvas above = canvas;
    const float kerb = 4.5f;
    for (int y = static_cast<int>(VANISH.y) + 1; y < H; ++y) {
        const float z = FOCAL * EYE / (static_cast<float>(y) - VANISH.y);
        for (int x = 0; x < W; ++x) {
            const float sx = (static_cast<float>(x) - VANISH.x) * z / FOCAL;
            if (std::abs(sx) > WALL) {
                continue;  // the facades stand there
            }
            const bool pavement = std::abs(sx) > kerb;
            Color c = pavement ? rgb(0x1a0d2a) : rgb(0x0d0718);
            // Puddles in street space; wet patches mirror the signs in long vertical streaks.
            const float wet = std::clamp((fbm(sx * 0.5f, z * 0.2f, 61, 3) - 0.4f) * 3.0f, 0.0f, 1.0f);
            Color mirror{0, 0, 0, 1};
            const int my = static_cast<int>(2.0f * VANISH.y) - y;
            for (int k = 0; k < 6; ++k) {
                const int sy = std::clamp(my + k * 7 - 14, 0, H - 1);
                const Color m = above.at(x, sy);
                mirror = {mirror.r + m.r / 6.0f, mirror.g + m.g / 6.0f, mirror.b + m.b / 6.0f, 1.0f};
            }
            c = mix(c, mirror, 0.25f + 0.5f * wet);
            // Lane dashes and kerb lines, laid out in street space so they converge properly.
            const float dash = std::abs(sx) < 0.1f && std::fmod(z, 6.0f) < 3.0f ? 1.0f : 0.0f;
            const float edge = std::clamp(1.0f - std::abs(std::abs(sx) - kerb) / (0.06f + z * 0.0016f), 0.0f, 1.0f);
            c = mix(c, rgb(0xfff0c0), dash * 0.7f);
            c = mix(c, rgb(0x2ff3ff), edge);
            canvas.at(x, y) = c;
        }
    }
}

}  // namespace

bool makeStreets(const std::string& dir) {
    Canvas canvas(W, H, Color{});
    sky(canvas);
    // Distant glow where the street meets the sky.
    Mask haze(W, H);
    fillEllipse(haze, VANISH, 420.0f, 120.0f, 0.0f);
    paintGlow(canvas, blurred(haze, 60), rgb(0xff3f8f), 0.9f);
    // Far facades first so nearer ones cover them.
    for (int i = 7; i >= 0; --i) {
        const float z0 = 4.0f + static_cast<float>(i) * 9.0f;
        const float z1 = z0 + 9.0f;
        facade(canvas, -WALL, z0, z1, 10.0f + 22.0f * hash2(i, 0, 71), i * 2 + 1);
        facade(canvas, WALL, z0, z1, 10.0f + 22.0f * hash2(i, 1, 71), i * 2 + 2);
    }
    street(canvas);
    return saveJpg(canvas, dir + "/streets.jpg");
}
