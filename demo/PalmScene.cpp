#include "demo/PalmScene.h"

#include <algorithm>

#include "demo/Clock.h"
#include "demo/SceneState.h"
#include "engine/BakedLayer.h"
#include "engine/Engine.h"
#include "engine/Shader.h"
#include "music/Player.h"
#include "resources/ResourceManager.h"

namespace {

// Strips of the palms: 16 segments each, nine fronds for each of three palms, then three trunks.
constexpr int32_t PALM_STRIP_SEGMENTS = 16;
constexpr int32_t PALM_STRIPS = 3 * 9 + 3;
// Shards of the broken screen glittering in the air, one quad each.
constexpr int32_t GLITTER_SHARDS = 160;

}  // namespace

void setupPalmScene() {
    SceneState& s = sceneState;
    s.palmGlowShader = resourceManager->getShaderIdQuietly("palms_glow", ShaderKindEffect);
    s.palmTreesShader = resourceManager->getShaderIdQuietly("palm_trees", ShaderKindEffect);
    s.palmGlitterShader = resourceManager->getShaderIdQuietly("palm_glitter", ShaderKindEffect);
    // The sunset goes on with the sea below its horizon, a band of its own.
    ShaderEffect* sunset = effectById(s.palmsShader);
    ShaderEffect* sea = effectById(resourceManager->getShaderIdQuietly("palms_Kavex:SEA", ShaderKindEffect));
    if (sunset != nullptr && sea != nullptr) {
        sea->textureCount = sunset->textureCount;
        std::copy(sunset->textures, sunset->textures + 4, sea->textures);
        sunset->nextBand = sea;
    }
    if (ShaderEffect* glow = effectById(s.palmGlowShader)) {
        // The sign never changes: no key, drawn once (again only after another layer used the target).
        glow->bakedLayers[0] = makeBakedLayer("palms_sign", engine->secondTarget, nullptr);
    }
    if (ShaderEffect* trees = effectById(s.palmTreesShader)) {
        trees->stripVertices = 2 * (PALM_STRIP_SEGMENTS + 1);
        trees->stripInstances = PALM_STRIPS;
    }
    if (ShaderEffect* glitter = effectById(s.palmGlitterShader)) {
        glitter->stripInstances = GLITTER_SHARDS;
    }
}

void drawPalmScene(bool behindDrawn) {
    const float seconds = static_cast<float>(timeMs) / 1000.0f;
    ShaderEffect* glow = effectById(sceneState.palmGlowShader);
    if (glow != nullptr) {
        // Before the depth test goes on, which must not touch the sign's own target.
        refreshBakedLayer(glow->bakedLayers[0], musicSnapshot);
    }
    if (behindDrawn) {
        glEnable(GL_DEPTH_TEST);
        glDepthFunc(GL_LESS);
        glDepthMask(GL_FALSE);
    }
    if (ShaderEffect* sunset = effectById(sceneState.palmsShader)) {
        // Opaque over the whole frame: blending would only read the frame back for nothing.
        glDisable(GL_BLEND);
        sunset->draw(seconds, musicSnapshot);
        glEnable(GL_BLEND);
    }
    // Light is added, silhouettes cover by their alpha; the frame keeps its alpha of 1.
    glBlendFuncSeparate(GL_ONE, GL_ONE_MINUS_SRC_ALPHA, GL_ZERO, GL_ONE);
    if (glow != nullptr) {
        glow->draw(seconds, musicSnapshot);
    }
    if (ShaderEffect* trees = effectById(sceneState.palmTreesShader)) {
        trees->draw(seconds, musicSnapshot);
    }
    if (ShaderEffect* glitter = effectById(sceneState.palmGlitterShader)) {
        glitter->draw(seconds, musicSnapshot);
    }
    if (behindDrawn) {
        glDepthMask(GL_TRUE);
        glDisable(GL_DEPTH_TEST);
    }
}
