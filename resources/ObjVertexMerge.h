#pragma once
#include <cstdint>
#include <vector>

#include "resources/ObjMesh.h"

// A corner of a textured face: its position and texture coordinate, 0-based indices.
struct ObjCorner {
    int32_t position;
    int32_t texture;
};

// The interleaved vertices and the elements of a textured mesh from its faces' corners. A new
// vertex for each (position, texture) pair seen for the first time; a repeated pair takes the
// first vertex with the same five floats, which may be another pair's. Lookups go through flat
// tables, so the cost stays linear in the corners. The indices are checked already.
void mergeTexturedVertices(const std::vector<float>& positions, const std::vector<float>& texCoords,
                           const std::vector<ObjCorner>& corners, ObjMeshData& mesh);
