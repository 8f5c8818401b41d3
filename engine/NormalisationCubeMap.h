#pragma once
// The program's one normalisation cube map: each texel holds the unit vector of the
// direction that looks it up, packed as 0.5 + 0.5 × (x, y, z). The bump shade model
// samples it with the per-vertex light vectors, so that the dot-product combiner works on
// directions of length 1 however the vectors were interpolated.
//
// Made on the first request (GL context current), kept in the texture cache under
// "normalisationcubemap" and never deleted, like every texture.
#include "engine/Math3D.h"

class Texture;

constexpr int normalisationCubeMapSide = 32;

// The unit direction through the centre of texel (column, row) of cube face 0..5 (in GL's
// order +x, -x, +y, -y, +z, -z) of a side × side face.
Vec3 normalisationDirection(int face, int column, int row, int side);

Texture& normalisationCubeMap();
