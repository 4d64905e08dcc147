// Helpers for the six-colour pixel-art sprites: hard-edged stamping, ordered dithering, outlining, upscaling.
#pragma once

#include "Canvas.h"

#include <functional>
#include <vector>

// Sets every pixel the mask covers by at least half, with no anti-aliasing.
void stamp(Canvas& canvas, const Mask& mask, const std::function<Color(int, int)>& colorAt);
void stamp(Canvas& canvas, const Mask& mask, Color c);
// Picks one of the palette colours along `ramp` at t, mixing neighbours with a 4 x 4 Bayer pattern.
Color ditheredRamp(const std::vector<Color>& ramp, float t, int x, int y);
// Paints `outline` on every transparent pixel that touches an opaque one (grows the sprite by a pixel).
void outline(Canvas& canvas, Color outlineColor);
Canvas upscaled(const Canvas& canvas, int factor);
// Number of distinct opaque colours, to keep the sprites honest about their palette.
int countColours(const Canvas& canvas);
