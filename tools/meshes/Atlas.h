// Texture layout shared by the model textures (tools/images) and the meshes that sample them (tools/meshes).
//
// Tube-like parts sample a horizontal band: u runs once around the part (u = 0 on its upper side,
// u = 0.25 on the side facing the viewer), the band's rows run along the part from start to end.
// Soft light is baked into the texture from that convention; the show's 3D shader adds each face's
// key light, the rim and the fog on top.
#pragma once

#include <algorithm>
#include <cmath>

namespace atlas {

constexpr int BAND_ROWS = 32;

// Flamingo texture: 256 x 256, eight bands.
constexpr int FLAMINGO_SIZE = 256;
enum FlamingoBand { BODY, NECK, HEAD, BEAK, LEG, WING, EYE, TAIL };

// Windsurf texture: 512 x 512; the sail picture fills the upper half, eight bands the lower half.
constexpr int WINDSURF_SIZE = 512;
constexpr int WINDSURF_SAIL_ROWS = 256;
enum WindsurfBand { BOARD, MAST, BOOM, SKIN, SHIRT, SHORTS, HAIR, FIN };

// Brightness of a surface whose normal is at `turn` (0..1) around a part, lit from above and the front.
inline float bakedLight(float turn) {
    constexpr float TWO_PI = 6.2831853f;
    const float up = std::cos(turn * TWO_PI);
    const float front = std::sin(turn * TWO_PI);
    // A little bounce light from below keeps the undersides from going flat black.
    return 0.42f + 0.58f * std::max(0.0f, 0.55f * up + 0.75f * front) + 0.12f * std::max(0.0f, -up - 0.3f);
}

}  // namespace atlas
