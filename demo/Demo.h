#pragma once
#include <cstdint>

// Creates every scene object and requests every asset; false when the show cannot run.
bool setupDemo();
// Advances the scenes and animates them from the clock and the music snapshot.
void updateDemo();
// Draws the current scene into the window target.
void renderDemo();

// The order position at which the show leaves scene s for scene s + 1 (s from 0 to 5).
constexpr int32_t SCENE_TRIGGER_ORDERS[6] = {5, 8, 15, 17, 23, 25};
