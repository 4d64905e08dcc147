// City skyline on a transparent sky, two layers of towers with lit windows and neon roof lines.
// The picture wraps horizontally so effects can scroll it.
#include "Noise.h"
#include "Pictures.h"
#include "Shapes.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr int W = 2048;
constexpr int H = 640;

struct Tower {
    float left, width, height;
    int roof;  // 0 flat, 1 stepped, 2 spire
    int seed;
};

Mask towerMask(const Tower& t, float shift) {
    Mask mask(W, H);
    const float x0 = t.left + shift, x1 = x0 + t.width, top = H - t.height;
    fillRect(mask, x0, top, x1, static_cast<float>(H));
    if (t.roof == 1) {
        fillRect(mask, x0 + t.width * 0.2f, top - t.height * 0.08f, x1 - t.width * 0.2f, top + 1.0f);
    }
    if (t.roof == 2) {
        fillPolygon(mask, {{x0 + t.width * 0.3f, top + 1.0f},
                           {(x0 + x1) * 0.5f, top - t.height * 0.22f},
                           {x1 - t.width * 0.3f, top + 1.0f}});
    }
    return mask;
}

void tower(Canvas& canvas, const Tower& t, bool near) {
    for (float shift : {0.0f, -static_cast<float>(W)}) {
        if (t.left + shift + t.width < 0.0f) {
            continue;
        }
        const Mask body = towerMask(t, shift);
        const Color base = near ? rgb(0x14072a) : rgb(0x2a1050);
        const Color foot = near ? rgb(0x220c40) : rgb(0x4a1a6a);
        paint(canvas, body, [&](int, int y) { return mix(base, foot, static_cast<float>(y) / H); });
        // Windows: small cells in rows and columns, each lit by chance.
        const float x0 = t.left + shift, top = H - t.height;
        const float cell = near ? 9.0f : 6.0f;
        for (float wy = top + cell; wy < H - cell; wy += cell * 1.6f) {
            for (float wx = x0 + cell * 0.6f; wx < x0 + t.width - cell; wx += cell) {
                const float h = hash2(static_cast<int>(wx - shift), static_cast<int>(wy), t.seed);
                if (h < (near ? 0.55f : 0.7f)) {
                    continue;
                }
                const Color lit = h > 0.95f ? rgb(0x7ff6ff) : h > 0.9f ? rgb(0xff7ad0) : rgb(0xffcf85);
                const float dim = near ? 0.9f : 0.55f;
                for (int py = static_cast<int>(wy); py < static_cast<int>(wy + cell * 0.7f); ++py) {
                    for (int px = static_cast<int>(wx); px < static_cast<int>(wx + cell * 0.55f); ++px) {
                        if (px >= 0 && px < W) {
                            blendPixel(canvas, px, py, scaled(lit, dim), 1.0f);
                        }
                    }
                }
            }
        }
        if (near && t.seed % 3 == 0) {
            // Neon outline along the roof edge.
            Mask edge = dilated(body, 2);
            subtract(edge, body);
            for (int y = static_cast<int>(top + t.height * 0.12f); y < H; ++y) {
                for (int x = 0; x < W; ++x) {
                    edge.at(x, y) = 0.0f;
                }
            }
            const Color neon = t.seed % 2 == 0 ? rgb(0xff2fa8) : rgb(0x2ff3ff);
            paintGlow(canvas, blurred(edge, 6), neon, 1.5f);
            paint(canvas, edge, mix(neon, rgb(0xffffff), 0.3f));
        }
        if (t.roof == 2) {
            Mask beacon(W, H);
            fillCircle(beacon, {x0 + t.width * 0.5f, top - t.height * 0.22f}, 3.0f);
            paintGlow(canvas, blurred(beacon, 5), rgb(0xff2040), 2.0f);
            paint(canvas, beacon, rgb(0xff5060));
        }
    }
}

}  // namespace

bool makeSkyline(const std::string& dir) {
    Canvas canvas(W, H, Color{0, 0, 0, 0});
    for (int layer = 0; layer < 2; ++layer) {
        const bool near = layer == 1;
        float x = near ? 0.0f : 40.0f;
        int i = 0;
        // Towers until the row is full; the last one may wrap around to the left edge.
        while (x < W) {
            const int seed = layer * 100 + i;
            const float width = (near ? 70.0f : 50.0f) + hash2(i, 0, seed) * (near ? 130.0f : 90.0f);
            const float height = near ? 120.0f + hash2(i, 1, seed) * 300.0f : 220.0f + hash2(i, 1, seed) * 330.0f;
            const int roof = static_cast<int>(hash2(i, 2, seed) * 3.0f);
            tower(canvas, {x, width, height, roof, seed}, near);
            x += width + (near ? 6.0f : -8.0f);
            ++i;
        }
    }
    return savePng(canvas, dir + "/city.png");
}
