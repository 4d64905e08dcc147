// The two lettering looks of the show: 80s chrome and neon tubes.
#pragma once

#include "Canvas.h"

// Chrome gradient (sky, dark horizon line, sunset) for t from the letters' top (0) to bottom (1).
Color chromeAt(float t);
// Chrome letters with a deep outline and a hot-pink halo; top and bottom bound the gradient.
void paintChrome(Canvas& canvas, const Mask& letters, float top, float bottom, int outline);
// Neon tube: white-hot core, coloured tube, soft additive glow of the given radius.
void paintNeon(Canvas& canvas, const Mask& letters, Color tube, int glowRadius);
// Neon tubes mounted on a dark backboard that hugs the letters: the board keeps the tubes and
// their glow readable over bright pictures, also while the whole sign is faded.
void paintNeonSign(Canvas& canvas, const Mask& letters, Color tube, int glowRadius);
// Sung words: white capitals cooling to ice blue towards the baseline, a dark outline and a
// tight magenta glow, readable over the road, the palms and the magenta tunnel alike.
void paintSungLine(Canvas& canvas, const Mask& letters, float capTop, float baseline);
