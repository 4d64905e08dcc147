#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <random>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "resources/ObjMesh.h"
#include "resources_console_capture.h"

namespace {

using Strings = std::vector<std::string>;

ObjMeshData parseOk(const std::string& text) {
    std::istringstream in(text);
    ObjMeshData mesh;
    std::string error;
    EXPECT_TRUE(parseObj(in, mesh, error)) << error << "\nfor:\n" << text;
    return mesh;
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
    char path[] = "/tmp/objtextXXXXXX";
    const int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    const std::string content = "first\r\nsecond\n\nlast";
    ASSERT_EQ(write(fd, content.data(), content.size()), static_cast<ssize_t>(content.size()));
    close(fd);

    TextFile file(path, "r");
    ASSERT_TRUE(file.isOpen());
    Strings lines;
    while (!file.endOfFile()) {
        lines.push_back(file.readLine());
    }
    EXPECT_EQ(lines, (Strings{"first", "second", "", "last"}));
    std::remove(path);

    ConsoleCapture capture(false);
    TextFile missing("/nonexistent/mesh.obj", "r");
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
    const ObjMeshData mesh = parseOk("v 1.5abc +2 -3e1\nv 0 0 0\nv 0 0 0\nf 1.9 2x 3\n");
    EXPECT_EQ(mesh.vertices[0], 1.5f);
    EXPECT_EQ(mesh.vertices[1], 2.0f);
    EXPECT_EQ(mesh.vertices[2], -30.0f);
    EXPECT_EQ(mesh.elements, (std::vector<uint32_t>{0, 1, 2}));
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
        {base + "f 1 -2 3\n", 5, "negative index"},
        {base + "f 1 2 3\nf 1 2 4\nf 1 2 3\n", 6, "index past the positions"},
        {base + "f 1/1 2/1 3/2\n", 5, "texture index past the list"},
        {base + "f 99999999999 1 2\n", 5, "index beyond 32 bits"},
        {base + "f 1 2 three\n", 5, "index that is not a number"},
        {base + "f 1/1 2 3/1\n", 5, "corners with and without texture"},
        {base + "f 1 2 3 1\n", 5, "four corners"},
        {base + "f 1 2\n", 5, "two corners"},
        {base + "f 1 2  3\n", 5, "empty corner"},
        {"v 0 0\n", 1, "two coordinates"},
        {"v 0 0 0 1\n", 1, "four coordinates"},
        {"v 0 0 0\nvt 0.5\n", 2, "one texture coordinate"},
        {"v 0 x 0\n", 1, "coordinate that is not a number"},
        {"v 0  0 0\n", 1, "empty token between two blanks"},
        {"v nan 0 0\n", 1, "nan"},
        {"v 0 -inf 0\n", 1, "infinity"},
        {"v 0 0 1e39\n", 1, "beyond float range"},
        {"v 0 0 0\nl 1 x\n", 2, "line index that is not a number"},
        {"v 0 0 0\nl 1 2\n", 2, "line to a missing point"},
    };
    for (const Case& c : cases) {
        std::istringstream in(c.text);
        ObjMeshData mesh;
        std::string error;
        EXPECT_FALSE(parseObj(in, mesh, error)) << c.why;
        EXPECT_EQ(error.rfind("line " + std::to_string(c.line) + ": ", 0), 0u) << c.why << ": " << error;
        EXPECT_TRUE(mesh.vertices.empty() && mesh.elements.empty()) << c.why;
    }
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
