#include "base/MathTypes.h"

#include <cmath>

float sinF(float x) { return static_cast<float>(std::sin(static_cast<double>(x))); }
float cosF(float x) { return static_cast<float>(std::cos(static_cast<double>(x))); }
float tanF(float x) { return static_cast<float>(std::tan(static_cast<double>(x))); }

Vec3 normalize(Vec3 v) {
    float inv = 1.0f / static_cast<float>(std::sqrt(static_cast<double>(v.x * v.x + v.y * v.y + v.z * v.z)));
    return v * inv;
}

namespace {

Vec4 column(const Mat4& m, int c) { return {m.at(c, 0), m.at(c, 1), m.at(c, 2), m.at(c, 3)}; }

void setColumn(Mat4& m, int c, Vec4 v) {
    m.at(c, 0) = v.x;
    m.at(c, 1) = v.y;
    m.at(c, 2) = v.z;
    m.at(c, 3) = v.w;
}

Vec4 scaled(Vec4 v, float s) { return {v.x * s, v.y * s, v.z * s, v.w * s}; }
Vec4 sum(Vec4 a, Vec4 b) { return {a.x + b.x, a.y + b.y, a.z + b.z, a.w + b.w}; }

}  // namespace

Mat4 translate(const Mat4& m, Vec3 v) {
    Mat4 r = m;
    Vec4 c =
        sum(sum(scaled(column(m, 0), v.x), scaled(column(m, 1), v.y)), sum(scaled(column(m, 2), v.z), column(m, 3)));
    setColumn(r, 3, c);
    return r;
}

Mat4 scale(const Mat4& m, Vec3 v) {
    Mat4 r = m;
    setColumn(r, 0, scaled(column(m, 0), v.x));
    setColumn(r, 1, scaled(column(m, 1), v.y));
    setColumn(r, 2, scaled(column(m, 2), v.z));
    return r;
}

Mat4 multiply(const Mat4& a, const Mat4& b) {
    Mat4 r;
    for (int j = 0; j < 4; ++j) {
        Vec4 bj = column(b, j);
        Vec4 c = sum(sum(scaled(column(a, 0), bj.x), scaled(column(a, 1), bj.y)),
                     sum(scaled(column(a, 2), bj.z), scaled(column(a, 3), bj.w)));
        setColumn(r, j, c);
    }
    return r;
}

Mat4 rotate(const Mat4& m, float angle, Vec3 axis) {
    float c = cosF(angle);
    float s = sinF(angle);
    Vec3 a = normalize(axis);
    Vec3 t = a * (1.0f - c);
    float rot[3][3] = {
        {c + t.x * a.x, t.x * a.y + s * a.z, t.x * a.z - s * a.y},
        {t.y * a.x - s * a.z, c + t.y * a.y, t.y * a.z + s * a.x},
        {t.z * a.x + s * a.y, t.z * a.y - s * a.x, c + t.z * a.z},
    };
    Mat4 r;
    for (int i = 0; i < 3; ++i) {
        Vec4 col =
            sum(sum(scaled(column(m, 0), rot[i][0]), scaled(column(m, 1), rot[i][1])), scaled(column(m, 2), rot[i][2]));
        setColumn(r, i, col);
    }
    setColumn(r, 3, column(m, 3));
    return r;
}

Mat4 mat4FromQuat(Quat q) {
    Mat4 r(1.0f);
    r.at(0, 0) = 1.0f - 2.0f * (q.y * q.y + q.z * q.z);
    r.at(0, 1) = 2.0f * (q.x * q.y + q.w * q.z);
    r.at(0, 2) = 2.0f * (q.x * q.z - q.w * q.y);
    r.at(1, 0) = 2.0f * (q.x * q.y - q.w * q.z);
    r.at(1, 1) = 1.0f - 2.0f * (q.x * q.x + q.z * q.z);
    r.at(1, 2) = 2.0f * (q.y * q.z + q.w * q.x);
    r.at(2, 0) = 2.0f * (q.x * q.z + q.w * q.y);
    r.at(2, 1) = 2.0f * (q.y * q.z - q.w * q.x);
    r.at(2, 2) = 1.0f - 2.0f * (q.x * q.x + q.y * q.y);
    return r;
}

Quat quatFromEuler(Vec3 e) {
    float cx = cosF(e.x * 0.5f), sx = sinF(e.x * 0.5f);
    float cy = cosF(e.y * 0.5f), sy = sinF(e.y * 0.5f);
    float cz = cosF(e.z * 0.5f), sz = sinF(e.z * 0.5f);
    return {
        sx * cy * cz - cx * sy * sz,
        cx * sy * cz + sx * cy * sz,
        cx * cy * sz - sx * sy * cz,
        cx * cy * cz + sx * sy * sz,
    };
}

Mat4 lookAt(Vec3 eye, Vec3 center, Vec3 up) {
    Vec3 f = normalize(center - eye);
    Vec3 s = normalize(cross(f, up));
    Vec3 u = cross(s, f);
    Mat4 r(1.0f);
    r.at(0, 0) = s.x;
    r.at(1, 0) = s.y;
    r.at(2, 0) = s.z;
    r.at(0, 1) = u.x;
    r.at(1, 1) = u.y;
    r.at(2, 1) = u.z;
    r.at(0, 2) = -f.x;
    r.at(1, 2) = -f.y;
    r.at(2, 2) = -f.z;
    r.at(3, 0) = -dot(s, eye);
    r.at(3, 1) = -dot(u, eye);
    r.at(3, 2) = dot(f, eye);
    return r;
}

Mat4 perspective(float fovy, float aspect, float n, float f) {
    float t = tanF(fovy / 2.0f);
    Mat4 r;
    r.at(0, 0) = 1.0f / (aspect * t);
    r.at(1, 1) = 1.0f / t;
    r.at(2, 2) = -(f + n) / (f - n);
    r.at(2, 3) = -1.0f;
    r.at(3, 2) = -(2.0f * f * n) / (f - n);
    return r;
}

Mat4 ortho(float l, float r, float b, float t, float n, float f) {
    Mat4 m(1.0f);
    m.at(0, 0) = 2.0f / (r - l);
    m.at(1, 1) = 2.0f / (t - b);
    m.at(2, 2) = -2.0f / (f - n);
    m.at(3, 0) = -(r + l) / (r - l);
    m.at(3, 1) = -(t + b) / (t - b);
    m.at(3, 2) = -(f + n) / (f - n);
    return m;
}
