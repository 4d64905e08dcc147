// Helpers for the model textures: bands of baked, lit colour following the meshes' atlas.
#pragma once

#include "Atlas.h"
#include "Canvas.h"

#include <functional>

// Fills band `band` starting at pixel row `top`: colorAt(along 0..1) gives the part's colour, lit around the part.
void paintBand(Canvas& canvas, int top, const std::function<Color(float along, float turn)>& colorAt);
