#pragma once
#include <string>

// A textured, normal-carrying OBJ text of a rippled grid of cells x cells quads (two
// triangles each), written as exporters do: "v", "vt", "vn" lines, then "f p/t/n" faces.
std::string texturedGridObj(int cells);
