#pragma once

// Creates every scene object and requests every asset; false when the show cannot run.
bool setupDemo();
// Advances the scenes and animates them from the clock and the music snapshot.
void updateDemo();
// Draws the current scene into the window target.
void renderDemo();
