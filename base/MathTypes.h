#pragma once
// Single-precision value types and the matrix builders behind every draw.
// Matrices are column-major and go to OpenGL untransposed.

struct Vec2 {
    float x, y;
};

struct Vec3 {
    float x, y, z;
};

struct Vec4 {
    float x, y, z, w;
};

// w is the scalar part.
struct Quat {
    float x, y, z, w;
};

struct Mat4 {
    float m[16];  // element (column c, row r) is m[c * 4 + r]

    Mat4() : m{} {}
    explicit Mat4(float s) : m{} { m[0] = m[5] = m[10] = m[15] = s; }

    float& at(int column, int row) { return m[column * 4 + row]; }
    float at(int column, int row) const { return m[column * 4 + row]; }
};

constexpr float DEG_TO_RAD = 0.017453292f;

inline float radians(float degrees) { return degrees * DEG_TO_RAD; }

// Trigonometry is evaluated in double precision and rounded back to float.
float sinF(float x);
float cosF(float x);
float tanF(float x);

inline Vec3 operator+(Vec3 a, Vec3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline Vec3 operator-(Vec3 a, Vec3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline Vec3 operator*(Vec3 a, float s) { return {a.x * s, a.y * s, a.z * s}; }
inline float dot(Vec3 a, Vec3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline Vec3 cross(Vec3 a, Vec3 b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
Vec3 normalize(Vec3 v);

Mat4 translate(const Mat4& m, Vec3 v);
Mat4 rotate(const Mat4& m, float angleRadians, Vec3 axis);
Mat4 scale(const Mat4& m, Vec3 v);
Mat4 multiply(const Mat4& a, const Mat4& b);
Mat4 mat4FromQuat(Quat q);
Quat quatFromEuler(Vec3 anglesRadians);
Mat4 lookAt(Vec3 eye, Vec3 center, Vec3 up);
Mat4 perspective(float fovyRadians, float aspect, float nearPlane, float farPlane);
Mat4 ortho(float left, float right, float bottom, float top, float nearPlane, float farPlane);
