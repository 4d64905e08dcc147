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
};
