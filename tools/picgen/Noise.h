#pragma once
// Value noise and fractal sums for clouds, aurora curtains and ridges. Lattice values come
// from an integer hash of the cell and a seed, so every picture is the same on every run.
// With a period, the noise wraps after that many cells (tiling textures).
#include <cstdint>

namespace Noise {
// Hash of a lattice point: a float in 0..1.
float hash(int32_t x, int32_t y, uint32_t seed);
// Smooth value noise in 0..1; period 0 means no wrapping.
float value(float x, float y, uint32_t seed, int32_t period = 0);
// Fractal sum of octaves, normalised to 0..1.
float fractal(float x, float y, uint32_t seed, int octaves, int32_t period = 0);
}
