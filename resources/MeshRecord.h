#pragma once
#include <cstdint>

enum MeshKind : int32_t {
    MeshNone = -1,
    MeshLines = 0,
    MeshTriangles = 1,
    MeshTexturedTriangles = 2,
};

struct MeshRecord {
    uint32_t vertexArray = 0;
    uint32_t vertexBuffer = 0;
    uint32_t elementBuffer = 0;
    int32_t kind = MeshNone;
    int32_t elementCount = 0;
    // The triangles' edges as a line list, where OpenGL ES has no polygon mode for wireframes.
    uint32_t lineVertexArray = 0;
    uint32_t lineElementBuffer = 0;
    int32_t lineElementCount = 0;
};
