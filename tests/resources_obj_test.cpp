#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "resources/ObjMesh.h"
#include "resources_console_capture.h"
#include "support/ScratchFolder.h"

namespace {

using Strings = std::vector<std::string>;

ObjMeshData parseOk(const std::string& text) {
    std::istringstream in(text);
    ObjMeshData mesh;
    std::string error;
    EXPECT_TRUE(parseObj(in, mesh, error)) << error << "\nfor:\n" << text;
    return mesh;
}

// The reason a text is refused for, or "" (with a failure) when it parses.
std::string refusal(const std::string& text) {
    ObjMeshData mesh;
    std::string error;
    EXPECT_FALSE(parseObj(std::string_view(text), mesh, error)) << text;
    EXPECT_TRUE(mesh.vertices.empty() && mesh.elements.empty());
    return error;
}

// Equal kind, elements and vertex bits (so -0.0 differs from 0.0).
void expectSameMesh(const ObjMeshData& actual, const ObjMeshData& expected, const std::string& what) {
    EXPECT_EQ(actual.kind, expected.kind) << what;
    EXPECT_EQ(actual.elements, expected.elements) << what;
    ASSERT_EQ(actual.vertices.size(), expected.vertices.size()) << what;
    EXPECT_TRUE(actual.vertices.empty() || std::memcmp(actual.vertices.data(), expected.vertices.data(),
                                                       actual.vertices.size() * sizeof(float)) == 0)
        << what;
}

std::string readText(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    EXPECT_TRUE(file.is_open()) << path;
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

TEST(ObjText, SplitStringKeepsEveryDelimitedPartButNoTrailingEmptyOne) {
    EXPECT_EQ(splitString("v 1 2 3", ' '), (Strings{"v", "1", "2", "3"}));
    EXPECT_EQ(splitString("v 1  2", ' '), (Strings{"v", "1", "", "2"}));
    EXPECT_EQ(splitString(" f 1", ' '), (Strings{"", "f", "1"}));
    EXPECT_EQ(splitString("l 1 2 ", ' '), (Strings{"l", "1", "2"}));
    EXPECT_EQ(splitString("1//7", '/'), (Strings{"1", "", "7"}));
    EXPECT_EQ(splitString("v\t1", ' '), (Strings{"v\t1"}));
    EXPECT_TRUE(splitString("", ' ').empty());
    EXPECT_EQ(splitString(" ", ' '), (Strings{""}));
}

TEST(ObjText, TextFileReadsLinesWithoutLineEndsAndReportsAMissingFile) {
    const ScratchFolder folder("text");
    const std::string path = folder.path + "/lines.txt";
    std::ofstream(path, std::ios::binary) << "first\r\nsecond\n\nlast";

    TextFile file(path, "r", 1024);
    ASSERT_TRUE(file.isOpen());
    Strings lines;
    while (!file.endOfFile()) {
        lines.push_back(file.readLine());
    }
    EXPECT_EQ(lines, (Strings{"first", "second", "", "last"}));

    ConsoleCapture capture(false);
    TextFile missing("/nonexistent/mesh.obj", "r", 1024);
    EXPECT_FALSE(missing.isOpen());
    EXPECT_EQ(capture.out(), "Error with open mode: r - File : /nonexistent/mesh.obj\n");
    EXPECT_EQ(capture.err(), "");
}

TEST(ObjParse, PlainFacesAndLinesUseZeroBasedPositionIndicesInFileOrder) {
    const ObjMeshData triangles = parseOk(
        "# a comment\n"
        "v 0 0 0\nv 1 0 0\nv 0 1 0\nv 1 1 0\n"
        "vn 0 0 1\n"
        "\n"
        " f 9 9 9\n"
        "g group\n"
        "f 1//1 2//1 3//1\n"
        "f 4 3 2\n");
    EXPECT_EQ(triangles.kind, MeshTriangles);
    EXPECT_EQ(triangles.elements, (std::vector<uint32_t>{0, 1, 2, 3, 2, 1}));
    EXPECT_EQ(triangles.vertices, (std::vector<float>{0, 0, 0, 1, 0, 0, 0, 1, 0, 1, 1, 0}));

    const ObjMeshData lines = parseOk("v 0 0 0\r\nv 1 0 0\r\nv 1 1 0\r\nv 0 1 0\r\nl 1 2 3 4\r\n");
    EXPECT_EQ(lines.kind, MeshLines);
    EXPECT_EQ(lines.elements, (std::vector<uint32_t>{0, 1, 1, 2, 2, 3}));

    // The last of "l" and "f" decides the kind; both contribute indices.
    const ObjMeshData mixed = parseOk("v 0 0 0\nv 1 0 0\nv 1 1 0\nf 1 2 3\nl 1 3\n");
    EXPECT_EQ(mixed.kind, MeshLines);
    EXPECT_EQ(mixed.elements, (std::vector<uint32_t>{0, 1, 2, 0, 2}));

    const ObjMeshData none = parseOk("v 0 0 0\nvn 0 0 1\n");
    EXPECT_EQ(none.kind, MeshNone);
    EXPECT_TRUE(none.elements.empty());
    EXPECT_TRUE(none.vertices.empty());
}

TEST(ObjParse, TexturedCornersShareVerticesOnlyForRepeatedPairs) {
    const ObjMeshData quad = parseOk(
        "v -1 -1 0\nv 1 -1 0\nv 1 1 0\nv -1 1 0\n"
        "vt 0 0\nvt 1 0\nvt 1 1\nvt 0 1\n"
        "f 1/1 2/2 3/3\nf 1/1 3/3 4/4\n");
    EXPECT_EQ(quad.kind, MeshTexturedTriangles);
    EXPECT_EQ(quad.vertices.size(), 4u * 5u);
    EXPECT_EQ(quad.elements, (std::vector<uint32_t>{0, 1, 2, 0, 2, 3}));
    EXPECT_EQ(std::vector<float>(quad.vertices.begin() + 15, quad.vertices.end()),
              (std::vector<float>{-1, 1, 0, 0, 1}));

    // Position 1 with another texture coordinate is a vertex of its own; plain corners and
    // "l" indices play no part once texture coordinates exist.
    const ObjMeshData seam = parseOk(
        "v 0 0 0\nv 1 0 0\nv 0 1 0\n"
        "vt 0 0\nvt 1 0\nvt 0 1\nvt 0.5 0.5\n"
        "f 1/1/1 2/2/1 3/3/1\n"
        "f 1/4/1 3/3/1 2/2/1\n"
        "l 1 2\n");
    EXPECT_EQ(seam.kind, MeshTexturedTriangles);
    EXPECT_EQ(seam.elements, (std::vector<uint32_t>{0, 1, 2, 3, 2, 1}));
    EXPECT_EQ(seam.vertices.size(), 4u * 5u);
}

TEST(ObjParse, NumbersUseTheirLeadingPartLikeTheCLibrary) {
    const ObjMeshData mesh = parseOk("v 1.5abc +2 -3e1\nv 0 0 0\nv 0 0 0\nf 1.9 2x +3\n");
    EXPECT_EQ(mesh.vertices[0], 1.5f);
    EXPECT_EQ(mesh.vertices[1], 2.0f);
    EXPECT_EQ(mesh.vertices[2], -30.0f);
    EXPECT_EQ(mesh.elements, (std::vector<uint32_t>{0, 1, 2}));

    // Whatever strtof makes of a token, the parser makes too: hexadecimal, "0x" without digits,
    // underflow to zero, subnormals, a trailing exponent mark, signs and line-end bytes.
    const char* const tokens[] = {"0x10",  "-0x.8p1", "0x",   "0xg",   "0x-1", "1e-50", "-7e-46", "1e-40",       "1e",
                                  "1.e+2", ".5",      "-.25", "00012", "\r3",  "-0",    "1e-38x", "3.4028234e38"};
    for (const char* token : tokens) {
        const ObjMeshData parsed = parseOk(std::string("v ") + token + " 0 0\nv 0 0 0\nv 0 0 0\nf 1 2 3\n");
        const float expected = std::strtof(token, nullptr);
        ASSERT_EQ(parsed.vertices.size(), 9u) << token;
        EXPECT_EQ(std::memcmp(&parsed.vertices[0], &expected, sizeof(float)), 0) << token << ": " << parsed.vertices[0];
    }
}

TEST(ObjParse, MalformedInputIsRefusedWithTheLineAtFault) {
    const std::string base = "v 0 0 0\nv 1 0 0\nv 0 1 0\nvt 0 0\n";  // lines 1 to 4
    struct Case {
        std::string text;
        int line;
        const char* why;
    };
    const std::vector<Case> cases = {
        {base + "f 0 1 2\n", 5, "zero index"},
        {base + "f 1 -0 2\n", 5, "negative zero index"},
        {base + "f 1 2 -4\n", 5, "negative index before the first vertex"},
        {"f -1 -1 -1\nv 0 0 0\n", 1, "negative index before any vertex"},
        {base + "f 1/-2 2/1 3/1\n", 5, "negative texture index before the first one"},
        {base + "f 1 2 3\nf 1 2 4\nf 1 2 3\n", 6, "index past the positions"},
        {base + "f 1/1 2/1 3/2\n", 5, "texture index past the list"},
        {base + "f 99999999999 1 2\n", 5, "index beyond 32 bits"},
        {base + "f 1 2 -99999999999\n", 5, "negative index beyond 32 bits"},
        {base + "f 1 2 three\n", 5, "index that is not a number"},
        {base + "f 1 2 +-3\n", 5, "index with two signs"},
        {base + "f 1/x 2/1 3/1\n", 5, "texture index that is not a number"},
        {base + "f /1 2/1 3/1\n", 5, "corner without a position"},
        {base + "f 1/1 2 3/1\n", 5, "corners with and without texture"},
        {base + "f 1 2 3 4/1\n", 5, "a polygon's last corner textured"},
        {base + "f 1 2\n", 5, "two corners"},
        {base + "f\t1\t\t2 \n", 5, "two corners among blanks and tabs"},
        {base + "f\n", 5, "no corners"},
        {"v 0 0\n", 1, "two coordinates"},
        {"v 0\t 0\n", 1, "two coordinates among blanks and tabs"},
        {"v 0 0 0 red\n", 1, "a colour that is not a number"},
        {"v 0 0 0 1 inf 0\n", 1, "a colour that is not finite"},
        {"v 0 0 0\nvt 0.5\n", 2, "one texture coordinate"},
        {"v 0 0 0\nvt 0.5 0.5 w\n", 2, "a third texture number that is not a number"},
        {"v 0 x 0\n", 1, "coordinate that is not a number"},
        {"v 0 +-1 0\n", 1, "coordinate with two signs"},
        {"v nan 0 0\n", 1, "nan"},
        {"v 0 -inf 0\n", 1, "infinity"},
        {"v 0 0 1e39\n", 1, "beyond float range"},
        {"v 0 0 0\nl 1 x\n", 2, "line index that is not a number"},
        {"v 0 0 0\nl 1 2\n", 2, "line to a missing point"},
        {"v 0 0 0\nl 1 -2\n", 2, "line to a point before the first"},
        {"\xEF\xBB\xBFv 0 0\n", 1, "the first line after a byte-order mark"},
        {"v 0 0 0\n\xEF\xBB\xBFv 1 0 0\nv 0 1 0\nf 1 2 3\n", 4, "a byte-order mark inside the file"},
        {"v 0 0 0\r\nv 1 0 0\r\n\r\nf 1 2 3\r\n", 4, "index past the positions, CRLF lines"},
    };
    for (const Case& c : cases) {
        const std::string error = refusal(c.text);
        EXPECT_EQ(error.rfind("line " + std::to_string(c.line) + ": ", 0), 0u) << c.why << ": " << error;
    }
}

// Texture coordinates make a textured mesh, which draws textured faces only: a file whose faces
// all lack them once loaded as a mesh of 0 elements without a word. An exporter's file with runs
// of blanks in its faces did so.
TEST(ObjParse, TextureCoordinatesThatNoFaceUsesAreRefusedRatherThanDrawingNothing) {
    const std::string points = "v 1 2 3\nv 2 3 1\nv 3 1 2\nvt 1 2\n";
    EXPECT_EQ(refusal(points + "f 1 2 3\n"),
              "line 5: no face uses the file's 1 texture coordinates, so nothing would be drawn");
    EXPECT_EQ(refusal(points + "vt 0 0\n# exported\nf 1  2   3\nf 3 2 1\n"),
              "line 7: no face uses the file's 2 texture coordinates, so nothing would be drawn");
    EXPECT_EQ(refusal(points + "l 1 2 3\nf 1//1 2//1 3//1\n").rfind("line 5: no face uses", 0), 0u);
    // One textured face is drawn; a file with coordinates and no faces at all draws nothing by design.
    EXPECT_EQ(parseOk(points + "f 1 2 3\nf 1/1 2/1 3/1\n").elements.size(), 3u);
    EXPECT_EQ(parseOk(points).elements.size(), 0u);
}

// The offending text is quoted, but never more than a few dozen bytes of it and never a
// byte that would drive the terminal: a token can be megabytes long.
TEST(ObjParse, MessagesQuoteAtMostAFewDozenBytesOfTheFile) {
    const std::string digits(5000000, '1');
    const std::string triangle = "v 0 0 0\nv 1 0 0\nv 0 1 0\n";
    const std::string cases[] = {
        "v 0 0 " + digits + "\n",                     // beyond float range
        "v 0 0 " + std::string(5000000, 'x') + "\n",  // not a number
        triangle + "f 1 2 " + digits + "\n",          // index out of range
        triangle + "f 1 2 3/" + digits + "x/1\n",     // texture index out of range
        triangle + "f 1 2 /" + digits + "\n",         // corner without a position
        "v 0 0 a\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9"
        "\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\n",  // "a" and 21 "é"
    };
    for (const std::string& text : cases) {
        const std::string error = refusal(text);
        EXPECT_LT(error.size(), 100u) << error.substr(0, 200);
        EXPECT_NE(error.find("...\""), std::string::npos) << error.substr(0, 200);
        // Cut between characters: the quote ends in a whole UTF-8 sequence.
        const size_t ellipsis = error.find("...\"");
        EXPECT_NE(static_cast<unsigned char>(error[ellipsis - 1]), 0xC3u) << error;
    }
    const std::string shortToken = refusal("v 0 0 zero\n");
    EXPECT_EQ(shortToken, "line 1: \"zero\" is not a number");
    const std::string control = refusal("v 0 0 \x1B[2J\x07\n");
    EXPECT_EQ(control, "line 1: \"?[2J?\" is not a number");
}

// A stream that cannot tell its size, like a pipe.
struct UnseekableBuffer : std::streambuf {
    explicit UnseekableBuffer(std::string& text) { setg(text.data(), text.data(), text.data() + text.size()); }
};

TEST(ObjParse, StreamsWithAndWithoutASizeReadAsTheBytesInPlace) {
    // Three copies of a model, longer than one read of an unsized stream; faces of the later
    // copies name the first copy's vertices.
    std::string text = readText("Assets/flamingo.obj");
    text += text + text;
    ASSERT_GT(text.size(), 100000u);
    ObjMeshData inPlace;
    std::string error;
    ASSERT_TRUE(parseObj(std::string_view(text), inPlace, error)) << error;
    expectSameMesh(parseOk(text), inPlace, "string stream");
    UnseekableBuffer buffer(text);
    std::istream unsized(&buffer);
    ObjMeshData streamed;
    ASSERT_TRUE(parseObj(unsized, streamed, error)) << error;
    expectSameMesh(streamed, inPlace, "unsized stream");
}

TEST(ObjExporterForms, PolygonsAreFannedFromTheirFirstCornerInFileOrder) {
    const ObjMeshData pentagon = parseOk("v 0 0 0\nv 2 0 0\nv 3 1 0\nv 1 2 0\nv -1 1 0\nf 1 2 3 4 5\n");
    EXPECT_EQ(pentagon.kind, MeshTriangles);
    EXPECT_EQ(pentagon.elements, (std::vector<uint32_t>{0, 1, 2, 0, 2, 3, 0, 3, 4}));

    // A textured quad in one face reads as the same quad written as two triangles.
    const std::string quadVertices =
        "v -1 -1 0\nv 1 -1 0\nv 1 1 0\nv -1 1 0\nvt 0 0\nvt 1 0\nvt 1 1\nvt 0 1\nvn 0 0 1\n";
    const ObjMeshData quad = parseOk(quadVertices + "f 1/1/1 2/2/1 3/3/1 4/4/1\n");
    expectSameMesh(quad, parseOk(quadVertices + "f 1/1 2/2 3/3\nf 1/1 3/3 4/4\n"), "quad");
    EXPECT_EQ(quad.elements, (std::vector<uint32_t>{0, 1, 2, 0, 2, 3}));

    const ObjMeshData plainQuad = parseOk("v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nf 1//1 2//1 3//1 4//1\nf 4 3 2\n");
    EXPECT_EQ(plainQuad.elements, (std::vector<uint32_t>{0, 1, 2, 0, 2, 3, 3, 2, 1}));
}

TEST(ObjExporterForms, NegativeIndicesCountBackFromTheLatestEntry) {
    const std::string first = "v 0 0 0\nv 1 0 0\nv 0 1 0\nvt 0 0\nvt 1 0\nvt 0 1\n";
    const std::string second = "v 1 1 0\nvt 1 1\n";
    expectSameMesh(parseOk(first + "f -3/-3 -2/-2 -1/-1\n" + second + "f -4/-4 -2/-2 -1/-1\n"),
                   parseOk(first + "f 1/1 2/2 3/3\n" + second + "f 1/1 3/3 4/4\n"), "textured");
    // Without texture coordinates, so that the plain faces and lines are what is drawn.
    const std::string firstPlain = "v 0 0 0\nv 1 0 0\nv 0 1 0\n";
    const std::string secondPlain = "v 1 1 0\n";
    const ObjMeshData plain = parseOk(firstPlain + "f 1 2 3\n" + secondPlain + "f 1 4 2\n");
    EXPECT_EQ(plain.elements, (std::vector<uint32_t>{0, 1, 2, 0, 3, 1}));
    expectSameMesh(parseOk(firstPlain + "f -3 -2 -1\n" + secondPlain + "f 1 -1 2\n"), plain,
                   "plain, mixed with positive indices");
    const ObjMeshData polyline = parseOk(firstPlain + "l 1 3\n" + secondPlain + "l 4 1\n");
    EXPECT_EQ(polyline.elements, (std::vector<uint32_t>{0, 2, 3, 0}));
    expectSameMesh(parseOk(firstPlain + "l -3 -1\n" + secondPlain + "l -1 -4\n"), polyline, "polyline");
}

TEST(ObjExporterForms, NumbersAfterXyzAndAfterUvAreReadAndDropped) {
    const std::string faces = "f 1/1 2/2 3/3\n";
    const ObjMeshData plain = parseOk("v 0 0 0\nv 1 0 0\nv 0 1 0\nvt 0 0\nvt 1 0\nvt 0 1\n" + faces);
    // Vertex colours (r g b), a w, and a third texture coordinate as exporters write them.
    expectSameMesh(parseOk("v 0 0 0 1 0.5 0\nv 1 0 0 0.25 1 1\nv 0 1 0 1\nvt 0 0 0\nvt 1 0 0.5\nvt 0 1\n" + faces),
                   plain, "colours and w");
}

TEST(ObjExporterForms, RunsOfBlanksAndTabsSeparateTokens) {
    const ObjMeshData single = parseOk("v 0 0 0\nv 1 0 0\nv 0 1 0\nvt 0 0\nf 1/1 2/1 3/1\nl 1 2\n");
    expectSameMesh(parseOk("v\t0  0\t\t0\nv   1 0 0 \t\nv 0\t1 0\t\nvt\t 0 \t0\nf  1/1\t2/1   3/1  \nl\t1\t2\n"),
                   single, "blanks and tabs");
    // A line that starts with a blank or a tab is not read, as before.
    expectSameMesh(parseOk("v 0 0 0\nv 1 0 0\nv 0 1 0\nvt 0 0\n f 7 8 9\n\tv 1\nf 1/1 2/1 3/1\nl 1 2\n"), single,
                   "indented lines");
}

TEST(ObjExporterForms, AByteOrderMarkBeforeTheFirstLineIsSkipped) {
    // Without the skip the first "v" line is an unknown keyword and every index shifts by one.
    const std::string text = "v 5 5 5\nv 0 0 0\nv 1 0 0\nv 0 1 0\nf 2 3 4\n";
    const ObjMeshData marked = parseOk("\xEF\xBB\xBF" + text);
    expectSameMesh(marked, parseOk(text), "byte-order mark");
    EXPECT_EQ(marked.vertices.size(), 12u);
}

// The de-duplication rule as first written: every corner scans all earlier corners, and a
// repeated corner scans the vertex list for the first vertex with equal floats.
ObjMeshData quadraticReference(const std::vector<float>& positions, const std::vector<float>& texCoords,
                               const std::vector<std::pair<int, int>>& corners) {
    ObjMeshData mesh;
    mesh.kind = MeshTexturedTriangles;
    for (size_t i = 0; i < corners.size(); ++i) {
        const auto [p, t] = corners[i];
        const float values[5] = {positions[3 * p], positions[3 * p + 1], positions[3 * p + 2], texCoords[2 * t],
                                 texCoords[2 * t + 1]};
        bool repeated = false;
        for (size_t j = i; j-- > 0;) {
            if (corners[j] == corners[i]) {
                repeated = true;
                break;
            }
        }
        if (!repeated) {
            mesh.vertices.insert(mesh.vertices.end(), values, values + 5);
            mesh.elements.push_back(static_cast<uint32_t>(mesh.vertices.size() / 5 - 1));
            continue;
        }
        for (size_t v = 0; v < mesh.vertices.size() / 5; ++v) {
            bool equal = true;
            for (int k = 0; k < 5; ++k) {
                equal = equal && mesh.vertices[v * 5 + k] == values[k];
            }
            if (equal) {
                mesh.elements.push_back(static_cast<uint32_t>(v));
                break;
            }
        }
    }
    return mesh;
}

TEST(ObjParse, HashedDeduplicationMatchesTheQuadraticRuleOnGeneratedMeshes) {
    // Few distinct values, signed zeros and repeated coordinates under different indices make
    // repeated pairs resolve to vertices of other pairs.
    const float coordinates[] = {0.0f, -0.0f, 1.0f, 0.5f, -2.25f, 1e-3f};
    for (unsigned seed = 1; seed <= 12; ++seed) {
        std::mt19937 random(seed);
        const int positionCount = 4 + static_cast<int>(random() % 40);
        const int texCoordCount = 2 + static_cast<int>(random() % 20);
        const int faceCount = 1 + static_cast<int>(random() % 400);
        const size_t spread = seed % 3 == 0 ? 2 : 6;  // some meshes with almost every vertex alike
        std::vector<float> positions;
        std::vector<float> texCoords;
        std::vector<std::pair<int, int>> corners;
        std::string text;
        char line[128];
        for (int i = 0; i < positionCount * 3; ++i) {
            positions.push_back(coordinates[random() % spread]);
        }
        for (int i = 0; i < texCoordCount * 2; ++i) {
            texCoords.push_back(coordinates[random() % spread]);
        }
        for (int i = 0; i < positionCount; ++i) {
            std::snprintf(line, sizeof(line), "v %.9g %.9g %.9g\n", positions[3 * i], positions[3 * i + 1],
                          positions[3 * i + 2]);
            text += line;
        }
        for (int i = 0; i < texCoordCount; ++i) {
            std::snprintf(line, sizeof(line), "vt %.9g %.9g\n", texCoords[2 * i], texCoords[2 * i + 1]);
            text += line;
        }
        for (int f = 0; f < faceCount; ++f) {
            text += "f";
            for (int k = 0; k < 3; ++k) {
                const int p = static_cast<int>(random() % static_cast<unsigned>(positionCount));
                const int t = static_cast<int>(random() % static_cast<unsigned>(texCoordCount));
                corners.emplace_back(p, t);
                text += " " + std::to_string(p + 1) + "/" + std::to_string(t + 1) + "/1";
            }
            text += "\n";
        }
        const ObjMeshData expected = quadraticReference(positions, texCoords, corners);
        const ObjMeshData actual = parseOk(text);
        EXPECT_EQ(actual.elements, expected.elements) << "seed " << seed;
        ASSERT_EQ(actual.vertices.size(), expected.vertices.size()) << "seed " << seed;
        EXPECT_EQ(std::memcmp(actual.vertices.data(), expected.vertices.data(), actual.vertices.size() * sizeof(float)),
                  0)
            << "seed " << seed;
    }
}

// The show's models as the first parser read them: tokens between single blanks, exactly
// three corners a face, strtof and strtol on each token, then the quadratic rule above.
ObjMeshData referenceParse(const std::string& text) {
    std::vector<float> positions;
    std::vector<float> texCoords;
    std::vector<uint32_t> plain;
    std::vector<std::pair<int, int>> corners;
    MeshKind kind = MeshNone;
    const auto index = [](const std::string& token) {
        return static_cast<int>(std::strtol(token.c_str(), nullptr, 10)) - 1;
    };
    std::istringstream in(text);
    while (in.good()) {
        const std::string line = readTextLine(in);
        if (line.empty() || line[0] == '#') {
            continue;
        }
        const Strings tokens = splitString(line, ' ');
        if (tokens[0] == "v" || tokens[0] == "vt") {
            EXPECT_EQ(tokens.size(), tokens[0] == "v" ? 4u : 3u) << line;
            for (size_t i = 1; i < tokens.size(); ++i) {
                (tokens[0] == "v" ? positions : texCoords).push_back(std::strtof(tokens[i].c_str(), nullptr));
            }
        } else if (tokens[0] == "l") {
            kind = MeshLines;
            for (size_t i = 1; i + 1 < tokens.size(); ++i) {
                plain.push_back(static_cast<uint32_t>(index(tokens[i])));
                plain.push_back(static_cast<uint32_t>(index(tokens[i + 1])));
            }
        } else if (tokens[0] == "f") {
            kind = MeshTriangles;
            EXPECT_EQ(tokens.size(), 4u) << line;
            for (size_t i = 1; i < tokens.size(); ++i) {
                const Strings parts = splitString(tokens[i], '/');
                if (parts.size() < 2 || parts[1].empty()) {
                    plain.push_back(static_cast<uint32_t>(index(parts[0])));
                } else {
                    corners.emplace_back(index(parts[0]), index(parts[1]));
                }
            }
        }
    }
    if (!texCoords.empty()) {
        return quadraticReference(positions, texCoords, corners);
    }
    ObjMeshData mesh;
    mesh.kind = kind;
    if (kind != MeshNone) {
        mesh.vertices = positions;
        mesh.elements = plain;
    }
    return mesh;
}

// A model written the ways other exporters write it: a byte-order mark, CRLF lines, tabs and
// runs of blanks, vertex colours and a third texture number, indices counted back from the
// latest entry. Lines other than "v", "vt" and "f" are kept as they are.
std::string respell(const std::string& text) {
    std::string out = "\xEF\xBB\xBF";
    int positionCount = 0;
    int texCoordCount = 0;
    std::istringstream in(text);
    while (in.good()) {
        const std::string line = readTextLine(in);
        const Strings tokens = splitString(line, ' ');
        if (tokens.empty() || (tokens[0] != "v" && tokens[0] != "vt" && tokens[0] != "f")) {
            out += line + "\r\n";
            continue;
        }
        out += tokens[0];
        for (size_t i = 1; i < tokens.size(); ++i) {
            out += i % 2 == 0 ? " \t " : "  ";
            if (tokens[0] != "f") {
                out += tokens[i];
                continue;
            }
            const Strings parts = splitString(tokens[i], '/');
            out += std::to_string(std::stoi(parts[0]) - positionCount - 1);
            if (parts.size() > 1) {
                out += "/" + (parts[1].empty() ? "" : std::to_string(std::stoi(parts[1]) - texCoordCount - 1));
            }
            if (parts.size() > 2) {
                out += "/" + parts[2];
            }
        }
        positionCount += tokens[0] == "v" ? 1 : 0;
        texCoordCount += tokens[0] == "vt" ? 1 : 0;
        out += tokens[0] == "v" ? " 0.5 0.25 1\t\r\n" : tokens[0] == "vt" ? " 0\r\n" : "\r\n";
    }
    return out;
}

// The show's own models, as the build generates them.
const char* const SHOW_MESHES[] = {"Assets/flamingo.obj", "Assets/windsurf.obj", "Assets/plane.obj"};

TEST(ObjShowMeshes, ReadExactlyAsTheFirstParserReadThemInEverySpelling) {
    for (const char* path : SHOW_MESHES) {
        const std::string text = readText(path);
        ASSERT_GT(text.size(), 1000u) << path;
        const ObjMeshData expected = referenceParse(text);
        ASSERT_NE(expected.kind, MeshNone) << path;
        expectSameMesh(parseOk(text), expected, path);
        const std::string respelled = respell(text);
        ASSERT_NE(respelled.find("\nf  -"), std::string::npos) << path;
        expectSameMesh(parseOk(respelled), expected, std::string(path) + ", respelled");
    }
}

}  // namespace

TEST(ObjWireframe, TriangleEdgesListEveryTriangleOutlineAsLinePairs) {
    const ObjMeshData quad = parseOk("v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nf 1 2 3\nf 1 3 4\n");
    ASSERT_EQ(quad.elements.size(), 6u);
    const std::vector<uint32_t> edges = triangleEdges(quad.elements);
    const std::vector<uint32_t> e = quad.elements;
    // The shared diagonal comes twice, once from each triangle, as the outlines of both draw it.
    EXPECT_EQ(edges, (std::vector<uint32_t>{e[0], e[1], e[1], e[2], e[2], e[0], e[3], e[4], e[4], e[5], e[5], e[3]}));
    EXPECT_TRUE(triangleEdges({}).empty());
    EXPECT_EQ(triangleEdges({7, 8, 9, 1, 2}), (std::vector<uint32_t>{7, 8, 8, 9, 9, 7}))
        << "a partial triangle draws nothing";
}
