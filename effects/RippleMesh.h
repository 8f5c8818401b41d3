#pragma once
// The ripple's disc: a flat mesh of concentric rings around (0.5, 0.5) in the unit square,
// each ring twice as finely cut as the one inside it, with texture coordinates equal to
// x and y, and the wave that lifts it. "Ripple" draws it; there is one for the program.
//
// Layout: vertex 0 is the centre; vertices 1-8 the rim (radius 0.05), vertex 9 a copy of
// vertex 1 that closes the centre fan; then rings n = 1..10 of 8 x 2^n vertices at radius
// 0.05 + 0.09 n. Band n joins ring n (the rim for n = 0) to ring n + 1 with three
// triangles per inner segment: 9 x 8 x 2^n indices.
//
// The wave: every step pushes sin(t x 0.001) - 1 into the front of a 1000-value history
// and lifts the centre by it; the rim and rings 1-9 take a weighted mean of an 83-value
// stretch of the history further back with each ring, so the wave travels outwards. The
// outermost ring stays at height 0. A step at t = 0 clears the history first.
//
// No GL here: the arrays are handed to glDrawArrays and glDrawElements by the effect.
#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

class RippleMesh {
public:
    static constexpr int rimSegments = 8;
    static constexpr int rings = 10;
    static constexpr int historyLength = 1000;
    // The history values one ring's mean covers: 1000 / (rings + 2), whole.
    static constexpr int waveStretch = historyLength / (rings + 2);
    static constexpr int fanVertexCount = rimSegments + 2;

    RippleMesh();
    // Lays the flat geometry out again; the history is kept.
    void build();
    // One step of the wave at demo time t.
    void waveStep(uint32_t t);

    // First vertex and vertex count of ring n (1..rings); ring 0 is the rim.
    static int ringStart(int ring);
    static int ringSize(int ring);
    // Offset into indices() and index count of band n (0..rings-1).
    static size_t bandOffset(int band);
    static size_t bandIndexCount(int band);

    const std::vector<float>& vertices() const { return vertexArray; }      // x, y, z each
    const std::vector<float>& texCoords() const { return texCoordArray; }   // u, v each
    const std::vector<uint16_t>& indices() const { return indexArray; }
    float heightOf(int vertex) const { return vertexArray[size_t(vertex) * 3 + 2]; }
    const std::array<float, historyLength>& history() const { return waveHistory; }

    static RippleMesh& program();

private:
    void setRingHeight(int ring, float height);

    std::vector<float> vertexArray;
    std::vector<float> texCoordArray;
    std::vector<uint16_t> indexArray;
    std::array<float, historyLength> waveHistory{};
};
