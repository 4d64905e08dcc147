#include "engine/Camera.h"

#include "engine/Engine.h"

Camera::Camera() {
    updateProjection(static_cast<float>(SCREEN_WIDTH) / static_cast<float>(SCREEN_HEIGHT));
    view = lookAt(position, position + front, up);
}

void Camera::updateVectors() {
    float yawRad = radians(yaw);
    float pitchRad = radians(pitch);
    front = normalize({cosF(yawRad) * cosF(pitchRad), sinF(pitchRad), sinF(yawRad) * cosF(pitchRad)});
    view = lookAt(position, position + front, up);
}

void Camera::setPosition(Vec3 p) {
    position = p;
    view = lookAt(position, position + front, up);
}

void Camera::updateProjection(float aspect) {
    // Every perspective of the show uses the literal near plane 0.1.
    projection = perspective(radians(zoom), aspect, 0.1f, farPlane);
}
