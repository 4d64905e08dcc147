#include "MeshBuilder.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

Vec3 operator+(Vec3 a, Vec3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
Vec3 operator-(Vec3 a, Vec3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
Vec3 operator*(Vec3 a, float k) { return {a.x * k, a.y * k, a.z * k}; }
Vec3 cross(Vec3 a, Vec3 b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
float dot(Vec3 a, Vec3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

Vec3 normalised(Vec3 v) {
    const float length = std::sqrt(dot(v, v));
    return length > 0.0f ? v * (1.0f / length) : v;
}

int Mesh::add(const Vertex& vertex) {
    vertices.push_back(vertex);
    return static_cast<int>(vertices.size()) - 1;
}

void Mesh::triangle(int a, int b, int c) {
    corners.push_back(a);
    corners.push_back(b);
    corners.push_back(c);
}

namespace {

constexpr float TWO_PI = 6.2831853f;

// OBJ v of a position `along` (0..1) down the band; rows stay a pixel inside so filtering never bleeds.
float bandV(const Band& band, float along) {
    const float row = static_cast<float>(band.top) + 1.5f + along * static_cast<float>(band.rows - 3);
    return 1.0f - row / static_cast<float>(band.imageSize);
}

Vec3 tangentAt(const std::vector<Ring>& rings, size_t i) {
    const Vec3 a = rings[i == 0 ? 0 : i - 1].centre;
    const Vec3 b = rings[i + 1 < rings.size() ? i + 1 : i].centre;
    return normalised(b - a);
}

}  // namespace

void addTube(Mesh& mesh, const std::vector<Ring>& rings, const Band& band, const TubeOptions& options) {
    const int around = options.around;
    const size_t count = rings.size();
    // Frames carried along the tube: `up` stays as close to the hint as the tube's direction allows.
    std::vector<Vec3> ups(count), sides(count);
    bool mirrored = false;
    for (size_t i = 0; i < count; ++i) {
        const Vec3 t = tangentAt(rings, i);
        Vec3 hint = i == 0 ? options.upHint : ups[i - 1];
        if (std::fabs(dot(hint, t)) > 0.95f) {
            hint = std::fabs(t.y) < 0.9f ? Vec3{0, 1, 0} : Vec3{-1, 0, 0};
        }
        ups[i] = normalised(hint - t * dot(hint, t));
        sides[i] = cross(t, ups[i]);
        // u = 0.25 must face the viewer (+z): choose the turning sense from the first ring.
        if (i == 0) {
            mirrored = sides[0].z < 0.0f;
        }
        if (mirrored) {
            sides[i] = sides[i] * -1.0f;
        }
    }
    std::vector<int> index(count * static_cast<size_t>(around + 1));
    for (size_t i = 0; i < count; ++i) {
        const float along = count > 1 ? static_cast<float>(i) / static_cast<float>(count - 1) : 0.0f;
        for (int j = 0; j <= around; ++j) {
            const float turn = static_cast<float>(j) / static_cast<float>(around);
            const float c = std::cos(turn * TWO_PI), s = std::sin(turn * TWO_PI);
            const Vec3 offset = ups[i] * (c * rings[i].up) + sides[i] * (s * rings[i].side);
            const Vec3 normal = normalised(ups[i] * (c / std::max(rings[i].up, 1e-4f)) +
                                           sides[i] * (s / std::max(rings[i].side, 1e-4f)));
            index[i * static_cast<size_t>(around + 1) + static_cast<size_t>(j)] =
                mesh.add({rings[i].centre + offset, turn, bandV(band, along), normal});
        }
    }
    auto at = [&](size_t i, int j) { return index[i * static_cast<size_t>(around + 1) + static_cast<size_t>(j)]; };
    // Counter-clockwise from outside; a mirrored frame turns the other way round.
    auto face = [&](int a, int b, int c) {
        if (mirrored) {
            mesh.triangle(a, c, b);
        } else {
            mesh.triangle(a, b, c);
        }
    };
    auto cap = [&](size_t i, bool start) {
        const float along = start ? 0.0f : 1.0f;
        const Vec3 t = tangentAt(rings, i) * (start ? -1.0f : 1.0f);
        const int centre = mesh.add({rings[i].centre, 0.5f, bandV(band, along), t});
        for (int j = 0; j < around; ++j) {
            if (start) {
                face(centre, at(i, j + 1), at(i, j));
            } else {
                face(centre, at(i, j), at(i, j + 1));
            }
        }
    };
    if (options.capStart) {
        cap(0, true);
    }
    for (size_t i = 0; i + 1 < count; ++i) {
        for (int j = 0; j < around; ++j) {
            face(at(i, j), at(i, j + 1), at(i + 1, j));
            face(at(i, j + 1), at(i + 1, j + 1), at(i + 1, j));
        }
    }
    if (options.capEnd) {
        cap(count - 1, false);
    }
}

void addGrid(Mesh& mesh, int cols, int rows, const std::function<GridPoint(float, float)>& at, bool doubleSided) {
    std::vector<int> front, back;
    for (int r = 0; r <= rows; ++r) {
        for (int c = 0; c <= cols; ++c) {
            const GridPoint p =
                at(static_cast<float>(c) / static_cast<float>(cols), static_cast<float>(r) / static_cast<float>(rows));
            front.push_back(mesh.add({p.position, p.u, p.v, p.normal}));
            if (doubleSided) {
                back.push_back(mesh.add({p.position, p.u, p.v, p.normal * -1.0f}));
            }
        }
    }
    auto id = [cols](int r, int c) { return static_cast<size_t>(r * (cols + 1) + c); };
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < cols; ++c) {
            mesh.triangle(front[id(r, c)], front[id(r, c + 1)], front[id(r + 1, c)]);
            mesh.triangle(front[id(r, c + 1)], front[id(r + 1, c + 1)], front[id(r + 1, c)]);
            if (doubleSided) {
                mesh.triangle(back[id(r, c)], back[id(r + 1, c)], back[id(r, c + 1)]);
                mesh.triangle(back[id(r, c + 1)], back[id(r + 1, c)], back[id(r + 1, c + 1)]);
            }
        }
    }
}

std::vector<Ring> smoothRings(const std::vector<Ring>& controls, int perSpan) {
    std::vector<Ring> out;
    auto catmull = [](float p0, float p1, float p2, float p3, float t) {
        return 0.5f * (2.0f * p1 + (p2 - p0) * t + (2.0f * p0 - 5.0f * p1 + 4.0f * p2 - p3) * t * t +
                       (3.0f * p1 - p0 - 3.0f * p2 + p3) * t * t * t);
    };
    const size_t n = controls.size();
    for (size_t i = 0; i + 1 < n; ++i) {
        const Ring& a = controls[i == 0 ? 0 : i - 1];
        const Ring& b = controls[i];
        const Ring& c = controls[i + 1];
        const Ring& d = controls[i + 2 < n ? i + 2 : n - 1];
        for (int k = 0; k < perSpan; ++k) {
            const float t = static_cast<float>(k) / static_cast<float>(perSpan);
            out.push_back({{catmull(a.centre.x, b.centre.x, c.centre.x, d.centre.x, t),
                            catmull(a.centre.y, b.centre.y, c.centre.y, d.centre.y, t),
                            catmull(a.centre.z, b.centre.z, c.centre.z, d.centre.z, t)},
                           b.up + (c.up - b.up) * t,
                           b.side + (c.side - b.side) * t});
        }
    }
    out.push_back(controls.back());
    return out;
}

bool writeObj(const Mesh& mesh, const std::string& path) {
    FILE* file = std::fopen(path.c_str(), "w");
    if (file == nullptr) {
        return false;
    }
    for (const Vertex& v : mesh.vertices) {
        std::fprintf(file, "v %.5f %.5f %.5f\n", v.position.x, v.position.y, v.position.z);
    }
    if (mesh.textured) {
        for (const Vertex& v : mesh.vertices) {
            std::fprintf(file, "vt %.5f %.5f\n", v.u, v.v);
        }
    }
    for (const Vertex& v : mesh.vertices) {
        std::fprintf(file, "vn %.4f %.4f %.4f\n", v.normal.x, v.normal.y, v.normal.z);
    }
    for (size_t i = 0; i + 2 < mesh.corners.size(); i += 3) {
        const int a = mesh.corners[i] + 1, b = mesh.corners[i + 1] + 1, c = mesh.corners[i + 2] + 1;
        if (mesh.textured) {
            std::fprintf(file, "f %d/%d/%d %d/%d/%d %d/%d/%d\n", a, a, a, b, b, b, c, c, c);
        } else {
            std::fprintf(file, "f %d//%d %d//%d %d//%d\n", a, a, b, b, c, c);
        }
    }
    return std::fclose(file) == 0;
}
