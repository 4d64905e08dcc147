#pragma once
#include <cstdint>
#include <string>

#include "base/MathTypes.h"

// A 3D object of the show that draws itself.
class Entity3D {
public:
    Entity3D();
    virtual ~Entity3D() = default;
    virtual void draw();

    void setRotation(Vec3 degrees);

    std::string name;  // a label for set-up messages; the set-up names no entity today, so it stays empty
    int32_t meshId = -1;
    uint32_t color = 0xFFFFFFFFu;
    int32_t alpha = 255;
    Vec3 position{0.0f, 0.0f, 0.0f};
    Vec3 scale{1.0f, 1.0f, 1.0f};
    Vec3 rotationDegrees{0.0f, 0.0f, 0.0f};
    Vec3 rotationRadians{0.0f, 0.0f, 0.0f};
    Quat rotation{0.0f, 0.0f, 0.0f, 1.0f};
    bool depthTest = true;
    int32_t textureId = -1;
    bool hidden = false;
};

// The scrolling, height-mapped floor: a 3 x 3 grid of one tile whose camera bobs with the music.
class Entity3DPlaneMusic : public Entity3D {
public:
    Entity3DPlaneMusic();
    void draw() override;
    // Scrolls the tiles one step and bobs the eye with the show's clock, `nowMs` milliseconds.
    void update(int32_t nowMs);

    Vec2 tileOffsets[3] = {{-6.0f, 0.0f}, {0.0f, -6.0f}, {6.0f, -12.0f}};
    float scrollSpeed = 0.03f;
    int32_t shaderId = -1;
    Vec3 eye{0.0f, 0.0f, 0.0f};
    Vec3 eyeOffset{0.0f, 0.0f, 0.0f};
    float factor = 1.0f;
    float pitch = 0.0f;
};
