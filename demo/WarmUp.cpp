#include <memory>
#include <utility>

#include "demo/Clock.h"
#include "demo/Demo.h"
#include "demo/SceneState.h"
#include "demo/Show.h"
#include "engine/BakedLayer.h"
#include "engine/Engine.h"
#include "music/Player.h"
#include "resources/ResourceManager.h"

namespace {

// The corner of the frame drawn into, in pixels: the warm-up pays for the drawing calls and the
// driver's work, not for the pixels, and nobody sees the corner.
constexpr int32_t WARM_UP_SIDE = 16;
// The rehearsal's pace: the show's 60 frames a second, about 7 frames to a row of the module.
constexpr int32_t FRAMES_PER_ROW = 7;
constexpr int32_t ROWS_PER_ORDER = 64;
// A note on channel 0 in every row, so that the flamingos grow as they do in the show.
constexpr int32_t REHEARSAL_NOTE = 49;

// Everything the timeline and the composition change, put aside while the warm-up plays its frames.
struct ShowAside {
    SceneState scene;           // the scene itself, its objects included
    int32_t grownElements = 0;  // the flamingo mesh's element count, which the timeline lowers and raises
    Camera camera;
    Mat4 projection;
    Mat4 view;
    int32_t state = SceneOpening;
    int32_t time = 0;
    int32_t delta = 0;
    MusicSnapshot music;
};

template <typename EntityType>
std::unique_ptr<EntityType> copyOf(const std::unique_ptr<EntityType>& entity) {
    return entity != nullptr ? std::make_unique<EntityType>(*entity) : nullptr;
}

MeshRecord* grownMesh() { return resourceManager->meshById(sceneState.growthMesh); }

ShowAside putShowAside() {
    const MeshRecord* grown = grownMesh();
    ShowAside aside{std::move(sceneState),
                    grown != nullptr ? grown->elementCount : 0,
                    engine->camera,
                    engine->projection,
                    engine->view,
                    demoState,
                    timeMs,
                    deltaMs,
                    musicSnapshot};
    // The scene's plain values stay in it after the move; the rehearsal works on copies of its objects.
    sceneState.flamingo = copyOf(aside.scene.flamingo);
    sceneState.plane = copyOf(aside.scene.plane);
    sceneState.windsurfer = copyOf(aside.scene.windsurfer);
    return aside;
}

void bringShowBack(ShowAside& aside) {
    sceneState = std::move(aside.scene);
    if (MeshRecord* grown = grownMesh()) {
        grown->elementCount = aside.grownElements;
    }
    engine->camera = aside.camera;
    engine->projection = aside.projection;
    engine->view = aside.view;
    demoState = aside.state;
    timeMs = aside.time;
    deltaMs = aside.delta;
    musicSnapshot = aside.music;
}

// One frame of the rehearsal: the timeline on a made-up position, drawn when asked. The cue
// instrument never plays, since a greeting it cues draws its place from rand().
void rehearseFrame(int32_t order, int32_t row, bool draw) {
    MusicSnapshot music;
    music.order = order;
    music.pattern = order;
    music.row = row;
    music.note[0] = REHEARSAL_NOTE;
    stepScriptedFrame(music, draw);
}

// The song from its first order at the show's pace, on the show as it stands (put aside and
// brought back afterwards), the first and last frames of each order drawn; when `untilABake`, only
// up to the first frame that bakes a layer's picture.
void rehearseSong(int32_t orders, bool untilABake) {
    ShowAside aside = putShowAside();
    demoState = SceneOpening;
    const int32_t bakesBefore = bakedPicturesDrawn();
    for (int32_t order = 0; order < orders; ++order) {
        for (int32_t row = 0; row < ROWS_PER_ORDER; ++row) {
            for (int32_t step = 0; step < FRAMES_PER_ROW; ++step) {
                const bool first = row == 0 && step == 0;
                const bool last = row == ROWS_PER_ORDER - 1 && step == FRAMES_PER_ROW - 1;
                rehearseFrame(order, row, first || last);
                if (untilABake && bakedPicturesDrawn() != bakesBefore) {
                    bringShowBack(aside);
                    return;
                }
            }
        }
    }
    bringShowBack(aside);
}

}  // namespace

void warmUpShow() {
    // The window's back buffer is drawn into, since the driver builds a program for the format it
    // draws into as well; the first frame clears it whole before anything is presented.
    const Viewport frame = engine->windowViewport();
    glEnable(GL_SCISSOR_TEST);
    glScissor(frame.x, frame.y, WARM_UP_SIDE, WARM_UP_SIDE);
    // Every order of the song, its first and last frames drawn: every scene as it begins and as it
    // has become (scene 3's tiles gone, its palms drawn without the depth test), every program with
    // the state and the textures it is drawn with, every band, every baked layer (whole: a bake
    // ignores the scissor).
    const int32_t orders = modFile != nullptr ? moduleOrderCount(modFile) : 0;
    rehearseSong(orders, false);
    // Layers of different scenes share a target, and the last scene's layers hold it now. Played
    // again up to the first frame that bakes, the song leaves each target holding the picture the
    // show needs first, so that scene begins without baking on its downbeat.
    rehearseSong(orders, true);
    glDisable(GL_SCISSOR_TEST);
    glFinish();
}
