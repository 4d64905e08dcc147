// Feeds arbitrary bytes to the OBJ parser and checks what it hands to the GL upload: a mesh
// that parses must never name a vertex it does not hold. The same bytes must read alike
// through a stream and in place, with every blank widened to a blank and a tab, and after a
// byte-order mark; a refusal names a line of the file and quotes it briefly.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>

#include "resources/ObjMesh.h"
#include "resources/TextFile.h"

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

// A refusal starts with "line N: " for a line of the file and stays short, whatever it quotes.
void checkRefusal(const std::string& text, const std::string& error) {
    require(error.rfind("line ", 0) == 0, "a refusal names its line");
    const long line = std::strtol(error.c_str() + 5, nullptr, 10);
    const long lineCount = static_cast<long>(std::count(text.begin(), text.end(), '\n')) + 1;
    require(line >= 1 && line <= lineCount, "the line named is in the file");
    require(error.size() < 160, "a refusal quotes a few dozen bytes at most");
    for (const char c : error) {
        require(static_cast<unsigned char>(c) >= 0x20 && c != 0x7F, "a refusal holds no control bytes");
    }
}

struct Outcome {
    bool parsed;
    ObjMeshData mesh;
    std::string error;
};

Outcome parseInPlace(const std::string& text) {
    Outcome outcome;
    outcome.parsed = parseObj(std::string_view(text), outcome.mesh, outcome.error);
    return outcome;
}

bool sameOutcome(const Outcome& a, const Outcome& b) {
    return a.parsed == b.parsed && a.error == b.error && a.mesh.kind == b.mesh.kind &&
           a.mesh.elements == b.mesh.elements && a.mesh.vertices.size() == b.mesh.vertices.size() &&
           (a.mesh.vertices.empty() ||
            std::memcmp(a.mesh.vertices.data(), b.mesh.vertices.data(), a.mesh.vertices.size() * sizeof(float)) == 0);
}

std::string widenBlanks(const std::string& text) {
    std::string wide;
    for (const char c : text) {
        wide += c == ' ' ? std::string(" \t") : std::string(1, c);
    }
    return wide;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::istringstream in(text);
    Outcome streamed;
    streamed.parsed = parseObj(in, streamed.mesh, streamed.error);
    if (streamed.parsed) {
        checkParsedMesh(streamed.mesh);
    } else {
        checkRefusal(text, streamed.error);
        require(streamed.mesh.vertices.empty() && streamed.mesh.elements.empty(), "a refused file leaves no data");
    }
    require(sameOutcome(parseInPlace(text), streamed), "a stream and the bytes in place read alike");
    require(sameOutcome(parseInPlace(widenBlanks(text)), streamed), "runs of blanks and tabs separate like one blank");
    if (text.rfind("\xEF\xBB\xBF", 0) != 0) {
        require(sameOutcome(parseInPlace("\xEF\xBB\xBF" + text), streamed), "a byte-order mark changes nothing");
    }
    if (size < 256) {
        checkSplit(text);
    }
    return 0;
}
