// Floor height field: low along the middle of the tile, rising into rugged hills at its left and right
// edges. It repeats seamlessly in both directions so neighbouring tiles meet without a step.
#include "Noise.h"
#include "Pictures.h"

#include <algorithm>
#include <cmath>

bool makeHeightmap(const std::string& dir) {
    constexpr int SIZE = 256;
    constexpr int CELLS = 6;
    Canvas canvas(SIZE, SIZE, Color{});
    for (int y = 0; y < SIZE; ++y) {
        for (int x = 0; x < SIZE; ++x) {
            const float u = (static_cast<float>(x) + 0.5f) / SIZE;
            const float v = (static_cast<float>(y) + 0.5f) / SIZE;
            const float side = std::abs(u - 0.5f) * 2.0f;  // 0 in the middle, 1 at both edges
            const float valley = side * side * (3.0f - 2.0f * side);
            const float rugged = fbm(u * CELLS, v * CELLS, 5, 4, CELLS);
            const float h = std::clamp(valley * valley * (0.25f + 0.95f * rugged) + 0.04f * rugged, 0.0f, 1.0f);
            canvas.at(x, y) = Color{h, h, h, 1.0f};
        }
    }
    return savePng(canvas, dir + "/heightmap.png");
}
