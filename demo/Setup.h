#pragma once
#include <cstdint>

#include "demo/SceneState.h"

// Builds the four full-screen effect shaders and hands them their input textures;
// false as soon as one cannot be built.
bool setupEffectShaders();

// Cuts the texture into the shatter grid and gives each tile a random velocity;
// with an invalid texture the grid stays empty.
void fillShatterGrid(TileShatter& tiles, int32_t textureId);
