#pragma once

// The background of scene 3 in two draws: the sunset with its neon sign over the whole frame
// ("palms_Kavex"), then the palms as strips that cover only their own pixels ("palm_trees").
// The sign never changes, so set-up draws it once ("palms_sign") into the engine's
// "SecondRendertexture", which the sunset reads.

// Loads the two extra programs (without console lines: the show's start-up lines stay as they
// are) and draws the sign; the palm shader must be set up already.
void setupPalmScene();
// Draws the background. With `behindDrawn`, only where nothing has been drawn yet with depth (the
// falling tiles): the depth test is on for these draws, depth writes off.
void drawPalmScene(bool behindDrawn);
