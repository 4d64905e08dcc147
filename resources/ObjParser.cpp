// The OBJ grammar: the lines and their keywords, faces and polylines, the index checks. Lines
// and tokens are views into the file's bytes (numbers: resources/ObjNumbers.h), and only the
// lists handed to the GL upload are allocated (shared vertices: resources/ObjVertexMerge.h).
#include <cmath>
#include <cstring>
#include <string>
#include <string_view>

#include "resources/ObjMesh.h"
#include "resources/ObjNumbers.h"
#include "resources/ObjVertexMerge.h"
#include "resources/ShortQuote.h"

namespace {

// A quoted token is cut to this many bytes: a number can be megabytes long.
constexpr size_t OBJ_QUOTE_LIMIT = 40;

// Part of the file's text for an error message, in quotes and cut short.
std::string quoted(std::string_view text) { return "\"" + shortQuote(text, OBJ_QUOTE_LIMIT) + "\""; }

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

class ObjParser {
public:
    ObjParser(ObjMeshData& target, std::string& errorText) : mesh(target), error(errorText) {}

    bool parse(std::string_view text);

private:
    bool fail(const std::string& reason);
    bool parseLine(std::string_view text);
    bool readVector(ObjLine& line, std::string_view keyword, size_t kept, std::vector<float>& into);
    bool readIndex(const ObjLine& line, const char* start, int64_t listSize, const char* listName,
                   HighestIndex& highest, int32_t& index, const char*& after);
    bool readCorner(ObjLine& line, ObjCorner& corner, bool& textured);
    bool readFace(ObjLine& line);
    bool readPolyline(ObjLine& line);
    bool finish();

    ObjMeshData& mesh;
    std::string& error;
    int lineNumber = 0;
    std::vector<float> positions;
    std::vector<float> texCoords;
    std::vector<uint32_t> plainIndices;
    std::vector<ObjCorner> corners;
    HighestIndex highestPosition;
    HighestIndex highestTexture;
    int firstPlainLine = 0;  // the first face or polyline without texture coordinates
    MeshKind kind = MeshNone;
};

bool ObjParser::fail(const std::string& reason) {
    error = "line " + std::to_string(lineNumber) + ": " + reason;
    return false;
}

// "v x y z" and "vt u v": the first numbers are kept, more (a vertex colour, a w) are checked
// and dropped. Values that are not finite are refused.
bool ObjParser::readVector(ObjLine& line, std::string_view keyword, size_t kept, std::vector<float>& into) {
    size_t count = 0;
    while (line.nextToken()) {
        const char* start = line.at;
        float value = 0.0f;
        const char* after = readObjFloat(line, start, value);
        if (after == nullptr) {
            return fail(quoted(line.textFrom(start)) + " is not a number");
        }
        if (!std::isfinite(value)) {
            return fail(quoted(line.textFrom(start)) + " is not a finite number");
        }
        if (count < kept) {
            into.push_back(value);
        }
        ++count;
        line.at = line.tokenEnd(after);
    }
    if (count < kept) {
        return fail(quoted(keyword) + " needs at least " + std::to_string(kept) + " numbers, found " +
                    std::to_string(count));
    }
    return true;
}

// A 1-based OBJ index turned 0-based; a negative one counts back from the end of the list as
// read so far (-1 is the latest entry). Zero and indices beyond 32 bits are refused.
bool ObjParser::readIndex(const ObjLine& line, const char* start, int64_t listSize, const char* listName,
                          HighestIndex& highest, int32_t& index, const char*& after) {
    int64_t value = 0;
    switch (readObjInteger(line, start, value, after)) {
    case IntegerRead::NotANumber:
        return fail("index " + quoted(line.textFrom(start, '/')) + " is not a number");
    case IntegerRead::OutOfRange:
        return fail("index " + quoted(line.textFrom(start, '/')) + " is out of range");
    case IntegerRead::Ok:
        break;
    }
    if (value == 0) {
        return fail("index " + quoted(line.textFrom(start, '/')) + " is out of range");
    }
    if (value > 0) {
        index = static_cast<int32_t>(value - 1);
        highest.note(index, lineNumber);
        return true;
    }
    if (listSize + value < 0) {
        return fail("index " + std::to_string(value) + " names no " + listName + " (" + std::to_string(listSize) +
                    " given so far)");
    }
    index = static_cast<int32_t>(listSize + value);
    return true;
}

// "p", "p/t", "p//n" or "p/t/n"; the normal index is not used.
bool ObjParser::readCorner(ObjLine& line, ObjCorner& corner, bool& textured) {
    const char* start = line.at;
    if (*start == '/') {
        return fail("corner " + quoted(line.textFrom(start)) + " has no position index");
    }
    const char* after = nullptr;
    if (!readIndex(line, start, static_cast<int64_t>(positions.size() / 3), "position", highestPosition,
                   corner.position, after)) {
        return false;
    }
    const char* slash = after + line.textFrom(after, '/').size();
    const char* texture = slash + 1;
    textured = slash < line.end && *slash == '/' && texture < line.end && !isObjBlank(*texture) && *texture != '/';
    corner.texture = -1;
    if (textured && !readIndex(line, texture, static_cast<int64_t>(texCoords.size() / 2), "texture coordinate",
                               highestTexture, corner.texture, after)) {
        return false;
    }
    line.at = line.tokenEnd(after);
    return true;
}

// A face of three or more corners, fanned from its first corner in file order: (1, 2, 3),
// (1, 3, 4), ... This is right for the convex polygons that exporters write; a concave one
// would need ear clipping, which no file of ours needs.
bool ObjParser::readFace(ObjLine& line) {
    kind = MeshTriangles;
    ObjCorner first{};
    ObjCorner previous{};
    bool firstTextured = false;
    bool mixed = false;
    int count = 0;
    while (line.nextToken()) {
        ObjCorner corner{};
        bool textured = false;
        if (!readCorner(line, corner, textured)) {
            return false;
        }
        if (count == 0) {
            first = corner;
            firstTextured = textured;
        }
        // Mixed corners would leave the two index lists out of step with whole triangles.
        mixed = mixed || textured != firstTextured;
        if (count >= 2 && !mixed) {
            if (textured) {
                corners.push_back(first);
                corners.push_back(previous);
                corners.push_back(corner);
            } else {
                firstPlainLine = firstPlainLine == 0 ? lineNumber : firstPlainLine;
                plainIndices.push_back(static_cast<uint32_t>(first.position));
                plainIndices.push_back(static_cast<uint32_t>(previous.position));
                plainIndices.push_back(static_cast<uint32_t>(corner.position));
            }
        }
        previous = corner;
        ++count;
    }
    if (count < 3) {
        return fail("face with " + std::to_string(count) + " corners, at least 3 expected");
    }
    if (mixed) {
        return fail("face mixes corners with and without texture coordinates");
    }
    return true;
}

// "l" through points 1, 2, 3 gives the segments 0-1 and 1-2.
bool ObjParser::readPolyline(ObjLine& line) {
    kind = MeshLines;
    int32_t previous = -1;
    while (line.nextToken()) {
        int32_t point = 0;
        const char* after = nullptr;
        if (!readIndex(line, line.at, static_cast<int64_t>(positions.size() / 3), "position", highestPosition, point,
                       after)) {
            return false;
        }
        if (previous >= 0) {
            firstPlainLine = firstPlainLine == 0 ? lineNumber : firstPlainLine;
            plainIndices.push_back(static_cast<uint32_t>(previous));
            plainIndices.push_back(static_cast<uint32_t>(point));
        }
        previous = point;
        line.at = line.tokenEnd(after);
    }
    return true;
}

// Comments, empty lines and lines that start with a blank or a tab contribute nothing, nor do
// keywords other than "v", "vt", "l" and "f" (normals, groups, materials).
bool ObjParser::parseLine(std::string_view text) {
    if (text.empty() || text[0] == '#' || isObjBlank(text[0])) {
        return true;
    }
    ObjLine line{text.data(), text.data() + text.size()};
    const std::string_view keyword = line.textFrom(line.at);
    line.at += keyword.size();
    if (keyword == "v") {
        return readVector(line, keyword, 3, positions);
    }
    if (keyword == "vt") {
        return readVector(line, keyword, 2, texCoords);
    }
    if (keyword == "f") {
        return readFace(line);
    }
    if (keyword == "l") {
        return readPolyline(line);
    }
    return true;
}

bool ObjParser::parse(std::string_view text) {
    // A UTF-8 byte-order mark, as some editors and exporters write, is not part of the first line.
    if (text.substr(0, 3) == "\xEF\xBB\xBF") {
        text.remove_prefix(3);
    }
    const char* at = text.data();
    const char* const end = at + text.size();
    while (at < end) {
        ++lineNumber;
        const auto* newline = static_cast<const char*>(std::memchr(at, '\n', static_cast<size_t>(end - at)));
        const char* lineEnd = newline != nullptr ? newline : end;
        std::string_view line(at, static_cast<size_t>(lineEnd - at));
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        if (!parseLine(line)) {
            return false;
        }
        if (newline == nullptr) {
            break;
        }
        at = newline + 1;
    }
    return finish();
}

bool ObjParser::finish() {
    const auto positionCount = static_cast<int64_t>(positions.size() / 3);
    const auto texCoordCount = static_cast<int64_t>(texCoords.size() / 2);
    if (highestPosition.index >= positionCount) {
        lineNumber = highestPosition.lineNumber;
        return fail("index " + std::to_string(highestPosition.index + 1) + " names no position (" +
                    std::to_string(positionCount) + " given)");
    }
    if (highestTexture.index >= texCoordCount) {
        lineNumber = highestTexture.lineNumber;
        return fail("index " + std::to_string(highestTexture.index + 1) + " names no texture coordinate (" +
                    std::to_string(texCoordCount) + " given)");
    }
    // With texture coordinates only textured faces are drawn; a file whose faces all lack them
    // would load as a mesh that draws nothing.
    if (!texCoords.empty() && corners.empty() && !plainIndices.empty()) {
        lineNumber = firstPlainLine;
        return fail("no face uses the file's " + std::to_string(texCoordCount) +
                    " texture coordinates, so nothing would be drawn");
    }
    if (!texCoords.empty()) {
        mesh.kind = MeshTexturedTriangles;
        mergeTexturedVertices(positions, texCoords, corners, mesh);
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

bool parseObj(std::string_view text, ObjMeshData& mesh, std::string& error) {
    mesh = ObjMeshData();
    ObjParser parser(mesh, error);
    if (!parser.parse(text)) {
        mesh = ObjMeshData();
        return false;
    }
    return true;
}

bool parseObj(std::istream& in, ObjMeshData& mesh, std::string& error) {
    // Read in chunks to the end, whatever the stream: a size told by seeking may be no file's
    // (a folder's stream reports one) and is never needed.
    std::string text;
    char chunk[1 << 16];
    while (in.read(chunk, sizeof(chunk)) || in.gcount() > 0) {
        text.append(chunk, static_cast<size_t>(in.gcount()));
    }
    return parseObj(std::string_view(text), mesh, error);
}
