// Flamingo texture: pink plumage, pale beak with a black tip, black flight feathers, a dark eye.
#include "ModelTextures.h"
#include "Noise.h"
#include "Pictures.h"

#include <algorithm>
#include <cmath>

namespace {

// Soft feather texture: slight brightness noise in scallop-sized cells.
float feathers(float along, float turn, int seed) {
    return 0.92f + 0.16f * valueNoise(turn * 24.0f, along * 10.0f, seed, 24);
}

}  // namespace

bool makeFlamingoTexture(const std::string& dir) {
    using namespace atlas;
    Canvas canvas(FLAMINGO_SIZE, FLAMINGO_SIZE, rgb(0xff7fb0));
    const Color pink = rgb(0xff6fa8);
    paintBand(canvas, BODY * BAND_ROWS, [&](float along, float turn) {
        return scaled(mix(rgb(0xff8fbc), pink, along), feathers(along, turn, 1));
    });
    paintBand(canvas, NECK * BAND_ROWS, [&](float along, float turn) {
        return scaled(mix(pink, rgb(0xff9cc6), along), feathers(along, turn, 2));
    });
    paintBand(canvas, HEAD * BAND_ROWS, [&](float, float) { return rgb(0xffa2ca); });
    paintBand(canvas, BEAK * BAND_ROWS, [&](float along, float) {
        // Pale base, a pink blush, then the black hooked tip.
        if (along > 0.55f) {
            return rgb(0x1c0a1e);
        }
        return mix(rgb(0xfff0f4), rgb(0xff9cc0), along / 0.55f);
    });
    paintBand(canvas, LEG * BAND_ROWS, [&](float along, float) {
        const float knee = std::exp(-std::pow((along - 0.5f) / 0.06f, 2.0f));
        return mix(rgb(0xff6f8f), rgb(0xc83a6a), knee);
    });
    paintBand(canvas, WING * BAND_ROWS, [&](float along, float turn) {
        // Coverts in deep coral, primaries black towards the wing tip.
        const Color coral = scaled(mix(rgb(0xff5f96), rgb(0xe8306f), along), feathers(along, turn, 3));
        return mix(coral, rgb(0x150812), std::clamp((along - 0.68f) * 6.0f, 0.0f, 1.0f));
    });
    paintBand(canvas, EYE * BAND_ROWS,
              [&](float, float turn) { return std::abs(turn - 0.2f) < 0.05f ? rgb(0xffffff) : rgb(0x1a0610); });
    paintBand(canvas, TAIL * BAND_ROWS,
              [&](float along, float) { return mix(rgb(0xff6fa0), rgb(0x2a0a1e), along * along); });
    return savePng(canvas, dir + "/flamingo_tex.png");
}
