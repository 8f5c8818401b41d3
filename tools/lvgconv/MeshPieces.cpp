#include "tools/lvgconv/MeshPieces.h"

#include <unordered_map>

std::vector<MeshPiece> splitIntoPieces(uint32_t vertexCount, const std::vector<std::array<uint32_t, 3>>& triangles,
                                       uint32_t vertexLimit) {
    std::vector<MeshPiece> pieces;
    if (vertexCount <= vertexLimit) {
        MeshPiece whole;
        whole.sourceVertex.resize(vertexCount);
        for (uint32_t i = 0; i < vertexCount; ++i) whole.sourceVertex[i] = i;
        whole.triangles.reserve(triangles.size());
        for (const auto& t : triangles) whole.triangles.push_back({int32_t(t[0]), int32_t(t[1]), int32_t(t[2])});
        pieces.push_back(std::move(whole));
        return pieces;
    }
    // Greedy: a triangle goes into the current piece unless its new corners would push the
    // piece past the limit. Neighbouring triangles in a source list usually share corners,
    // so few vertices are duplicated across pieces.
    std::unordered_map<uint32_t, int32_t> pieceIndex;
    MeshPiece current;
    auto close = [&] {
        if (!current.triangles.empty()) pieces.push_back(std::move(current));
        current = MeshPiece{};
        pieceIndex.clear();
    };
    for (const auto& t : triangles) {
        uint32_t added = 0;
        for (int corner = 0; corner < 3; ++corner) {
            bool repeated = false;
            for (int earlier = 0; earlier < corner; ++earlier) repeated = repeated || t[earlier] == t[corner];
            if (!repeated && !pieceIndex.count(t[corner])) ++added;
        }
        if (current.sourceVertex.size() + added > vertexLimit) close();
        std::array<int32_t, 3> local{};
        for (int corner = 0; corner < 3; ++corner) {
            auto [found, inserted] = pieceIndex.try_emplace(t[corner], int32_t(current.sourceVertex.size()));
            if (inserted) current.sourceVertex.push_back(t[corner]);
            local[corner] = found->second;
        }
        current.triangles.push_back(local);
    }
    close();
    return pieces;
}
