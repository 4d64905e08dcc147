#pragma once

// The background of scene 3 in four draws, each over only the pixels it can change: the sunset
// over the whole frame ("palms_Kavex"), the neon sign's light added over the box around the sign
// and its reflection ("palms_glow", reading the sign drawn once into "SecondRendertexture" by
// "palms_sign"), the palms as strips that hug their trunks and fronds ("palm_trees"), and the
// glitter of the broken screen in the air, a small quad a shard ("palm_glitter").

// Builds the sea's band, the sign's, the palms' and the glitter's programs (without console lines: the show's start-up
// lines stay as they are); the palm shader must be set up already.
void setupPalmScene();
// Draws the background. With `behindDrawn`, only where nothing has been drawn yet with depth (the
// falling tiles): the depth test is on for these draws, depth writes off.
void drawPalmScene(bool behindDrawn);
