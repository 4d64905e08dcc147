#pragma once
#include <cstdint>

// The engine (window, context, screen resources), then the scene; false when the show cannot run.
bool setupDemo();
// Every scene object from its start values, every asset requested; the registry hands back those
// already loaded without a word, so this also puts the scene back to its first frame.
bool setupScene();
// Advances the scenes and animates them from the clock and the music snapshot.
void updateDemo();
// Draws the current scene into the window target.
void renderDemo();
// For a frame that is not drawn: what renderDemo would have left changed in the scene state
// (the flamingo pair's mirroring), so later frames come out as if it had been drawn.
void passOverDemoFrame();
// True when the frame just updated must be drawn even if nobody sees it, because a later frame
// shows its picture: scene 3 shatters the last frame of scene 2. `nextOrder` is the next frame's.
bool demoFrameCarriedForward(int32_t nextOrder);

// The order position at which the show leaves scene s for scene s + 1 (s from 0 to 5).
constexpr int32_t SCENE_TRIGGER_ORDERS[6] = {5, 8, 15, 17, 23, 25};

// The scene a frame at this order position is in, after a frame in `scene`: the next scene when
// the music reaches its trigger order, else the same one.
int32_t sceneAfter(int32_t scene, int32_t order);
