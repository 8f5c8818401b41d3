#include "effects/RippleMesh.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {
constexpr float centre = 0.5f;
constexpr float rimRadius = 0.05f;
constexpr float ringSpacing = 0.9f / RippleMesh::rings;
}  // namespace

RippleMesh::RippleMesh() {
    build();
}

RippleMesh& RippleMesh::program() {
    static RippleMesh mesh;
    return mesh;
}

int RippleMesh::ringStart(int ring) {
    if (ring == 0) return 1;
    // The fan's ten vertices, then rings of 16, 32, ...: 10 + 8 x (2^n - 2).
    return rimSegments * (1 << ring) - 6;
}

int RippleMesh::ringSize(int ring) {
    return rimSegments << ring;
}

size_t RippleMesh::bandOffset(int band) {
    return size_t(9 * rimSegments) * ((size_t(1) << band) - 1);
}

size_t RippleMesh::bandIndexCount(int band) {
    return size_t(9 * rimSegments) << band;
}

void RippleMesh::build() {
    vertexArray.clear();
    texCoordArray.clear();
    indexArray.clear();
    auto addVertex = [this](float x, float y) {
        vertexArray.insert(vertexArray.end(), {x, y, 0.0f});
        texCoordArray.insert(texCoordArray.end(), {x, y});
    };
    const double turn = 2.0 * std::numbers::pi;
    addVertex(centre, centre);
    for (int i = 0; i < rimSegments; ++i) {
        const double angle = turn * i / rimSegments;
        addVertex(float(centre + rimRadius * std::sin(angle)), float(centre + rimRadius * std::cos(angle)));
    }
    addVertex(vertexArray[3], vertexArray[4]);
    for (int ring = 1; ring <= rings; ++ring) {
        const int size = ringSize(ring);
        const float radius = rimRadius + ringSpacing * float(ring);
        for (int j = 0; j < size; ++j) {
            const double angle = turn * j / size;
            addVertex(float(centre + radius * std::sin(angle)), float(centre + radius * std::cos(angle)));
        }
    }

    for (int band = 0; band < rings; ++band) {
        const int inner = ringStart(band);
        const int innerSize = band == 0 ? rimSegments : ringSize(band);
        const int outer = ringStart(band + 1);
        for (int k = 0; k < innerSize; ++k) {
            const int a = inner + k;
            const int b = k + 1 < innerSize ? a + 1 : inner;
            const int u = outer + 2 * k;
            const int uNext = k + 1 < innerSize ? u + 2 : outer;
            indexArray.insert(indexArray.end(), {uint16_t(u), uint16_t(a), uint16_t(u + 1),
                                                 uint16_t(a), uint16_t(b), uint16_t(u + 1),
                                                 uint16_t(b), uint16_t(u + 1), uint16_t(uNext)});
        }
    }
}

void RippleMesh::setRingHeight(int ring, float height) {
    const int first = ringStart(ring);
    const int count = ring == 0 ? rimSegments + 1 : ringSize(ring);  // the rim with its copy
    for (int i = first; i < first + count; ++i) vertexArray[size_t(i) * 3 + 2] = height;
}

void RippleMesh::waveStep(uint32_t t) {
    if (t == 0) waveHistory.fill(0.0f);
    std::copy_backward(waveHistory.begin(), waveHistory.end() - 1, waveHistory.end());
    const float lift = float(std::sin(t * 0.001) - 1.0);
    waveHistory[0] = lift;
    vertexArray[2] = lift;
    constexpr float stretch = float(waveStretch);
    for (int ring = 0; ring < rings; ++ring) {
        float sum = 0.0f;
        for (int k = 0; k < waveStretch; ++k) {
            sum += float(k) * waveHistory[size_t(ring * waveStretch + k + 1)] / stretch;
        }
        setRingHeight(ring, sum / stretch);
    }
}
