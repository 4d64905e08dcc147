#include "demo/Clock.h"
#include "demo/Demo.h"
#include "demo/FrameCopy.h"
#include "demo/PalmScene.h"
#include "demo/SceneState.h"
#include "engine/Engine.h"
#include "engine/Shader.h"
#include "music/Player.h"
#include "resources/ResourceManager.h"

namespace {

constexpr int32_t W = SCREEN_WIDTH;
constexpr int32_t H = SCREEN_HEIGHT;

// Screen positions reach the draw operations as 16-bit values, truncated towards zero.
int16_t screenCoordinate(float value) { return static_cast<int16_t>(static_cast<int32_t>(value)); }

// Assets that failed to load keep id -1; their draws are skipped so the rest of the show goes on.
void drawSprite(int32_t texture, SpriteRect source, int32_t x, int32_t y) {
    if (texture >= 0) {
        engine->DrawTexture(texture, source, static_cast<int16_t>(x), static_cast<int16_t>(y));
    }
}

void drawEffect(int32_t shaderId) {
    if (Shader* effect = resourceManager->shaderById(shaderId)) {
        effect->draw(static_cast<float>(timeMs) / 1000.0f, musicSnapshot);
    }
}

void drawWireframeFloor() {
    Entity3DPlaneMusic* plane = sceneState.plane.get();
    if (plane == nullptr || plane->meshId < 0 || plane->shaderId < 0 || plane->textureId < 0) {
        return;
    }
    glLineWidth(1.0f);
    engine->setWireframe(true);
    plane->draw();
    engine->setWireframe(false);
}

// The flamingo pair is on screen in the opening from order 2 and on the beach until order 7.
bool flamingoPairShown(int32_t order) {
    const Entity3D* flamingo = sceneState.flamingo.get();
    if (flamingo == nullptr || flamingo->meshId < 0) {
        return false;
    }
    return (demoState == SceneOpening && order > 1) || (demoState == SceneBeach && order < 7);
}

// The mirroring stays in the entity, so the two copies trade places in draw order from
// frame to frame; a frame passed over mirrors it all the same.
void mirrorFlamingo() {
    Entity3D* flamingo = sceneState.flamingo.get();
    flamingo->position.x = -flamingo->position.x;
    flamingo->setRotation({flamingo->rotationDegrees.x, 0.0f, flamingo->rotationDegrees.z});
}

// The flamingo and its mirror image.
void drawFlamingoPair(int32_t order) {
    if (!flamingoPairShown(order)) {
        return;
    }
    sceneState.flamingo->draw();
    mirrorFlamingo();
    sceneState.flamingo->draw();
}

void drawEntity(Entity3D* entity) {
    if (entity != nullptr && entity->meshId >= 0) {
        entity->draw();
    }
}

void drawOpeningTitles(int32_t order, int32_t row) {
    if (order == 0 && row > 31) {
        drawSprite(sceneState.openingTexture, {0, 0, 1220, 300}, 350, 400);
    } else if (order == 1 && row > 16) {
        drawSprite(sceneState.openingTexture, {0, 300, 1220, 130}, 350, 480);
    } else if (order == 2 && row > 16) {
        drawSprite(sceneState.openingTexture, {0, 430, 1220, 200}, 350, 400);
    }
}

void drawLyrics() {
    const SceneState& s = sceneState;
    drawSprite(s.lyricsTexture, s.lyricsSource, static_cast<int32_t>(s.lyricsX), static_cast<int32_t>(s.lyricsY));
}

// The tiles still on screen, in one draw; true when there were any. Each tile covers those
// before it, and the background drawn after them fills only what they leave uncovered.
bool drawFallingTiles() {
    const TileShatter& s = sceneState.shatter;
    if (s.texture < 0) {
        return false;
    }
    static SpriteQuad visible[TILE_COUNT];
    int32_t count = 0;
    for (int32_t i = 0; i < TILE_COUNT; ++i) {
        if (s.positions[i].y < static_cast<float>(H)) {
            visible[count++] = {s.sourceRects[i], screenCoordinate(s.positions[i].x),
                                screenCoordinate(s.positions[i].y)};
        }
    }
    engine->DrawTextureBatch(s.texture, visible, count, W / TILE_COLUMNS, H / TILE_ROWS);
    return count > 0;
}

void drawGreeting() {
    const GreetingsFader& g = sceneState.greetings;
    if (g.done == 0 && g.texture >= 0) {
        engine->DrawTextureAlpha(g.texture, g.source, screenCoordinate(g.position.x), screenCoordinate(g.position.y),
                                 static_cast<uint8_t>(g.alpha & 0xff));
    }
}

void drawFadeOverlay() {
    if (sceneState.fade.alpha != 0) {
        engine->FillScreen(sceneState.fade.argb);
    }
}

// Draws the scene's content; true when the fade overlay belongs on top.
bool drawScene(int32_t order, int32_t row) {
    switch (demoState) {
    case SceneOpening:
        drawWireframeFloor();
        drawFlamingoPair(order);
        drawOpeningTitles(order, row);
        return true;
    case SceneBeach:
        drawWireframeFloor();
        if (order >= 6) {
            drawEntity(sceneState.windsurfer.get());
        }
        drawFlamingoPair(order);
        if (order < 6) {
            drawSprite(sceneState.logoTexture, {0, 0, 1080, 432}, W / 2 - 540, H / 2 - 216);
        }
        return order < 6;
    case SceneCredits:
        drawEffect(sceneState.roadShader);
        drawSprite(sceneState.creditsTexture, sceneState.creditsRole, W / 2 - 540, H * 425 / 1080);
        drawSprite(sceneState.creditsTexture, sceneState.creditsName, W / 2 - 540, H * 510 / 1080);
        if (order == 14) {
            drawLyrics();
        }
        return true;
    case SceneShatter:
        // The captured frame is opaque: the tiles first, then the background around them.
        drawPalmScene(drawFallingTiles());
        if (order == 16) {
            drawLyrics();
        }
        return true;
    case SceneGreetings:
        drawEffect(sceneState.cityShader);
        drawGreeting();
        return true;
    case SceneParrot:
        drawEffect(sceneState.cityShader);
        drawSprite(sceneState.parrotTexture, {0, 0, 844, 1020}, static_cast<int32_t>(sceneState.parrotX), 60);
        drawGreeting();
        return false;
    case SceneFinale:
        drawEffect(sceneState.tunnelShader);
        drawLyrics();
        return true;
    default:
        return false;
    }
}

}  // namespace

void renderDemo() {
    // The letterboxed design frame of the window, its 2D projection and the 3D perspective.
    engine->SelectTarget(TargetWindow);
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);

    if (drawScene(musicSnapshot.order, musicSnapshot.row)) {
        drawFadeOverlay();
    }

    // Scene 3 shatters the last frame of scene 2, so every scene-2 frame is kept
    // before it is shown: after the swap the back buffer holds nothing defined.
    if (demoState == SceneCredits) {
        copyWindowToScreenshot();
    }
}

void passOverDemoFrame() {
    if (flamingoPairShown(musicSnapshot.order)) {
        mirrorFlamingo();
    }
}

bool demoFrameCarriedForward(int32_t nextOrder) {
    return demoState == SceneCredits && sceneAfter(demoState, nextOrder) != demoState;
}
