// Building blocks for the OBJ models: swept tubes, double-sided sheets and the OBJ writer.
#pragma once

#include <functional>
#include <string>
#include <vector>

struct Vec3 {
    float x = 0.0f, y = 0.0f, z = 0.0f;
};

Vec3 operator+(Vec3 a, Vec3 b);
Vec3 operator-(Vec3 a, Vec3 b);
Vec3 operator*(Vec3 a, float k);
Vec3 cross(Vec3 a, Vec3 b);
float dot(Vec3 a, Vec3 b);
Vec3 normalised(Vec3 v);

struct Vertex {
    Vec3 position;
    float u = 0.0f, v = 0.0f;  // OBJ convention: v = 0 is the image's bottom row
    Vec3 normal;
};

struct Mesh {
    std::vector<Vertex> vertices;
    std::vector<int> corners;  // three per triangle, 0-based, counter-clockwise seen from outside
    bool textured = true;

    int add(const Vertex& vertex);
    void triangle(int a, int b, int c);
    int triangleCount() const { return static_cast<int>(corners.size() / 3); }
};

// Where a part samples its texture: a band of rows in an image of the given size.
struct Band {
    int imageSize;
    int top;   // first pixel row of the band
    int rows;  // number of rows
};

// One ring of a tube: centre and the half-sizes of its elliptic section, across (`up`) and sideways (`side`).
struct Ring {
    Vec3 centre;
    float up;
    float side;
};

struct TubeOptions {
    int around = 6;
    bool capStart = false;
    bool capEnd = false;
    Vec3 upHint{0.0f, 1.0f, 0.0f};  // the rings' "up" direction, kept perpendicular to the tube
};

// Sweeps rings along their centres. u runs around (0 on the up side, 0.25 on the side facing +z),
// the band's rows run from the first ring to the last. Faces are emitted ring by ring from the start.
void addTube(Mesh& mesh, const std::vector<Ring>& rings, const Band& band, const TubeOptions& options);

// A rectangular grid of (cols + 1) x (rows + 1) vertices from `at(s, t)` with s, t in 0..1, faces emitted row by row.
// Seen from the side the normal points to, (s, t) must turn counter-clockwise (s right, t up).
// Double-sided grids get a second, reversed copy of every face for the back.
struct GridPoint {
    Vec3 position;
    float u, v;
    Vec3 normal;
};
void addGrid(Mesh& mesh, int cols, int rows, const std::function<GridPoint(float s, float t)>& at, bool doubleSided);

// Catmull-Rom interpolation of control rings, `perSpan` steps per span.
std::vector<Ring> smoothRings(const std::vector<Ring>& controls, int perSpan);

bool writeObj(const Mesh& mesh, const std::string& path);
