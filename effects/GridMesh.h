#pragma once
// The grid that "GridExp" warps: 50 x 50 vertices spanning 20 x 20 units around the
// origin, with texture coordinates spanning 0.5 x 0.7, and a triangle strip per row.
// Each vertex holds 14 floats: base position (x, y, z), current position, base texture
// coordinate (u, v), current texture coordinate, colour (r, g, b, a). The warps
// (GridWarp) write the current values and colours from the base ones; the effect draws
// the current ones.
//
// Row i's strip pairs vertex (i, k) with the vertex above it, (i + 1, k), for every
// column k: 2 x 50 indices, of which the effect draws the first 98, so the last column's
// quads are never drawn.
//
// No GL here.
#include <cstddef>
#include <cstdint>
#include <vector>

class GridMesh {
public:
    static constexpr int size = 50;
    static constexpr int floatsPerVertex = 14;
    // Offsets into a vertex, in floats.
    static constexpr int basePosition = 0;
    static constexpr int position = 3;
    static constexpr int baseTexCoord = 6;
    static constexpr int texCoord = 8;
    static constexpr int colour = 10;
    static constexpr int stripLength = 2 * size;

    GridMesh();
    // Current positions and texture coordinates := the base ones.
    void resetToBase();
    // Current positions := the base ones, texture coordinates as they are.
    void resetPositions();

    float* vertex(int row, int column) { return &vertexData[(size_t(row) * size + size_t(column)) * floatsPerVertex]; }
    const float* vertex(int row, int column) const {
        return &vertexData[(size_t(row) * size + size_t(column)) * floatsPerVertex];
    }
    const std::vector<float>& vertices() const { return vertexData; }
    const std::vector<uint16_t>& stripIndices() const { return indexData; }

    // Draw the per-vertex colours the warps wrote.
    bool shaded = false;

private:
    std::vector<float> vertexData;
    std::vector<uint16_t> indexData;
};
