#pragma once
#include <cstdint>

#include "demo/Clock.h"
#include "demo/Demo.h"
#include "demo/Show.h"
#include "music/Player.h"

// Plays the show on a scripted clock and music position, without the frame loop or the
// audio device, so that a benchmark or a test can stand at a chosen moment of each scene.

// A representative moment of each scene: the order where most of its layers are on screen.
struct SceneMoment {
    int32_t scene;
    int32_t order;
    const char* content;
};

constexpr SceneMoment SCENE_MOMENTS[7] = {
    {0, 2, "wireframe floor, flamingo pair, opening titles"},
    {1, 6, "wireframe floor, windsurfer, flamingo pair"},
    {2, 14, "road effect, credits, lyrics"},
    {3, 16, "palm effect, falling tiles, lyrics"},
    {4, 18, "city effect, greeting"},
    {5, 24, "city effect, parrot, greeting"},
    {6, 26, "tunnel effect, lyrics"},
};

constexpr int32_t FRAMES_PER_ORDER = 4;

// One frame at the given music position: the cue instrument on channel 2 and a note on
// channel 0 every eighth frame, as the module plays them.
// Without drawing, the timeline runs and the frame is passed over as a skip-ahead passes it.
inline void showFrame(int32_t order, bool draw) {
    static int32_t frameNumber = 0;
    ++frameNumber;
    MusicSnapshot music = musicSnapshot;
    music.order = order;
    music.pattern = order;
    music.row = (frameNumber / 2) % 64;
    const bool cue = frameNumber % 8 == 0;
    music.instrument[2] = cue ? 10 : 0;
    music.note[0] = cue ? 49 : 0;
    stepScriptedFrame(music, draw);
}

// Plays every order from the current one up to the moment's, then `settleFrames` more at it;
// the show has to be started (demoState 0) and may only move forward.
inline void playToMoment(const SceneMoment& moment, int32_t settleFrames, bool draw) {
    while (musicSnapshot.order < moment.order) {
        for (int32_t i = 0; i < FRAMES_PER_ORDER; ++i) {
            showFrame(musicSnapshot.order, draw);
        }
        musicSnapshot.order += 1;
    }
    for (int32_t i = 0; i < settleFrames; ++i) {
        showFrame(moment.order, draw);
    }
}
