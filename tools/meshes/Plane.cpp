// Floor tile: 6 x 6 units in x and z, centred on the origin, subdivided into a fine triangle grid.
#include "Models.h"

namespace {

constexpr float TILE = 6.0f;
constexpr int CELLS = 24;

}  // namespace

Mesh buildPlane() {
    Mesh mesh;
    mesh.textured = false;
    // s runs along +x and t along -z, so the faces are counter-clockwise seen from above.
    addGrid(
        mesh, CELLS, CELLS,
        [](float s, float t) {
            return GridPoint{{(s - 0.5f) * TILE, 0.0f, (0.5f - t) * TILE}, 0.0f, 0.0f, {0.0f, 1.0f, 0.0f}};
        },
        false);
    return mesh;
}
