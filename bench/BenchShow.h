#pragma once

// The engine and every asset as the show loads them, drawing into a 1920 x 1080 frame that stands
// in for the window (SDL's off-screen driver has no such screen): the benchmarks' start-up. Moves
// to the build directory, where the assets lie. False when the show could not be set up.
bool startBenchShow();
