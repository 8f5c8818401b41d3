#pragma once
// The four closed-form warps of "GridExp", applied to a GridMesh once per frame at warp
// time x (the effect's animated time x 0.05):
//   0 waves in position and depth, shaded by depth;
//   1 a radial dent whose depth pulses with sin(0.1 x) (a fixed 0.01 while that is
//     negative); positions start from the base every frame;
//   2 the waves of 0 with amplitudes and frequencies from the effect's variables;
//   3 a swirl of the texture coordinates, widened by the music level; positions stay.
// Only interior vertices move (rows and columns 1..47); each one moved gets alpha 1.
// Every warp works from the base values, so nothing accumulates from frame to frame.
// No GL here.
class GridMesh;

struct GridWarpInputs {
    float ampX = 0.3f;
    float ampY = 0.1f;
    float ampZ = 0.2f;
    float magicStrength = 0.3f;  // frequencies scale by magicStrength x 20
    float magic[5] = {0.4f, 0.4f, 0.4f, 0.4f, 0.4f};
    float spectrumLevel = 0.0f;
};

constexpr int gridWarpCount = 4;

// Runs warp `warp` (0..3; any other number does nothing).
void applyGridWarp(GridMesh& mesh, int warp, float x, const GridWarpInputs& inputs);
