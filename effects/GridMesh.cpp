#include "effects/GridMesh.h"

#include <algorithm>

namespace {
constexpr double gridWidth = 20.0;
constexpr double gridHeight = 20.0;
constexpr double textureWidth = 0.5;
constexpr double textureHeight = 0.7;
}  // namespace

GridMesh::GridMesh() : vertexData(size_t(size) * size * floatsPerVertex, 0.0f) {
    const double last = size - 1;
    for (int row = 0; row < size; ++row) {
        for (int column = 0; column < size; ++column) {
            float* v = vertex(row, column);
            v[basePosition] = float(-gridWidth / 2 + gridWidth * column / last);
            v[basePosition + 1] = float(-gridHeight / 2 + gridHeight * row / last);
            v[basePosition + 2] = 0.0f;
            v[baseTexCoord] = float(textureWidth * column / last);
            v[baseTexCoord + 1] = float(textureHeight * row / last);
        }
    }
    resetToBase();
    for (int row = 0; row + 1 < size; ++row) {
        for (int column = 0; column < size; ++column) {
            indexData.push_back(uint16_t(row * size + column));
            indexData.push_back(uint16_t(row * size + column + size));
        }
    }
}

void GridMesh::resetPositions() {
    for (size_t i = 0; i < vertexData.size(); i += floatsPerVertex) {
        std::copy_n(&vertexData[i + basePosition], 3, &vertexData[i + position]);
    }
}

void GridMesh::resetToBase() {
    resetPositions();
    for (size_t i = 0; i < vertexData.size(); i += floatsPerVertex) {
        std::copy_n(&vertexData[i + baseTexCoord], 2, &vertexData[i + texCoord]);
    }
}
