// Windsurf texture: a sunset sail with the group's stripes, white board, and the rider's colours.
#include "ModelTextures.h"
#include "Pictures.h"
#include "Shapes.h"

#include <algorithm>
#include <cmath>

namespace {

void sail(Canvas& canvas) {
    const int size = atlas::WINDSURF_SIZE;
    const int rows = atlas::WINDSURF_SAIL_ROWS;
    // u runs from the mast (0) to the clew (1); the picture's top row is the sail's head.
    const std::vector<GradientStop> sky = {
        {0.0f, rgb(0x2a0a5e)}, {0.45f, rgb(0xb0237a)}, {0.75f, rgb(0xff5f6d)}, {1.0f, rgb(0xffb04a)}};
    for (int y = 0; y < rows; ++y) {
        for (int x = 0; x < size; ++x) {
            canvas.at(x, y) = gradientAt(sky, static_cast<float>(y) / rows);
        }
    }
    Mask sun(size, rows);
    fillCircle(sun, {size * 0.42f, rows * 0.62f}, rows * 0.26f);
    for (int y = 0; y < rows; ++y) {
        if (static_cast<float>(y) > rows * 0.62f && (y / 7) % 2 == 0) {
            for (int x = 0; x < size; ++x) {
                sun.at(x, y) = 0.0f;
            }
        }
    }
    paint(canvas, sun, [&](int, int y) { return mix(rgb(0xfff27a), rgb(0xff3f8f), static_cast<float>(y) / rows); });
    // Battens: thin dark lines across the sail, and a cyan panel along the mast.
    Mask battens(size, rows);
    for (int i = 1; i < 5; ++i) {
        const float y = rows * static_cast<float>(i) / 5.0f;
        strokePolyline(battens, {{size * 0.05f, y}, {static_cast<float>(size), y - rows * 0.05f}}, 3.0f, 2.0f);
    }
    paint(canvas, battens, rgb(0x12042a));
    Mask luff(size, rows);
    fillRect(luff, 0.0f, 0.0f, size * 0.07f, static_cast<float>(rows));
    paint(canvas, luff, rgb(0x2ff3ff));
}

}  // namespace

bool makeWindsurfTexture(const std::string& dir) {
    using namespace atlas;
    Canvas canvas(WINDSURF_SIZE, WINDSURF_SIZE, rgb(0xffffff));
    sail(canvas);
    const int first = WINDSURF_SAIL_ROWS;
    paintBand(canvas, first + BOARD * BAND_ROWS, [](float, float turn) {
        // White deck with a hot-pink rail stripe and a cyan underside.
        const float side = std::abs(std::fmod(turn + 0.25f, 0.5f) - 0.25f);
        if (turn > 0.4f && turn < 0.6f) {
            return rgb(0x2ff3ff);
        }
        return side < 0.05f ? rgb(0xff2fa8) : rgb(0xf8f4ff);
    });
    paintBand(canvas, first + MAST * BAND_ROWS, [](float, float) { return rgb(0xd8dce8); });
    paintBand(canvas, first + BOOM * BAND_ROWS,
              [](float along, float) { return std::fmod(along * 6.0f, 1.0f) < 0.5f ? rgb(0x1a1a2a) : rgb(0xe0e0f0); });
    paintBand(canvas, first + SKIN * BAND_ROWS, [](float, float) { return rgb(0xe8a07a); });
    paintBand(canvas, first + SHIRT * BAND_ROWS,
              [](float along, float) { return mix(rgb(0xff2fa8), rgb(0xff7a3a), along); });
    paintBand(canvas, first + SHORTS * BAND_ROWS, [](float, float) { return rgb(0x2fd3ff); });
    paintBand(canvas, first + HAIR * BAND_ROWS, [](float, float) { return rgb(0x2a1410); });
    paintBand(canvas, first + FIN * BAND_ROWS, [](float, float) { return rgb(0x202030); });
    return savePng(canvas, dir + "/windsurf_tex.png");
}
