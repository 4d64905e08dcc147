#include "demo/PalmScene.h"

#include "demo/Clock.h"
#include "demo/SceneState.h"
#include "engine/Engine.h"
#include "engine/Shader.h"
#include "music/Player.h"
#include "resources/ResourceManager.h"

namespace {

// Strips of the palms: 16 segments each, nine fronds for each of three palms, then three trunks.
constexpr int32_t PALM_STRIP_SEGMENTS = 16;
constexpr int32_t PALM_STRIPS = 3 * 9 + 3;

ShaderEffect* effectById(int32_t id) { return dynamic_cast<ShaderEffect*>(resourceManager->shaderById(id)); }

// The sign into the second target, once; the sunset then reads it as its second input.
void drawSign(ShaderEffect& sign, ShaderEffect& sunset) {
    const TextureRecord* target = resourceManager->textureById(engine->secondTarget);
    if (target == nullptr || target->framebuffer == 0) {
        return;
    }
    engine->SelectTarget(TargetSecond);
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glBlendFunc(GL_ONE, GL_ZERO);
    sign.draw(0.0f, musicSnapshot);
    engine->SelectTarget(TargetWindow);
    sunset.textureCount = 2;
    sunset.textures[1] = engine->secondTarget;
}

}  // namespace

void setupPalmScene() {
    SceneState& s = sceneState;
    s.palmSignShader = resourceManager->getShaderId("palms_sign", ShaderKindEffect, false);
    s.palmTreesShader = resourceManager->getShaderId("palm_trees", ShaderKindEffect, false);
    ShaderEffect* sunset = effectById(s.palmsShader);
    ShaderEffect* sign = effectById(s.palmSignShader);
    if (sunset != nullptr && sign != nullptr) {
        drawSign(*sign, *sunset);
    }
    if (ShaderEffect* trees = effectById(s.palmTreesShader)) {
        trees->stripVertices = 2 * (PALM_STRIP_SEGMENTS + 1);
        trees->stripInstances = PALM_STRIPS;
    }
}

void drawPalmScene(bool behindDrawn) {
    const float seconds = static_cast<float>(timeMs) / 1000.0f;
    if (behindDrawn) {
        glEnable(GL_DEPTH_TEST);
        glDepthFunc(GL_LESS);
        glDepthMask(GL_FALSE);
    }
    if (ShaderEffect* sunset = effectById(sceneState.palmsShader)) {
        sunset->draw(seconds, musicSnapshot);
    }
    if (ShaderEffect* trees = effectById(sceneState.palmTreesShader)) {
        // The silhouettes' alpha is their coverage; the frame keeps its alpha of 1.
        glBlendFuncSeparate(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA, GL_ZERO, GL_ONE);
        trees->draw(seconds, musicSnapshot);
    }
    if (behindDrawn) {
        glDepthMask(GL_TRUE);
        glDisable(GL_DEPTH_TEST);
    }
}
