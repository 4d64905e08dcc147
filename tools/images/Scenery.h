// Pieces of scenery shared by several backgrounds.
#pragma once

#include "Canvas.h"
#include "Shapes.h"

// The vapor sky's colours from the zenith (0) to the horizon (1).
Color duskSkyAt(float t);
// Retro sun: gradient disc whose lower half is cut by widening horizontal gaps.
void paintStripedSun(Canvas& canvas, Point centre, float radius, float horizonY);
// Scattered stars of a few sizes above maxY, brighter towards the top.
void paintStars(Canvas& canvas, int count, float maxY, int seed);
// Palm silhouette: a curved trunk from the base with fronds hanging from the crown.
void paintPalm(Canvas& canvas, Point base, float height, float lean, Color color, int seed);
