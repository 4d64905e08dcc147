// Windsurfer: board along x, mast raked back, a cambered sail and a rider hanging off the boom on the -z side.
#include "Atlas.h"
#include "Models.h"

#include <cmath>

namespace {

Band band(atlas::WindsurfBand part) {
    return {atlas::WINDSURF_SIZE, atlas::WINDSURF_SAIL_ROWS + part * atlas::BAND_ROWS, atlas::BAND_ROWS};
}

// The show turns the model half round and sways its origin between x = -3 and 3 at y = -1, z = -1,
// four units in front of the camera, where the view reaches only 2.9 units either side; in order 7
// it drifts further away. Built four units behind its origin (+z here, -z once turned), it stays
// whole in the frame wherever it sways, passes behind the flamingos (z -1.5) instead of through
// them, and, lifted by 0.3, its board rides at the floor's level (0.7 below the eye).
constexpr float SCALE = 1.3f;
const Vec3 PLACEMENT{0.0f, 0.3f, 4.0f};

const Vec3 MAST_FOOT{-0.1f, 0.06f, 0.0f};
const Vec3 MAST_TOP{0.32f, 2.35f, 0.0f};
const Vec3 CLEW{1.55f, 0.95f, 0.0f};

Vec3 alongMast(float t) { return MAST_FOOT + (MAST_TOP - MAST_FOOT) * t; }

void board(Mesh& mesh) {
    // Thin (up) and wide (side) sections; the nose lifts a little.
    addTube(mesh,
            {{{-1.4f, 0.1f, 0.0f}, 0.01f, 0.04f},
             {{-1.15f, 0.05f, 0.0f}, 0.04f, 0.2f},
             {{-0.6f, 0.0f, 0.0f}, 0.06f, 0.3f},
             {{0.5f, 0.0f, 0.0f}, 0.06f, 0.3f},
             {{1.15f, 0.0f, 0.0f}, 0.05f, 0.24f},
             {{1.35f, 0.0f, 0.0f}, 0.03f, 0.14f}},
            band(atlas::BOARD), {8, true, true, {0.0f, 1.0f, 0.0f}});
    addGrid(
        mesh, 1, 1,
        [](float s, float t) {
            return GridPoint{{1.0f + 0.2f * s - 0.1f * t, -0.05f - 0.3f * t, 0.0f}, 0.5f, 0.02f, {0.0f, 0.0f, 1.0f}};
        },
        true);
}

void rig(Mesh& mesh) {
    addTube(mesh, {{MAST_FOOT, 0.025f, 0.025f}, {MAST_TOP, 0.018f, 0.018f}}, band(atlas::MAST),
            {6, false, true, {1.0f, 0.0f, 0.0f}});
    // Sail: between the mast (s = 0) and a leech curving out to the clew (s = 1), foot (t = 0) to head (t = 1).
    // The texture is laid on by the sail's outline so its picture is not distorted.
    const float top = MAST_TOP.y, bottom = 0.3f, left = MAST_FOOT.x, right = CLEW.x + 0.1f;
    addGrid(
        mesh, 6, 8,
        [=](float s, float t) {
            const Vec3 luff = alongMast(0.12f + 0.88f * t);
            const float roach = 0.25f * std::sin(t * 3.14159f);
            const Vec3 leech =
                Vec3{CLEW.x - (CLEW.x - MAST_TOP.x) * t + roach, CLEW.y + (MAST_TOP.y - CLEW.y) * t, 0.0f};
            Vec3 p = luff + (leech - luff) * s;
            p.z = 0.16f * std::sin(s * 3.14159f) * (1.0f - 0.6f * t);  // camber, bellied away from the rider
            const float u = (p.x - left) / (right - left);
            const float row = (top - p.y) / (top - bottom) * static_cast<float>(atlas::WINDSURF_SAIL_ROWS - 2) + 1.0f;
            return GridPoint{p, u, 1.0f - row / static_cast<float>(atlas::WINDSURF_SIZE), {0.0f, 0.0f, 1.0f}};
        },
        true);
    // Boom on the rider's side, bowed around the sail.
    addTube(mesh, {{alongMast(0.45f), 0.02f, 0.02f}, {{0.65f, 1.12f, -0.2f}, 0.02f, 0.02f}, {CLEW, 0.018f, 0.018f}},
            band(atlas::BOOM), {5, false, false, {0.0f, 1.0f, 0.0f}});
}

void rider(Mesh& mesh) {
    const Vec3 hip{0.55f, 0.9f, -0.5f};
    const Vec3 shoulder{0.5f, 1.5f, -0.62f};
    for (float side : {-1.0f, 1.0f}) {
        const Vec3 foot{0.55f + 0.3f * side, 0.08f, -0.12f};
        const Vec3 knee{0.55f + 0.24f * side, 0.5f, -0.42f};
        const Vec3 hipSide = hip + Vec3{0.1f * side, 0.0f, 0.0f};
        addTube(mesh, {{foot, 0.045f, 0.045f}, {knee, 0.06f, 0.06f}}, band(atlas::SKIN),
                {6, true, false, {1.0f, 0.0f, 0.0f}});
        addTube(mesh, {{knee, 0.065f, 0.065f}, {hipSide, 0.09f, 0.09f}}, band(atlas::SHORTS),
                {6, false, false, {1.0f, 0.0f, 0.0f}});
        // Arms reach forward to the boom.
        const Vec3 hand{0.5f + 0.28f * side, 1.12f, -0.2f};
        const Vec3 elbow{0.5f + 0.26f * side, 1.3f, -0.45f};
        addTube(mesh,
                {{shoulder + Vec3{0.14f * side, 0.0f, 0.0f}, 0.045f, 0.045f},
                 {elbow, 0.04f, 0.04f},
                 {hand, 0.032f, 0.032f}},
                band(atlas::SKIN), {5, false, true, {0.0f, 1.0f, 0.0f}});
    }
    addTube(mesh,
            {{hip + Vec3{0.0f, -0.05f, 0.0f}, 0.12f, 0.15f},
             {hip + (shoulder - hip) * 0.5f, 0.12f, 0.14f},
             {shoulder, 0.11f, 0.17f}},
            band(atlas::SHIRT), {8, true, true, {0.0f, 0.0f, 1.0f}});
    const Vec3 head = shoulder + Vec3{0.0f, 0.2f, -0.02f};
    addTube(mesh,
            {{shoulder + Vec3{0.0f, 0.06f, 0.0f}, 0.04f, 0.04f},
             {head + Vec3{0.0f, -0.06f, 0.0f}, 0.09f, 0.085f},
             {head + Vec3{0.0f, 0.05f, 0.0f}, 0.09f, 0.085f},
             {head + Vec3{0.0f, 0.11f, 0.0f}, 0.02f, 0.02f}},
            band(atlas::SKIN), {8, false, true, {0.0f, 0.0f, -1.0f}});
    addTube(mesh, {{head + Vec3{0.0f, 0.02f, 0.02f}, 0.095f, 0.09f}, {head + Vec3{0.0f, 0.1f, 0.02f}, 0.06f, 0.05f}},
            band(atlas::HAIR), {8, true, true, {0.0f, 0.0f, -1.0f}});
}

}  // namespace

Mesh buildWindsurf() {
    Mesh mesh;
    board(mesh);
    rig(mesh);
    rider(mesh);
    for (Vertex& vertex : mesh.vertices) {
        vertex.position = vertex.position * SCALE + PLACEMENT;
    }
    return mesh;
}
