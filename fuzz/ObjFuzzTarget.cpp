// Feeds arbitrary bytes to the OBJ parser and checks what it hands to the GL upload:
// a mesh that parses must never name a vertex it does not hold.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>

#include "resources/ObjMesh.h"

namespace {

void require(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "invariant broken: %s\n", what);
        std::abort();
    }
}

size_t floatsPerVertex(MeshKind kind) { return kind == MeshTexturedTriangles ? 5 : 3; }

void checkParsedMesh(const ObjMeshData& mesh) {
    require(mesh.kind >= MeshNone && mesh.kind <= MeshTexturedTriangles, "kind is one of the four");
    if (mesh.kind == MeshNone) {
        require(mesh.elements.empty(), "a mesh without lines or faces draws nothing");
        return;
    }
    const size_t stride = floatsPerVertex(mesh.kind);
    require(mesh.vertices.size() % stride == 0, "vertex list holds whole vertices");
    const size_t vertexCount = mesh.vertices.size() / stride;
    for (uint32_t element : mesh.elements) {
        require(element < vertexCount, "every element names an existing vertex");
    }
    // Plain indices of "l" and "f" lines share one list, so only textured faces come in whole triangles.
    if (mesh.kind == MeshTexturedTriangles) {
        require(mesh.elements.size() % 3 == 0, "textured faces come in index triples");
    }
}

// The parts, joined with the delimiter, give back the text up to a trailing delimiter.
void checkSplit(const std::string& text) {
    const std::vector<std::string> parts = splitString(text, ' ');
    std::string joined;
    for (size_t i = 0; i < parts.size(); ++i) {
        require(parts[i].find(' ') == std::string::npos, "no part holds a delimiter");
        joined += (i == 0 ? "" : " ") + parts[i];
    }
    const std::string expected = !text.empty() && text.back() == ' ' ? text.substr(0, text.size() - 1) : text;
    require(joined == expected, "parts join back into the text");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::istringstream in(text);
    ObjMeshData mesh;
    std::string error;
    if (parseObj(in, mesh, error)) {
        checkParsedMesh(mesh);
    } else {
        require(!error.empty(), "a refused file says why");
        require(mesh.vertices.empty() && mesh.elements.empty(), "a refused file leaves no data");
    }
    if (size < 256) {
        checkSplit(text);
    }
    return 0;
}
