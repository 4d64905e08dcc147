#pragma once
#include <cstdint>
#include <istream>
#include <string>
#include <string_view>
#include <vector>

#include "resources/MeshRecord.h"

// Vertex and element lists of an OBJ file, ready for upload: 3 floats a vertex for lines
// and plain triangles, 5 (x, y, z, u, v) for textured triangles.
struct ObjMeshData {
    MeshKind kind = MeshNone;
    std::vector<float> vertices;
    std::vector<uint32_t> elements;
};

// Parses OBJ text in place, without touching GL. Returns false with "line N: reason" in
// error when the input is malformed; quoted input in the reason is cut to a few dozen bytes.
bool parseObj(std::string_view text, ObjMeshData& mesh, std::string& error);

// The same for the whole rest of a stream, read into memory first.
bool parseObj(std::istream& in, ObjMeshData& mesh, std::string& error);

// The edges that a wireframe of the triangle list draws, as a line list: a b, b c, c a for each
// triangle, shared edges twice, as filled-polygon outlines draw them. A trailing partial triangle
// is ignored.
std::vector<uint32_t> triangleEdges(const std::vector<uint32_t>& triangles);
