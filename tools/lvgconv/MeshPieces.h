#pragma once
// Cuts a triangle list into pieces that the engine can index: its meshes draw with 16-bit
// indices, so one piece holds at most 65,536 distinct vertices. Triangles keep their order
// and their corners' order; each piece lists, for its own vertices, the index of the
// vertex in the source, so every attribute (position, normal, uv sets, colours) is copied
// by the same map. A list that fits already comes back as one piece with the identity map.
#include <array>
#include <cstdint>
#include <vector>

struct MeshPiece {
    std::vector<uint32_t> sourceVertex;            // piece vertex i is source vertex sourceVertex[i]
    std::vector<std::array<int32_t, 3>> triangles;  // indices into sourceVertex
};

constexpr uint32_t maxPieceVertices = 65536;

// triangles hold source vertex indices below vertexCount (callers check this).
std::vector<MeshPiece> splitIntoPieces(uint32_t vertexCount, const std::vector<std::array<uint32_t, 3>>& triangles,
                                       uint32_t vertexLimit = maxPieceVertices);
