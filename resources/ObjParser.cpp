#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <unordered_map>

#include "resources/ObjMesh.h"

namespace {

struct Corner {
    int32_t position;
    int32_t texture;
};

// The largest index a list was asked for, and the first line that asked, checked once the
// whole file is read (a face may name a vertex written further down).
struct HighestIndex {
    int32_t index = -1;
    int lineNumber = 0;

    void note(int32_t value, int line) {
        if (value > index) {
            index = value;
            lineNumber = line;
        }
    }
};

// The five floats of a vertex as a hash key; equality is float equality, so -0.0 matches 0.0.
struct VertexKey {
    float values[5];

    bool operator==(const VertexKey& other) const {
        for (int i = 0; i < 5; ++i) {
            if (values[i] != other.values[i]) {
                return false;
            }
        }
        return true;
    }
};

struct VertexKeyHash {
    size_t operator()(const VertexKey& key) const {
        uint64_t hash = 1469598103934665603ull;
        for (float value : key.values) {
            const float canonical = value == 0.0f ? 0.0f : value;
            uint32_t bits = 0;
            std::memcpy(&bits, &canonical, sizeof(bits));
            hash = (hash ^ bits) * 1099511628211ull;
        }
        return static_cast<size_t>(hash);
    }
};

class ObjParser {
public:
    ObjParser(ObjMeshData& target, std::string& errorText) : mesh(target), error(errorText) {}

    bool parseLine(const std::string& line, int lineNumber);
    bool finish();

private:
    bool fail(int lineNumber, const std::string& reason);
    bool readFloats(const std::vector<std::string>& tokens, size_t expected, std::vector<float>& into,
                    int lineNumber);
    bool readIndex(const std::string& token, int32_t& index, int lineNumber);
    bool readFace(const std::vector<std::string>& tokens, int lineNumber);
    bool readLine(const std::vector<std::string>& tokens, int lineNumber);
    void buildTexturedVertices();

    ObjMeshData& mesh;
    std::string& error;
    std::vector<float> positions;
    std::vector<float> texCoords;
    std::vector<uint32_t> plainIndices;
    std::vector<Corner> corners;
    HighestIndex highestPosition;
    HighestIndex highestTexture;
    MeshKind kind = MeshNone;
};

bool ObjParser::fail(int lineNumber, const std::string& reason) {
    error = "line " + std::to_string(lineNumber) + ": " + reason;
    return false;
}

// The leading number of a token, as strtof reads it in the "C" locale; the rest of the
// token is ignored. Tokens without a leading number and values that are not finite fail.
bool ObjParser::readFloats(const std::vector<std::string>& tokens, size_t expected, std::vector<float>& into,
                           int lineNumber) {
    if (tokens.size() != expected + 1) {
        return fail(lineNumber, "\"" + tokens[0] + "\" needs " + std::to_string(expected) + " numbers, found " +
                                    std::to_string(tokens.size() - 1));
    }
    for (size_t i = 1; i < tokens.size(); ++i) {
        const char* begin = tokens[i].c_str();
        char* end = nullptr;
        const float value = std::strtof(begin, &end);
        if (end == begin) {
            return fail(lineNumber, "\"" + tokens[i] + "\" is not a number");
        }
        if (!std::isfinite(value)) {
            return fail(lineNumber, "\"" + tokens[i] + "\" is not a finite number");
        }
        into.push_back(value);
    }
    return true;
}

// A 1-based OBJ index turned 0-based; only positive indices within 32 bits are accepted.
bool ObjParser::readIndex(const std::string& token, int32_t& index, int lineNumber) {
    const char* begin = token.c_str();
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(begin, &end, 10);
    if (end == begin) {
        return fail(lineNumber, "index \"" + token + "\" is not a number");
    }
    if (errno == ERANGE || value < 1 || value > std::numeric_limits<int32_t>::max()) {
        return fail(lineNumber, "index \"" + token + "\" is out of range");
    }
    index = static_cast<int32_t>(value - 1);
    return true;
}

bool ObjParser::readLine(const std::vector<std::string>& tokens, int lineNumber) {
    kind = MeshLines;
    std::vector<int32_t> points(tokens.size() - 1);
    for (size_t i = 1; i < tokens.size(); ++i) {
        if (!readIndex(tokens[i], points[i - 1], lineNumber)) {
            return false;
        }
        highestPosition.note(points[i - 1], lineNumber);
    }
    for (size_t i = 1; i < points.size(); ++i) {
        plainIndices.push_back(static_cast<uint32_t>(points[i - 1]));
        plainIndices.push_back(static_cast<uint32_t>(points[i]));
    }
    return true;
}

bool ObjParser::readFace(const std::vector<std::string>& tokens, int lineNumber) {
    kind = MeshTriangles;
    if (tokens.size() != 4) {
        return fail(lineNumber, "face with " + std::to_string(tokens.size() - 1) + " corners, 3 expected");
    }
    int textured = 0;
    for (size_t i = 1; i < tokens.size(); ++i) {
        const std::vector<std::string> parts = splitString(tokens[i], '/');
        if (parts.empty() || parts[0].empty()) {
            return fail(lineNumber, "corner \"" + tokens[i] + "\" has no position index");
        }
        int32_t position = 0;
        if (!readIndex(parts[0], position, lineNumber)) {
            return false;
        }
        highestPosition.note(position, lineNumber);
        if (parts.size() < 2 || parts[1].empty()) {
            plainIndices.push_back(static_cast<uint32_t>(position));
            continue;
        }
        int32_t texture = 0;
        if (!readIndex(parts[1], texture, lineNumber)) {
            return false;
        }
        highestTexture.note(texture, lineNumber);
        corners.push_back({position, texture});
        ++textured;
    }
    // Mixed corners would leave the two index lists out of step with whole triangles.
    if (textured != 0 && textured != 3) {
        return fail(lineNumber, "face mixes corners with and without texture coordinates");
    }
    return true;
}

bool ObjParser::parseLine(const std::string& line, int lineNumber) {
    if (line.empty() || line[0] == '#') {
        return true;
    }
    const std::vector<std::string> tokens = splitString(line, ' ');
    const std::string& keyword = tokens[0];
    if (keyword == "v") {
        return readFloats(tokens, 3, positions, lineNumber);
    }
    if (keyword == "vt") {
        return readFloats(tokens, 2, texCoords, lineNumber);
    }
    if (keyword == "l") {
        return readLine(tokens, lineNumber);
    }
    if (keyword == "f") {
        return readFace(tokens, lineNumber);
    }
    return true;
}

// A new vertex for each (position, texture) pair seen for the first time; a repeated pair
// takes the first vertex with the same five floats. That vertex is known when the pair is
// first seen, so a repeat costs one lookup of the pair. Hash maps keep this linear.
void ObjParser::buildTexturedVertices() {
    std::unordered_map<uint64_t, uint32_t> repeatVertex;
    std::unordered_map<VertexKey, uint32_t, VertexKeyHash> firstVertex;
    repeatVertex.reserve(corners.size());
    firstVertex.reserve(corners.size());
    mesh.vertices.reserve(corners.size() * 5);
    mesh.elements.reserve(corners.size());
    uint32_t vertexCount = 0;
    for (const Corner& corner : corners) {
        const uint64_t pair =
            (static_cast<uint64_t>(static_cast<uint32_t>(corner.position)) << 32) | static_cast<uint32_t>(corner.texture);
        const auto [seen, isNew] = repeatVertex.try_emplace(pair, 0);
        if (!isNew) {
            mesh.elements.push_back(seen->second);
            continue;
        }
        const size_t p = static_cast<size_t>(corner.position) * 3;
        const size_t t = static_cast<size_t>(corner.texture) * 2;
        const VertexKey key{{positions[p], positions[p + 1], positions[p + 2], texCoords[t], texCoords[t + 1]}};
        mesh.vertices.insert(mesh.vertices.end(), key.values, key.values + 5);
        seen->second = firstVertex.emplace(key, vertexCount).first->second;
        mesh.elements.push_back(vertexCount);
        ++vertexCount;
    }
}

bool ObjParser::finish() {
    const auto positionCount = static_cast<int64_t>(positions.size() / 3);
    const auto texCoordCount = static_cast<int64_t>(texCoords.size() / 2);
    if (highestPosition.index >= positionCount) {
        return fail(highestPosition.lineNumber, "index " + std::to_string(highestPosition.index + 1) + " names no position (" +
                                                     std::to_string(positionCount) + " given)");
    }
    if (highestTexture.index >= texCoordCount) {
        return fail(highestTexture.lineNumber, "index " + std::to_string(highestTexture.index + 1) +
                                                    " names no texture coordinate (" + std::to_string(texCoordCount) +
                                                    " given)");
    }
    if (!texCoords.empty()) {
        mesh.kind = MeshTexturedTriangles;
        buildTexturedVertices();
        return true;
    }
    mesh.kind = kind;
    if (kind != MeshNone) {
        mesh.vertices = std::move(positions);
        mesh.elements = std::move(plainIndices);
    }
    return true;
}

}  // namespace

bool parseObj(std::istream& in, ObjMeshData& mesh, std::string& error) {
    mesh = ObjMeshData();
    ObjParser parser(mesh, error);
    int lineNumber = 0;
    while (in.good()) {
        const std::string line = readTextLine(in);
        ++lineNumber;
        if (!parser.parseLine(line, lineNumber)) {
            mesh = ObjMeshData();
            return false;
        }
    }
    if (!parser.finish()) {
        mesh = ObjMeshData();
        return false;
    }
    return true;
}
