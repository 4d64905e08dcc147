#pragma once
#include <cstdint>

#include "base/MusicSnapshot.h"

class ShaderEffect;

// The part of an effect's picture that changes only with the music's state (the order, say):
// a full-screen program drawn into a render target once, and again only when that state changes,
// so that the effect samples the picture each frame instead of computing it. An effect samples
// its layers as "texBaked1" and "texBaked2".

// The music's state a baked picture depends on; the picture is drawn again when it changes.
using BakeKey = int32_t (*)(const MusicSnapshot& music);

struct BakedLayer {
    ShaderEffect* program = nullptr;  // draws the picture over the whole target, with the music and its inputs
    int32_t target = -1;              // texture id of the render target holding the picture
    BakeKey keyOf = nullptr;          // null: the picture never changes
    bool baked = false;               // the target holds the picture of `bakedKey`
    int32_t bakedKey = 0;
    uint32_t bakedProgram = 0;  // the GL program that drew it: a rebuilt program (--watch) draws again
    int32_t bakeCount = 0;      // pictures drawn so far
};

// A layer drawn by the effect program `programName` (built without a console line, so the show's
// lines stay as they are) into the render target `target`; its program has no inputs until the
// caller gives it some. A program that cannot be built leaves the layer empty: nothing is baked
// and the effect samples nothing.
BakedLayer makeBakedLayer(const char* programName, int32_t target, BakeKey keyOf);

// A layer that samples what `owner` bakes and draws nothing itself: for a band drawn right after
// the owner's effect (ShaderEffect::nextBand), which has brought the picture up to date by then.
BakedLayer sharedBakedLayer(const BakedLayer& owner);

// Draws the layer's picture into its target when the target does not hold the picture of the
// music's key (never drawn, key changed, another layer drew there since, program rebuilt).
// The framebuffer, viewport, blending, depth and scissor tests are as before afterwards. True when
// it drew.
bool refreshBakedLayer(BakedLayer& layer, const MusicSnapshot& music);

// How many pictures the layers have drawn so far, all layers together.
int32_t bakedPicturesDrawn();
