#include "engine/Entity3D.h"

#include <algorithm>
#include <cmath>

#include "engine/Engine.h"
#include "engine/Shader.h"
#include "resources/ResourceManager.h"

namespace {

void applyDepthTest(bool enabled) {
    if (enabled) {
        glEnable(GL_DEPTH_TEST);
        glDepthFunc(GL_LESS);
    } else {
        glDisable(GL_DEPTH_TEST);
    }
}

}  // namespace

Entity3D::Entity3D() { setRotation({0.0f, 0.0f, 0.0f}); }

void Entity3D::setRotation(Vec3 degrees) {
    rotationDegrees = degrees;
    rotationRadians = {radians(degrees.x), radians(degrees.y), radians(degrees.z)};
    rotation = quatFromEuler(rotationRadians);
}

void Entity3D::draw() {
    // A mesh that failed to load has nothing to draw; skip even the 3D set-up.
    const MeshRecord* mesh = hidden ? nullptr : resourceManager->meshById(meshId);
    if (mesh == nullptr) {
        return;
    }
    engine->Begin3D();
    applyDepthTest(depthTest);
    switch (mesh->kind) {
    case MeshLines: {
        Shader* shader = resourceManager->shaderById(engine->shaderColor2D);
        if (shader != nullptr) {
            shader->use();
            glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
            const Vec4 tint = unpackArgb(color);
            glUniform4fv(shader->location(UniformSlot::Color), 1, &tint.x);
            engine->DrawMesh(mesh->vertexArray, mesh->elementCount, position, rotation, scale, shader, GL_LINES);
            glUseProgram(0);
        }
        break;
    }
    case MeshTriangles:
        engine->DrawMeshColor(mesh->vertexArray, mesh->elementCount, position, rotation, scale, color);
        break;
    case MeshTexturedTriangles:
        if (textureId == -1) {
            engine->DrawMeshColor(mesh->vertexArray, mesh->elementCount, position, rotation, scale, color);
        } else {
            engine->DrawMeshTextured(mesh->vertexArray, mesh->elementCount, position, rotation, scale, textureId,
                                     static_cast<uint8_t>(alpha & 0xFF));
        }
        break;
    default:
        break;
    }
    engine->End3D();
}

Entity3DPlaneMusic::Entity3DPlaneMusic() {
    shaderId = resourceManager->getShaderId("PlaneMusic", ShaderKindPlaneMusic);
    textureId = resourceManager->getTextureId("Assets/heightmap.png", FilterSmooth);
    factor = 1.0f;
    pitch = 0.0f;
}

void Entity3DPlaneMusic::update(int32_t nowMs) {
    for (Vec2& tile : tileOffsets) {
        tile.y += scrollSpeed;
        if (tile.y > 6.0f) {
            tile.y = -12.0f;
        }
    }
    eye = engine->camera.basePosition + eyeOffset;
    eye.y += std::sin(static_cast<float>(nowMs) / 1000.0f) * (factor * 0.2f) + 0.7f;
}

void Entity3DPlaneMusic::draw() {
    Shader* shader = hidden ? nullptr : resourceManager->shaderById(shaderId);
    const MeshRecord* mesh = resourceManager->meshById(meshId);
    if (shader == nullptr || mesh == nullptr) {
        return;
    }
    shader->use();
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    const Vec4 tint = unpackArgb(color);
    glUniform4fv(shader->location(UniformSlot::Color), 1, &tint.x);
    // Without its height map the floor still draws, flat.
    const TextureRecord* heightmap = resourceManager->textureById(textureId);
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, heightmap != nullptr ? heightmap->texture : 0);
    if (heightmap != nullptr) {
        applyBlendMode(heightmap->blendMode);
    }
    glUniform1i(shader->location(UniformSlot::Heightmap), 0);
    glUniform1f(shader->location(UniformSlot::FactorMap), factor);

    Camera& camera = engine->camera;
    const Vec3 rememberedPosition = camera.position;
    camera.setPosition(eye);
    camera.pitch = std::clamp(pitch, -89.0f, 89.0f);
    camera.updateVectors();

    // Without a polygon mode the wireframe is the mesh's line list, the same edges.
    const bool lines = engine->wireframe && mesh->lineVertexArray != 0;
    const uint32_t vertexArray = lines ? mesh->lineVertexArray : mesh->vertexArray;
    const int32_t count = lines ? mesh->lineElementCount : mesh->elementCount;
    const GLenum mode = lines ? GL_LINES : GL_TRIANGLES;
    engine->Begin3D();
    applyDepthTest(depthTest);
    for (const Vec2& row : tileOffsets) {
        for (const Vec2& column : tileOffsets) {
            position.z = row.y;
            position.x = column.x;
            engine->DrawMesh(vertexArray, count, position, rotation, scale, shader, mode);
        }
    }
    engine->End3D();

    camera.setPosition(rememberedPosition);
    camera.pitch = 0.0f;
    camera.updateVectors();
}
