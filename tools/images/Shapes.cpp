#include "Shapes.h"

#include <algorithm>
#include <cmath>
#include <functional>

Point lerp(Point a, Point b, float t) { return {a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t}; }

std::vector<Point> quadraticCurve(Point a, Point c, Point b, int segments) {
    std::vector<Point> points;
    for (int i = 0; i <= segments; ++i) {
        const float t = static_cast<float>(i) / static_cast<float>(segments);
        points.push_back(lerp(lerp(a, c, t), lerp(c, b, t), t));
    }
    return points;
}

namespace {

void accumulate(Mask& mask, int x, int y, float coverage) {
    if (x < 0 || y < 0 || x >= mask.width || y >= mask.height || coverage <= 0.0f) {
        return;
    }
    float& m = mask.at(x, y);
    m = std::max(m, std::min(coverage, 1.0f));
}

// Coverage from a signed distance (pixels, negative inside) over a bounding box.
void fillDistance(Mask& mask, float x0, float y0, float x1, float y1,
                  const std::function<float(float, float)>& distance) {
    const int ix0 = std::max(0, static_cast<int>(std::floor(x0)) - 1);
    const int iy0 = std::max(0, static_cast<int>(std::floor(y0)) - 1);
    const int ix1 = std::min(mask.width - 1, static_cast<int>(std::ceil(x1)) + 1);
    const int iy1 = std::min(mask.height - 1, static_cast<int>(std::ceil(y1)) + 1);
    for (int y = iy0; y <= iy1; ++y) {
        for (int x = ix0; x <= ix1; ++x) {
            accumulate(
                mask, x, y,
                std::clamp(0.5f - distance(static_cast<float>(x) + 0.5f, static_cast<float>(y) + 0.5f), 0.0f, 1.0f));
        }
    }
}

}  // namespace

void fillPolygon(Mask& mask, const std::vector<Point>& points) {
    if (points.size() < 3) {
        return;
    }
    float x0 = points[0].x, x1 = points[0].x, y0 = points[0].y, y1 = points[0].y;
    for (const Point& p : points) {
        x0 = std::min(x0, p.x), x1 = std::max(x1, p.x);
        y0 = std::min(y0, p.y), y1 = std::max(y1, p.y);
    }
    const int ix0 = std::max(0, static_cast<int>(std::floor(x0)));
    const int ix1 = std::min(mask.width - 1, static_cast<int>(std::ceil(x1)));
    const int iy0 = std::max(0, static_cast<int>(std::floor(y0)));
    const int iy1 = std::min(mask.height - 1, static_cast<int>(std::ceil(y1)));
    constexpr int SUB = 4;
    std::vector<float> crossings;
    std::vector<int> hits(static_cast<size_t>(std::max(0, ix1 - ix0 + 1)) * SUB);
    for (int y = iy0; y <= iy1; ++y) {
        std::vector<float> row(static_cast<size_t>(std::max(0, ix1 - ix0 + 1)), 0.0f);
        for (int sy = 0; sy < SUB; ++sy) {
            // Even-odd scanline crossings at each sub-row, sampled at SUB columns per pixel.
            const float py = static_cast<float>(y) + (static_cast<float>(sy) + 0.5f) / SUB;
            crossings.clear();
            for (size_t i = 0; i < points.size(); ++i) {
                const Point a = points[i];
                const Point b = points[(i + 1) % points.size()];
                if ((a.y <= py) != (b.y <= py)) {
                    crossings.push_back(a.x + (py - a.y) / (b.y - a.y) * (b.x - a.x));
                }
            }
            std::sort(crossings.begin(), crossings.end());
            for (size_t k = 0; k + 1 < crossings.size(); k += 2) {
                for (int x = ix0; x <= ix1; ++x) {
                    for (int sx = 0; sx < SUB; ++sx) {
                        const float px = static_cast<float>(x) + (static_cast<float>(sx) + 0.5f) / SUB;
                        if (px >= crossings[k] && px < crossings[k + 1]) {
                            row[static_cast<size_t>(x - ix0)] += 1.0f / (SUB * SUB);
                        }
                    }
                }
            }
        }
        for (int x = ix0; x <= ix1; ++x) {
            accumulate(mask, x, y, row[static_cast<size_t>(x - ix0)]);
        }
    }
}

void fillRect(Mask& mask, float x0, float y0, float x1, float y1) {
    fillPolygon(mask, {{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}});
}

void fillCircle(Mask& mask, Point c, float radius) {
    fillDistance(mask, c.x - radius, c.y - radius, c.x + radius, c.y + radius,
                 [c, radius](float x, float y) { return std::hypot(x - c.x, y - c.y) - radius; });
}

void fillEllipse(Mask& mask, Point c, float rx, float ry, float angle) {
    const float r = std::max(rx, ry);
    const float ca = std::cos(angle), sa = std::sin(angle);
    fillDistance(mask, c.x - r, c.y - r, c.x + r, c.y + r, [=](float x, float y) {
        const float dx = x - c.x, dy = y - c.y;
        const float u = (dx * ca + dy * sa) / rx;
        const float v = (-dx * sa + dy * ca) / ry;
        // Scaled radial distance: exact on a circle, close enough for smooth ellipses.
        return (std::hypot(u, v) - 1.0f) * std::min(rx, ry);
    });
}

void fillTaperedSegment(Mask& mask, Point a, Point b, float ra, float rb) {
    const float r = std::max(ra, rb);
    const float dx = b.x - a.x, dy = b.y - a.y;
    const float len2 = std::max(dx * dx + dy * dy, 1e-6f);
    fillDistance(mask, std::min(a.x, b.x) - r, std::min(a.y, b.y) - r, std::max(a.x, b.x) + r, std::max(a.y, b.y) + r,
                 [=](float x, float y) {
                     const float t = std::clamp(((x - a.x) * dx + (y - a.y) * dy) / len2, 0.0f, 1.0f);
                     return std::hypot(x - a.x - dx * t, y - a.y - dy * t) - (ra + (rb - ra) * t);
                 });
}

void strokePolyline(Mask& mask, const std::vector<Point>& points, float startWidth, float endWidth) {
    const float n = static_cast<float>(std::max<size_t>(1, points.size() - 1));
    for (size_t i = 0; i + 1 < points.size(); ++i) {
        const float w0 = startWidth + (endWidth - startWidth) * static_cast<float>(i) / n;
        const float w1 = startWidth + (endWidth - startWidth) * static_cast<float>(i + 1) / n;
        fillTaperedSegment(mask, points[i], points[i + 1], w0 * 0.5f, w1 * 0.5f);
    }
}
