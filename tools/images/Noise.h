// Deterministic hash noise: every picture must come out byte-identical on every run.
#pragma once

// Uniform value in [0, 1) for an integer lattice point and a seed.
float hash2(int x, int y, int seed);
// Smooth value noise; a positive period makes it tile with that many cells.
float valueNoise(float x, float y, int seed, int period = 0);
// Sum of octaves of value noise, roughly in [0, 1].
float fbm(float x, float y, int seed, int octaves, int period = 0);
