#include <cstdint>

#include "engine/Engine.h"
#include "engine/Shader.h"
#include "resources/ResourceManager.h"

namespace {

constexpr float DESIGN_ASPECT = static_cast<float>(SCREEN_WIDTH) / static_cast<float>(SCREEN_HEIGHT);

void setMatrix(const Shader& shader, UniformSlot slot, const Mat4& matrix) {
    glUniformMatrix4fv(shader.location(slot), 1, GL_FALSE, matrix.m);
}

void setColor(const Shader& shader, const Vec4& color) {
    glUniform4fv(shader.location(UniformSlot::Color), 1, &color.x);
}

void bindTexture(const TextureRecord& record) {
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, record.texture);
    applyBlendMode(record.blendMode);
}

// Binds the texture and makes the 2D sprite program current with the record's tint (its alpha
// replaced when asked): the part every textured 2D draw shares.
Shader* useSpriteProgram(const Engine& e, const TextureRecord& record, bool replaceAlpha, float alpha) {
    Shader* shader = resourceManager->shaderById(e.shaderTexture2D);
    if (shader == nullptr) {
        return nullptr;
    }
    bindTexture(record);
    Vec4 tint = record.color;
    if (replaceAlpha) {
        tint.w = alpha;
    }
    shader->use();
    setColor(*shader, tint);
    glUniform3fv(shader->location(UniformSlot::ColorAdd), 1, &record.colorAdd.x);
    glUniform1i(shader->location(UniformSlot::Textura), 0);
    glUniform1i(shader->location(UniformSlot::Flip), 0);
    return shader;
}

// The texture coordinates of a source rectangle's edges.
struct SourceEdges {
    float uLeft;
    float uRight;
    float vTop;
    float vBottom;
};

SourceEdges sourceEdges(const TextureRecord& record, SpriteRect source) {
    const auto tw = static_cast<float>(record.width);
    const auto th = static_cast<float>(record.height);
    return {static_cast<float>(source.x) / tw, static_cast<float>(source.x + source.w) / tw,
            static_cast<float>(source.y) / th, static_cast<float>(source.y + source.h) / th};
}

// One textured quad cut from a source rectangle. The tint goes to the program by value, so a
// draw with its own alpha never touches the record.
void drawSprite(Engine& e, int32_t textureId, SpriteRect source, int32_t x, int32_t y, uint32_t width, uint32_t height,
                float angle, bool replaceAlpha, float alpha) {
    const TextureRecord* record = resourceManager->textureById(textureId);
    if (record == nullptr) {
        return;
    }
    Shader* shader = useSpriteProgram(e, *record, replaceAlpha, alpha);
    if (shader == nullptr) {
        return;
    }
    const SourceEdges edges = sourceEdges(*record, source);
    // One (u, v) pair per quad corner in vertex order; vertex 0 is the bottom-left on screen.
    const float texClamp[8] = {edges.uLeft,  edges.vBottom, edges.uRight, edges.vBottom,
                               edges.uRight, edges.vTop,    edges.uLeft,  edges.vTop};
    glUniform1fv(shader->location(UniformSlot::TexClamp), 8, texClamp);
    e.DrawQuad(x, y, width, height, shader, angle);
    glBindTexture(GL_TEXTURE_2D, 0);
    glUseProgram(0);
}

// Per vertex of a batch: position x, y, z and texture u, v, as the unit quad's layout.
constexpr int32_t BATCH_VERTEX_FLOATS = 5;
constexpr int32_t BATCH_QUAD_VERTICES = 6;
float batchVertices[SPRITE_BATCH_LIMIT * BATCH_QUAD_VERTICES * BATCH_VERTEX_FLOATS];

// Each later quad stands this much nearer in the 2D view; the last one stays in front of the
// near plane (the 2D view looks from z = 3, near 0.1).
constexpr float BATCH_DEPTH_STEP = 0.01f;

void createBatchBuffers(Engine& e) {
    glGenVertexArrays(1, &e.batchVao);
    glBindVertexArray(e.batchVao);
    glGenBuffers(1, &e.batchVbo);
    glBindBuffer(GL_ARRAY_BUFFER, e.batchVbo);
    glBufferData(GL_ARRAY_BUFFER, sizeof(batchVertices), nullptr, GL_DYNAMIC_DRAW);
    const auto stride = static_cast<GLsizei>(BATCH_VERTEX_FLOATS * sizeof(float));
    glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, stride, nullptr);
    glVertexAttribPointer(1, 2, GL_FLOAT, GL_FALSE, stride, reinterpret_cast<const void*>(3 * sizeof(float)));
    glEnableVertexAttribArray(0);
    glEnableVertexAttribArray(1);
    glBindVertexArray(0);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    glGenSamplers(1, &e.batchSampler);
    glSamplerParameteri(e.batchSampler, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glSamplerParameteri(e.batchSampler, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
}

// Quads drawn at their source's size into a viewport that shows design pixels one to one sample
// texel centres, where the nearest texel is what linear filtering gives too, for less work.
bool drawnTexelForTexel(const SpriteQuad* quads, int32_t count, uint16_t width, uint16_t height) {
    GLint viewport[4] = {0, 0, 0, 0};
    glGetIntegerv(GL_VIEWPORT, viewport);
    if (viewport[2] != SCREEN_WIDTH || viewport[3] != SCREEN_HEIGHT) {
        return false;
    }
    for (int32_t i = 0; i < count; ++i) {
        if (quads[i].source.w != width || quads[i].source.h != height) {
            return false;
        }
    }
    return true;
}

// Two triangles of a quad, with the corners of the unit quad's order (bottom-left first).
float* writeBatchQuad(float* out, const SpriteQuad& quad, const SourceEdges& edges, uint16_t width, uint16_t height,
                      float z) {
    const auto left = static_cast<float>(quad.x);
    const auto top = static_cast<float>(quad.y);
    const float right = left + static_cast<float>(width);
    const float bottom = top + static_cast<float>(height);
    const float corners[4][4] = {{left, bottom, edges.uLeft, edges.vBottom},
                                 {right, bottom, edges.uRight, edges.vBottom},
                                 {right, top, edges.uRight, edges.vTop},
                                 {left, top, edges.uLeft, edges.vTop}};
    for (const int32_t corner : {0, 1, 2, 0, 2, 3}) {
        *out++ = corners[corner][0];
        *out++ = corners[corner][1];
        *out++ = z;
        *out++ = corners[corner][2];
        *out++ = corners[corner][3];
    }
    return out;
}

}  // namespace

Viewport letterboxViewport(int32_t drawableWidth, int32_t drawableHeight) {
    if (drawableWidth <= 0 || drawableHeight <= 0) {
        return {0, 0, 0, 0};
    }
    const int64_t w = drawableWidth;
    const int64_t h = drawableHeight;
    int64_t width = w;
    int64_t height = h;
    if (w * SCREEN_HEIGHT > h * SCREEN_WIDTH) {
        width = h * SCREEN_WIDTH / SCREEN_HEIGHT;
    } else {
        height = w * SCREEN_HEIGHT / SCREEN_WIDTH;
    }
    return {static_cast<int32_t>((w - width) / 2), static_cast<int32_t>((h - height) / 2), static_cast<int32_t>(width),
            static_cast<int32_t>(height)};
}

Vec4 unpackArgb(uint32_t argb) {
    return {static_cast<float>((argb >> 16) & 0xFFu) / 255.0f, static_cast<float>((argb >> 8) & 0xFFu) / 255.0f,
            static_cast<float>(argb & 0xFFu) / 255.0f, static_cast<float>((argb >> 24) & 0xFFu) / 255.0f};
}

void Engine::useOffscreenWindow(uint32_t framebuffer, int32_t width, int32_t height) {
    windowFramebuffer = framebuffer;
    drawableWidth = width;
    drawableHeight = height;
}

Viewport Engine::windowViewport() const { return letterboxViewport(drawableWidth, drawableHeight); }

void Engine::bindWindowTarget() {
    glBindFramebuffer(GL_FRAMEBUFFER, windowFramebuffer);
    // The bars around the letterboxed frame must be black, not last frame's leftovers.
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    const Viewport viewport = windowViewport();
    glViewport(viewport.x, viewport.y, viewport.width, viewport.height);
}

void Engine::SetOrtho2D() {
    // The 2D layout is in design pixels whatever the display; the viewport does the scaling.
    projection = ortho(0.0f, static_cast<float>(SCREEN_WIDTH), static_cast<float>(SCREEN_HEIGHT), 0.0f, 0.1f, 100.0f);
}

void Engine::Begin3D() {
    glEnable(GL_CULL_FACE);
    glCullFace(GL_BACK);
    projection = camera.projection;
    view = camera.view;
}

void Engine::End3D() {
    glDisable(GL_CULL_FACE);
    setWireframe(false);
    glDisable(GL_DEPTH_TEST);
    SetOrtho2D();
    view = lookAt(camera2DPosition, camera2DPosition + camera2DFront, camera2DUp);
}

void Engine::setWireframe(bool on) {
    wireframe = on;
#ifndef SHOW_GL_ES
    glPolygonMode(GL_FRONT_AND_BACK, on ? GL_LINE : GL_FILL);
#endif
}

void Engine::DrawQuad(int32_t x, int32_t y, uint32_t w, uint32_t h, Shader* shader, float angle) {
    if (shader == nullptr) {
        return;
    }
    setMatrix(*shader, UniformSlot::Projection, projection);
    setMatrix(*shader, UniformSlot::View, view);
    const auto fw = static_cast<float>(w);
    const auto fh = static_cast<float>(h);
    Mat4 model = translate(Mat4(1.0f), {fw * 0.5f + static_cast<float>(x), fh * 0.5f + static_cast<float>(y), 0.0f});
    model = rotate(model, radians(angle), {0.0f, 0.0f, 1.0f});
    model = scale(model, {fw, fh, 1.0f});
    setMatrix(*shader, UniformSlot::Model, model);
    glBindVertexArray(quadVao);
    glDrawElements(GL_TRIANGLES, 6, GL_UNSIGNED_INT, nullptr);
    glBindVertexArray(0);
}

void Engine::DrawTexture(int32_t textureId, SpriteRect source, int16_t x, int16_t y) {
    drawSprite(*this, textureId, source, x, y, source.w, source.h, 0.0f, false, 0.0f);
}

void Engine::DrawTextureScaled(int32_t textureId, SpriteRect source, int16_t x, int16_t y, float angle, uint16_t width,
                               uint16_t height) {
    drawSprite(*this, textureId, source, x, y, width, height, angle, true, 1.0f);
}

void Engine::DrawTextureAlpha(int32_t textureId, SpriteRect source, int16_t x, int16_t y, uint8_t alpha) {
    drawSprite(*this, textureId, source, x, y, source.w, source.h, 0.0f, true, static_cast<float>(alpha) / 255.0f);
}

void Engine::DrawTextureBatch(int32_t textureId, const SpriteQuad* quads, int32_t count, uint16_t width,
                              uint16_t height) {
    const TextureRecord* record = resourceManager->textureById(textureId);
    if (record == nullptr || count <= 0) {
        return;
    }
    Shader* shader = useSpriteProgram(*this, *record, true, 1.0f);
    if (shader == nullptr) {
        return;
    }
    if (batchVao == 0) {
        createBatchBuffers(*this);
    }
    count = count < SPRITE_BATCH_LIMIT ? count : SPRITE_BATCH_LIMIT;
    // The front quad first: the depth test then skips the parts of the quads behind it.
    float* out = batchVertices;
    for (int32_t i = count - 1; i >= 0; --i) {
        out = writeBatchQuad(out, quads[i], sourceEdges(*record, quads[i].source), width, height,
                             static_cast<float>(i + 1) * BATCH_DEPTH_STEP);
    }
    const bool nearest = drawnTexelForTexel(quads, count, width, height);
    if (nearest) {
        glBindSampler(0, batchSampler);
    }
    // The vertices carry their own texture coordinates: the corners' table passes them through.
    const float identityCorners[8] = {0.0f, 1.0f, 1.0f, 1.0f, 1.0f, 0.0f, 0.0f, 0.0f};
    glUniform1fv(shader->location(UniformSlot::TexClamp), 8, identityCorners);
    setMatrix(*shader, UniformSlot::Projection, projection);
    setMatrix(*shader, UniformSlot::View, view);
    setMatrix(*shader, UniformSlot::Model, Mat4(1.0f));
    glBindBuffer(GL_ARRAY_BUFFER, batchVbo);
    glBufferSubData(GL_ARRAY_BUFFER, 0, static_cast<GLsizeiptr>((out - batchVertices) * sizeof(float)), batchVertices);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LESS);
    glDepthMask(GL_TRUE);
    // Opaque quads replace what they cover: blending would only read the frame back for nothing.
    glDisable(GL_BLEND);
    glBindVertexArray(batchVao);
    glDrawArrays(GL_TRIANGLES, 0, count * BATCH_QUAD_VERTICES);
    glBindVertexArray(0);
    if (nearest) {
        glBindSampler(0, 0);
    }
    glEnable(GL_BLEND);
    glDisable(GL_DEPTH_TEST);
    glBindTexture(GL_TEXTURE_2D, 0);
    glUseProgram(0);
}

void Engine::FillScreen(uint32_t colour) {
    Shader* shader = resourceManager->shaderById(shaderColor2D);
    if (shader == nullptr) {
        return;
    }
    shader->use();
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    setColor(*shader, unpackArgb(colour));
    DrawQuad(0, 0, SCREEN_WIDTH, SCREEN_HEIGHT, shader, 0.0f);
    glUseProgram(0);
}

void Engine::DrawMesh(uint32_t vertexArray, int32_t count, const Vec3& position, const Quat& rotation,
                      const Vec3& scaling, Shader* shader, GLenum mode) {
    if (shader == nullptr) {
        return;
    }
    setMatrix(*shader, UniformSlot::Projection, projection);
    setMatrix(*shader, UniformSlot::View, view);
    const Mat4 model = scale(multiply(translate(Mat4(1.0f), position), mat4FromQuat(rotation)), scaling);
    setMatrix(*shader, UniformSlot::Model, model);
    glBindVertexArray(vertexArray);
    glDrawElements(mode, count, GL_UNSIGNED_INT, nullptr);
    glBindVertexArray(0);
}

void Engine::DrawMeshColor(uint32_t vertexArray, int32_t count, const Vec3& position, const Quat& rotation,
                           const Vec3& scaling, uint32_t colour) {
    Shader* shader = resourceManager->shaderById(shaderColor2D);
    if (shader == nullptr) {
        return;
    }
    shader->use();
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    setColor(*shader, unpackArgb(colour));
    DrawMesh(vertexArray, count, position, rotation, scaling, shader, GL_TRIANGLES);
    glUseProgram(0);
}

void Engine::DrawMeshTextured(uint32_t vertexArray, int32_t count, const Vec3& position, const Quat& rotation,
                              const Vec3& scaling, int32_t textureId, uint8_t alpha) {
    const TextureRecord* record = resourceManager->textureById(textureId);
    Shader* shader = resourceManager->shaderById(shaderTexture3D);
    if (record == nullptr || shader == nullptr) {
        return;
    }
    bindTexture(*record);
    Vec4 tint = record->color;
    tint.w = static_cast<float>(alpha) / 255.0f;
    shader->use();
    setColor(*shader, tint);
    glUniform3fv(shader->location(UniformSlot::ColorAdd), 1, &record->colorAdd.x);
    glUniform1i(shader->location(UniformSlot::Textura), 0);
    // OBJ texture coordinates run bottom-up; the program mirrors v to meet the top-down images.
    glUniform1i(shader->location(UniformSlot::Flip), 2);
    DrawMesh(vertexArray, count, position, rotation, scaling, shader, GL_TRIANGLES);
    glBindTexture(GL_TEXTURE_2D, 0);
    glUseProgram(0);
}

void Engine::SelectTarget(int32_t kind) {
    const int32_t halfWidth = SCREEN_WIDTH / 2;
    const int32_t halfHeight = SCREEN_HEIGHT / 2;
    switch (kind) {
    case TargetWindow:
        bindWindowTarget();
        SetOrtho2D();
        camera.updateProjection(DESIGN_ASPECT);
        return;
    case TargetSecond:
    case TargetOverlay: {
        const TextureRecord* target = resourceManager->textureById(kind == TargetSecond ? secondTarget : overlayTarget);
        if (target == nullptr) {
            return;
        }
        glBindFramebuffer(GL_FRAMEBUFFER, target->framebuffer);
        glViewport(0, 0, SCREEN_WIDTH, SCREEN_HEIGHT);
        if (kind == TargetOverlay) {
            End3D();
        } else {
            SetOrtho2D();
        }
        camera.updateProjection(DESIGN_ASPECT);
        return;
    }
    case TargetBloom: {
        const TextureRecord* target = resourceManager->textureById(bloomTarget);
        if (target == nullptr) {
            return;
        }
        glBindFramebuffer(GL_FRAMEBUFFER, target->framebuffer);
        glViewport(0, 0, halfWidth, halfHeight);
        projection = ortho(0.0f, static_cast<float>(halfWidth), static_cast<float>(halfHeight), 0.0f, 0.1f, 100.0f);
        camera.updateProjection(static_cast<float>(halfWidth) / static_cast<float>(halfHeight));
        return;
    }
    default:
        return;
    }
}
