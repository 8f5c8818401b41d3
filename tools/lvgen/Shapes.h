#pragma once
// The procedural meshes of lvgen: positions, one normal and one (u, v) per vertex, and
// counter-clockwise triangles seen from outside (the engine culls back faces). Centred on
// the origin; v runs up the picture, as a scene file keeps it. Deterministic.
#include "engine/Math3D.h"

#include <array>
#include <cstdint>
#include <vector>

struct MeshGeometry {
    std::vector<Vec3> positions;
    std::vector<Vec3> normals;
    std::vector<Vec2> uvs;
    std::vector<std::array<int32_t, 3>> faces;
};

namespace shapes {
MeshGeometry box(float width, float height, float depth);
MeshGeometry sphere(float radius, int segments, int rings);
MeshGeometry torus(float majorRadius, float minorRadius, int segments, int sides);
// In the x-z plane facing +y, divided into divisions × divisions cells.
MeshGeometry plane(float width, float depth, int divisions);
// A star of points tips (outer and inner radius) extruded along z by depth, with caps.
MeshGeometry extrusion(int points, float outerRadius, float innerRadius, float depth);
// A height field over a size × size square facing +y, heights from seeded value noise.
MeshGeometry terrain(float size, int divisions, float height, uint32_t seed);
}  // namespace shapes
