#include "Scenery.h"

#include "Noise.h"

#include <algorithm>
#include <cmath>

Color duskSkyAt(float t) {
    static const std::vector<GradientStop> stops = {
        {0.00f, rgb(0x07021a)}, {0.28f, rgb(0x1d0848)}, {0.52f, rgb(0x521470)},
        {0.74f, rgb(0xb0236f)}, {0.90f, rgb(0xff4d6d)}, {1.00f, rgb(0xff9b4a)},
    };
    return gradientAt(stops, t);
}

void paintStripedSun(Canvas& canvas, Point centre, float radius, float horizonY) {
    const int w = canvas.width, h = canvas.height;
    Mask disc(w, h);
    fillCircle(disc, centre, radius);
    Mask halo(w, h);
    fillCircle(halo, centre, radius * 1.25f);
    halo = blurred(halo, static_cast<int>(radius * 0.25f));
    for (int y = 0; y < h; ++y) {
        const float fy = static_cast<float>(y) + 0.5f;
        // Gap bands widen towards the horizon; the edges are smoothed over one pixel.
        const float below = fy - (centre.y - radius * 0.3f);
        float keep = 1.0f;
        if (below > 0.0f) {
            const float period = radius * 0.1f;
            const float gap = period * std::min(0.85f, 0.06f + below / (radius * 1.6f));
            const float phase = std::fmod(below, period);
            keep = std::clamp(std::min(phase - gap, period - phase) + 0.5f, 0.0f, 1.0f);
        }
        if (fy > horizonY) {
            keep = 0.0f;
        }
        for (int x = 0; x < w; ++x) {
            disc.at(x, y) *= keep;
            if (fy > horizonY) {
                halo.at(x, y) = 0.0f;
            }
        }
    }
    paintGlow(canvas, halo, rgb(0xff3f7f), 0.55f);
    const std::vector<GradientStop> sun = {
        {0.0f, rgb(0xfff27a)}, {0.45f, rgb(0xffa43a)}, {0.8f, rgb(0xff3f7f)}, {1.0f, rgb(0xd21d8a)}};
    paint(canvas, disc,
          [&](int, int y) { return gradientAt(sun, (static_cast<float>(y) - (centre.y - radius)) / (radius * 2.0f)); });
}

void paintStars(Canvas& canvas, int count, float maxY, int seed) {
    for (int i = 0; i < count; ++i) {
        const float x = hash2(i, 0, seed) * static_cast<float>(canvas.width);
        const float y = hash2(i, 1, seed) * hash2(i, 2, seed) * maxY;
        const float size = 0.6f + hash2(i, 3, seed) * hash2(i, 4, seed) * 1.8f;
        const float brightness = (1.0f - y / maxY) * (0.4f + 0.6f * hash2(i, 5, seed));
        const Color tint = mix(rgb(0xffffff), hash2(i, 6, seed) < 0.5f ? rgb(0x8ff3ff) : rgb(0xffb3e6), 0.4f);
        const int r = static_cast<int>(std::ceil(size)) + 1;
        for (int dy = -r; dy <= r; ++dy) {
            for (int dx = -r; dx <= r; ++dx) {
                const int px = static_cast<int>(x) + dx, py = static_cast<int>(y) + dy;
                const float d = std::hypot(static_cast<float>(px) + 0.5f - x, static_cast<float>(py) + 0.5f - y);
                addPixel(canvas, px, py, tint, brightness * std::clamp(size - d + 0.5f, 0.0f, 1.0f));
            }
        }
    }
}

void paintPalm(Canvas& canvas, Point base, float height, float lean, Color color, int seed) {
    Mask palm(canvas.width, canvas.height);
    const Point crown{base.x + lean * height, base.y - height};
    const Point bend{base.x + lean * height * 0.1f, base.y - height * 0.55f};
    strokePolyline(palm, quadraticCurve(base, bend, crown, 24), height * 0.06f, height * 0.03f);
    const int fronds = 9;
    for (int i = 0; i < fronds; ++i) {
        // Fronds fan out around the crown and droop under their own weight.
        const float a = -3.14159f * (0.05f + 0.9f * static_cast<float>(i) / static_cast<float>(fronds - 1)) +
                        (hash2(i, 0, seed) - 0.5f) * 0.3f;
        const float len = height * (0.42f + 0.15f * hash2(i, 1, seed));
        const Point tip{crown.x + std::cos(a) * len, crown.y + std::sin(a) * len * 0.55f + len * 0.45f};
        const Point control{crown.x + std::cos(a) * len * 0.6f, crown.y + std::sin(a) * len * 0.75f - len * 0.1f};
        const auto spine = quadraticCurve(crown, control, tip, 28);
        strokePolyline(palm, spine, height * 0.018f, height * 0.003f);
        // Leaflets hang off the spine on both sides.
        for (size_t k = 2; k + 1 < spine.size(); ++k) {
            const Point p = spine[k];
            const Point q = spine[k + 1];
            const float dx = q.x - p.x, dy = q.y - p.y;
            const float l = std::max(std::hypot(dx, dy), 1e-3f);
            const float leaf =
                height * 0.15f * (1.0f - 0.8f * static_cast<float>(k) / static_cast<float>(spine.size()));
            for (float side : {-1.0f, 1.0f}) {
                const Point end{p.x + (-dy / l * side * 0.6f + dx / l * 0.7f) * leaf,
                                p.y + (dx / l * side * 0.6f + 0.9f) * leaf};
                strokePolyline(palm, quadraticCurve(p, lerp(p, end, 0.5f), end, 3), height * 0.014f, height * 0.003f);
            }
        }
    }
    fillCircle(palm, crown, height * 0.035f);
    paint(canvas, palm, color);
}
