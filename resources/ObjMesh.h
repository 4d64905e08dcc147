#pragma once
#include <cstdint>
#include <istream>
#include <string>
#include <string_view>
#include <vector>

#include "resources/MeshRecord.h"

// Parts of text between delimiters, read as a stream: adjacent delimiters give an empty
// part, a trailing delimiter adds none, an empty text gives no parts.
std::vector<std::string> splitString(const std::string& text, char delimiter);

// The characters up to the next line feed, without it or a carriage return before it.
std::string readTextLine(std::istream& in);

// A text file read whole when it is opened (mode "r"), then handed out line by line or at once.
// A file that cannot be opened writes the open-mode line; one that exists but is refused (not a
// regular file, or more than `maxBytes`) is not open either, and says why in refusal().
class TextFile {
public:
    TextFile(const std::string& path, const char* mode, uint64_t maxBytes);

    bool isOpen() const { return open; }
    bool endOfFile() const { return !open || ended; }
    std::string readLine();
    std::string_view contents() const { return text; }
    const std::string& refusal() const { return refusalReason; }
    void close();

private:
    std::string path;
    std::string mode;
    std::string text;
    size_t next = 0;  // where the next line starts
    bool ended = false;
    std::string refusalReason;
    bool open = false;
};

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
