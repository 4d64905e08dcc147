#pragma once
#include <string>

#include <SDL.h>

#include "base/MusicSnapshot.h"

// The show as every driver runs it. The real-time loop, the capture, the benchmarks and the
// tests start it and step it through these calls only, so they all make the same frames.

// Sets the program-wide `engine` and `resourceManager` to the two singletons.
void createShowSingletons();

// The singletons, then the scene set-up (window, context, shaders, every asset); the mix counter
// starts at 255 so the end test cannot fire before the first mix. False when the show cannot run.
bool startShow();

// Loads the module into `modFile` with the show's player settings; false with a one-line reason.
bool loadShowModule(const char* path, std::string& error);

// Plays the show once, unseen, before it starts, so that nothing is done for the first time
// during it (the driver building a program for the state it is first drawn with, a layer's first
// bake, a texture's first sampling): the timeline through every order of the loaded module at
// the show's pace on a made-up position, the first and last frame of each order drawn into a
// corner of the window's back buffer, which the first frame clears before anything is presented;
// then once more up to the first frame that bakes a layer, so that the scene the show meets first
// with a layer finds its picture baked (layers of different scenes share a target). The scene
// state, the clocks, the random sequence and the music are left as they were, and what later
// frames draw is unchanged.
void warmUpShow();

// Back to the first frame, for a show that plays again: the module loaded afresh from `path`, the
// scene state from its start values, the first scene, the random sequence and the 3D camera as at
// start-up. The driver then starts its music timeline and clock as it did the first time. False
// with a one-line reason when the module can no longer be loaded.
bool restartShow(const char* path, std::string& error);

// Releases the module, if one is loaded.
void unloadShowModule();

// The music stopped in the one safe order: the device paused, so that its callback no longer
// runs, the module unloaded, then the device closed. `device` 0: none was opened.
void stopShowMusic(SDL_AudioDeviceID device);

// The show's teardown, whatever stage it reached: the music stopped, then the engine's shutdown
// (the quad's GL objects, the window, SDL).
void endShow(SDL_AudioDeviceID device);

// One frame from the snapshot of that frame: the timeline, then the composition into the window.
void stepShow(const MusicSnapshot& snapshot);

// One frame nobody will see, for a driver that skips ahead (the capture's fast-forward): the
// timeline, and of the composition only what later frames depend on, so every frame after it
// comes out exactly as after stepShow. `next` is the following frame's snapshot: when this frame's
// picture is carried into a later one (the last frame of scene 2, which scene 3 shatters), the
// frame is drawn all the same. True when it drew.
bool advanceShow(const MusicSnapshot& snapshot, const MusicSnapshot& next);

// One frame on a made-up music position, for a driver that stands at chosen moments without
// playing the module (the warm-up, the benchmarks): the clock moves on by a paced frame, then
// stepShow when `draw`, otherwise advanceShow with the next frame taken to stand where this one
// does, so such a driver draws a scene's last frame itself.
void stepScriptedFrame(const MusicSnapshot& snapshot, bool draw);
