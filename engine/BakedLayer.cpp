#include "engine/BakedLayer.h"

#include "resources/GL.h"

#include "engine/Shader.h"
#include "resources/ResourceManager.h"

namespace {

// Which layer drew last into each target: layers of different scenes may share one target.
struct TargetOwner {
    int32_t target = -1;
    const BakedLayer* layer = nullptr;
};
constexpr int32_t MAX_BAKE_TARGETS = 16;
TargetOwner targetOwners[MAX_BAKE_TARGETS];
int32_t picturesDrawn = 0;

TargetOwner* ownerSlot(int32_t target) {
    for (TargetOwner& owner : targetOwners) {
        if (owner.target == target || owner.target == -1) {
            owner.target = target;
            return &owner;
        }
    }
    return nullptr;
}

bool holdsPicture(const BakedLayer& layer, int32_t key, const TargetOwner* owner) {
    return layer.baked && layer.bakedKey == key && layer.bakedProgram == layer.program->program && owner != nullptr &&
           owner->layer == &layer;
}

}  // namespace

BakedLayer makeBakedLayer(const char* programName, int32_t target, BakeKey keyOf) {
    BakedLayer layer;
    const int32_t id = resourceManager->getShaderIdQuietly(programName, ShaderKindEffect);
    layer.program = dynamic_cast<ShaderEffect*>(resourceManager->shaderById(id));
    layer.target = layer.program != nullptr ? target : -1;
    layer.keyOf = keyOf;
    return layer;
}

BakedLayer sharedBakedLayer(const BakedLayer& owner) {
    BakedLayer layer;
    layer.target = owner.target;
    return layer;
}

bool refreshBakedLayer(BakedLayer& layer, const MusicSnapshot& music) {
    const TextureRecord* target = resourceManager->textureById(layer.target);
    if (layer.program == nullptr || !layer.program->ready || target == nullptr || target->framebuffer == 0) {
        return false;
    }
    const int32_t key = layer.keyOf != nullptr ? layer.keyOf(music) : 0;
    TargetOwner* owner = ownerSlot(layer.target);
    if (holdsPicture(layer, key, owner)) {
        return false;
    }

    GLint framebuffer = 0;
    GLint viewport[4] = {0, 0, 0, 0};
    glGetIntegerv(GL_FRAMEBUFFER_BINDING, &framebuffer);
    glGetIntegerv(GL_VIEWPORT, viewport);
    const bool blending = glIsEnabled(GL_BLEND) == GL_TRUE;
    const bool depthTesting = glIsEnabled(GL_DEPTH_TEST) == GL_TRUE;
    const bool scissoring = glIsEnabled(GL_SCISSOR_TEST) == GL_TRUE;
    glBindFramebuffer(GL_FRAMEBUFFER, target->framebuffer);
    glViewport(0, 0, target->width, target->height);
    // The picture replaces the target whole, alpha included, whatever the frame's blend, depth and
    // scissor state (the warm-up draws its frames into a corner, but its bakes are kept).
    glDisable(GL_BLEND);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_SCISSOR_TEST);
    // Time 0: a baked picture may not depend on the clock.
    layer.program->draw(0.0f, music);
    if (blending) {
        glEnable(GL_BLEND);
    }
    if (depthTesting) {
        glEnable(GL_DEPTH_TEST);
    }
    if (scissoring) {
        glEnable(GL_SCISSOR_TEST);
    }
    glBindFramebuffer(GL_FRAMEBUFFER, static_cast<GLuint>(framebuffer));
    glViewport(viewport[0], viewport[1], viewport[2], viewport[3]);

    layer.baked = true;
    layer.bakedKey = key;
    layer.bakedProgram = layer.program->program;
    ++layer.bakeCount;
    ++picturesDrawn;
    if (owner != nullptr) {
        owner->layer = &layer;
    }
    return true;
}

int32_t bakedPicturesDrawn() { return picturesDrawn; }
