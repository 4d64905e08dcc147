#pragma once
#include "base/MathTypes.h"

// The 3D camera the engine owns; angles in degrees.
struct Camera {
    Mat4 view;
    Mat4 projection;
    Vec3 basePosition{0.0f, 0.0f, 3.0f};
    Vec3 position{0.0f, 0.0f, 3.0f};
    Vec3 front{0.0f, 0.0f, -1.0f};
    Vec3 up{0.0f, 1.0f, 0.0f};
    float yaw = -90.0f;
    float pitch = 0.0f;
    float zoom = 45.0f;
    float farPlane = 100.0f;
    // Not read: every perspective of the show is built with the literal near plane 0.1.
    float nearPlane = 0.1f;

    Camera();
    void updateVectors();
    void setPosition(Vec3 p);
    // Perspective from zoom and farPlane for a viewport of the given aspect.
    void updateProjection(float aspect);
};
