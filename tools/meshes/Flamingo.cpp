// Flamingo on one leg, facing -x: S-shaped neck, bent beak, the other leg folded up.
// About 2.5 units from foot to crown, origin in the body so the show can bob it by its position.
#include "Atlas.h"
#include "Models.h"

namespace {

constexpr float SCALE = 1.2f;

Band band(atlas::FlamingoBand part) { return {atlas::FLAMINGO_SIZE, part * atlas::BAND_ROWS, atlas::BAND_ROWS}; }

void legs(Mesh& mesh) {
    // Standing leg: the ankle bends backwards, as a flamingo's does.
    addTube(mesh,
            {{{0.0f, -1.1f, 0.03f}, 0.02f, 0.02f},
             {{0.02f, -0.62f, 0.03f}, 0.022f, 0.022f},
             {{0.05f, -0.52f, 0.03f}, 0.032f, 0.032f},
             {{0.02f, -0.14f, 0.04f}, 0.04f, 0.04f}},
            band(atlas::LEG), {4, true, false, {-1.0f, 0.0f, 0.0f}});
    addTube(mesh, {{{0.04f, -1.11f, 0.03f}, 0.012f, 0.05f}, {{-0.16f, -1.12f, 0.03f}, 0.008f, 0.03f}}, band(atlas::LEG),
            {4, false, false, {0.0f, 1.0f, 0.0f}});
    // Folded leg: thigh down to the ankle, then the shank tucked back up under the tail.
    addTube(mesh,
            {{{0.0f, -0.12f, -0.05f}, 0.035f, 0.035f},
             {{0.06f, -0.5f, -0.06f}, 0.03f, 0.03f},
             {{0.22f, -0.34f, -0.07f}, 0.022f, 0.022f},
             {{0.36f, -0.4f, -0.07f}, 0.015f, 0.03f}},
            band(atlas::LEG), {4, false, true, {-1.0f, 0.0f, 0.0f}});
}

void body(Mesh& mesh) {
    // From the tail tip forward to the breast, where the neck takes over.
    const std::vector<Ring> controls = {
        {{0.68f, 0.2f, 0.0f}, 0.01f, 0.01f},   {{0.56f, 0.15f, 0.0f}, 0.08f, 0.07f},
        {{0.44f, 0.11f, 0.0f}, 0.15f, 0.13f},  {{0.28f, 0.07f, 0.0f}, 0.22f, 0.18f},
        {{0.1f, 0.04f, 0.0f}, 0.25f, 0.21f},   {{-0.1f, 0.04f, 0.0f}, 0.25f, 0.21f},
        {{-0.25f, 0.08f, 0.0f}, 0.21f, 0.18f}, {{-0.35f, 0.14f, 0.0f}, 0.14f, 0.12f},
        {{-0.4f, 0.19f, 0.0f}, 0.07f, 0.06f},
    };
    addTube(mesh, controls, band(atlas::BODY), {7, true, true, {0.0f, 1.0f, 0.0f}});
    // Tail feathers fanning out behind.
    addTube(mesh,
            {{{0.5f, 0.17f, 0.0f}, 0.05f, 0.09f},
             {{0.72f, 0.26f, 0.0f}, 0.02f, 0.06f},
             {{0.82f, 0.3f, 0.0f}, 0.004f, 0.02f}},
            band(atlas::TAIL), {4, false, true, {0.0f, 1.0f, 0.0f}});
}

void wing(Mesh& mesh) {
    // Folded wing on the side facing the viewer, its black primaries at the back.
    const std::vector<Ring> controls = {
        {{-0.26f, 0.16f, 0.12f}, 0.05f, 0.02f}, {{-0.05f, 0.16f, 0.17f}, 0.14f, 0.05f},
        {{0.22f, 0.17f, 0.16f}, 0.13f, 0.05f},  {{0.48f, 0.22f, 0.1f}, 0.07f, 0.03f},
        {{0.64f, 0.28f, 0.05f}, 0.01f, 0.01f},
    };
    addTube(mesh, controls, band(atlas::WING), {6, false, true, {0.0f, 1.0f, 0.0f}});
}

void neckAndHead(Mesh& mesh) {
    // The S: forward and up from the breast, back over the body, forward again to the head.
    const std::vector<Ring> neck = {
        {{-0.36f, 0.16f, 0.0f}, 0.08f, 0.08f},  {{-0.46f, 0.32f, 0.0f}, 0.055f, 0.055f},
        {{-0.4f, 0.52f, 0.0f}, 0.045f, 0.045f}, {{-0.27f, 0.7f, 0.0f}, 0.042f, 0.042f},
        {{-0.3f, 0.88f, 0.0f}, 0.042f, 0.042f}, {{-0.42f, 0.98f, 0.0f}, 0.05f, 0.05f},
    };
    addTube(mesh, smoothRings(neck, 2), band(atlas::NECK), {5, false, false, {-1.0f, 0.0f, 0.0f}});
    addTube(mesh,
            {{{-0.38f, 0.99f, 0.0f}, 0.03f, 0.03f},
             {{-0.44f, 1.01f, 0.0f}, 0.07f, 0.065f},
             {{-0.53f, 1.0f, 0.0f}, 0.065f, 0.06f},
             {{-0.6f, 0.98f, 0.0f}, 0.04f, 0.04f}},
            band(atlas::HEAD), {5, true, false, {0.0f, 1.0f, 0.0f}});
    // Beak: straight out of the face, then bent sharply down to the black tip.
    addTube(mesh,
            {{{-0.58f, 0.985f, 0.0f}, 0.042f, 0.035f},
             {{-0.67f, 0.975f, 0.0f}, 0.034f, 0.028f},
             {{-0.72f, 0.94f, 0.0f}, 0.024f, 0.02f},
             {{-0.735f, 0.87f, 0.0f}, 0.008f, 0.008f}},
            band(atlas::BEAK), {4, false, true, {0.0f, 1.0f, 0.0f}});
    // Eye: a small dark disc on the side facing the viewer.
    addTube(mesh, {{{-0.53f, 1.02f, 0.045f}, 0.016f, 0.016f}, {{-0.53f, 1.02f, 0.062f}, 0.014f, 0.014f}},
            band(atlas::EYE), {5, false, true, {0.0f, 1.0f, 0.0f}});
}

}  // namespace

Mesh buildFlamingo() {
    Mesh mesh;
    legs(mesh);
    body(mesh);
    wing(mesh);
    neckAndHead(mesh);
    // Modelled at a convenient size; the show wants it a fifth larger.
    for (Vertex& vertex : mesh.vertices) {
        vertex.position = vertex.position * SCALE;
    }
    return mesh;
}
