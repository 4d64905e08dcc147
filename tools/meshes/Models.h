// The show's three models, built in code.
#pragma once

#include "MeshBuilder.h"

// Flamingo facing -x, standing on one leg; faces ordered from the feet up so a partial draw builds the bird.
Mesh buildFlamingo();
// Board, mast, sail and rider, built behind its origin; the rider stands on the -z side of the sail.
Mesh buildWindsurf();
// One floor tile without texture coordinates.
Mesh buildPlane();
