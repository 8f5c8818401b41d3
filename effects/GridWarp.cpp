#include "effects/GridWarp.h"

#include "effects/GridMesh.h"

#include <cmath>
#include <numbers>

namespace {
constexpr int N = GridMesh::size;
constexpr int firstMoved = 1;
constexpr int lastMoved = N - 3;

void shade(float* v, float level) {
    v[GridMesh::colour] = level;
    v[GridMesh::colour + 1] = level;
    v[GridMesh::colour + 2] = level;
    v[GridMesh::colour + 3] = 1.0f;
}

void waves(GridMesh& mesh, float x) {
    const float b = 0.2f * x;
    const float q = 0.11111111f * x;
    const float c = 0.14285715f * x;
    for (int i = firstMoved; i <= lastMoved; ++i) {
        const float r = float(i) / N;
        const float f = std::cos(std::sin(q) + 27.0f * r);
        const float g = std::sin(7.0f * r + b);
        for (int j = firstMoved; j <= lastMoved; ++j) {
            float* v = mesh.vertex(i, j);
            const float l = 10.0f * float(j) / N;
            const float px = (g + std::sin(b + 3.0f * l)) * 0.5f + v[GridMesh::basePosition];
            const float py = std::cos(q + l) * 0.3f + v[GridMesh::basePosition + 1];
            const float pz = (px * std::sin(27.0f * l + c) + f * py) * 0.2f;
            v[GridMesh::position] = px;
            v[GridMesh::position + 1] = py;
            v[GridMesh::position + 2] = pz;
            shade(v, pz * 0.5f + 1.0f);
        }
    }
}

void dent(GridMesh& mesh, float x) {
    mesh.resetPositions();
    const float middle = 0.5f * N;
    const float pulse = std::sin(0.1f * x) * 0.5f;
    const float strength = pulse < 0.0f ? 0.01f : pulse;
    const float radius = std::sqrt(0.5f * N * N);
    for (int i = firstMoved; i <= lastMoved; ++i) {
        for (int j = firstMoved; j <= lastMoved; ++j) {
            float* v = mesh.vertex(i, j);
            float d = std::sqrt((i - middle) * (i - middle) + (j - middle) * (j - middle));
            d = d * std::sin(d * std::numbers::pi_v<float> / radius);
            const float pz = -d * d * strength;
            v[GridMesh::position + 2] = pz;
            shade(v, -0.1f * pz);
        }
    }
}

void tunedWaves(GridMesh& mesh, float x, const GridWarpInputs& in) {
    const float m = in.magicStrength * 20.0f;
    const float tt = m * in.magic[1];
    const float u = m * in.magic[0];
    const float vf = m * in.magic[2];
    const float w = 0.2f * x;
    const float q = 0.11111111f * x;
    const float A = in.magic[4] * m;
    const float D = in.magic[3] * m;
    const float E = 0.14285715f * x;
    for (int i = firstMoved; i <= lastMoved; ++i) {
        const float r = float(i) / N;
        const float H = std::cos(std::cos(q) + r * A);
        const float I = std::sin(r * tt + w);
        for (int j = firstMoved; j <= lastMoved; ++j) {
            float* v = mesh.vertex(i, j);
            const float X = v[GridMesh::basePosition];
            const float L = float(j) * u / N;
            const float px = (I + std::cos(w + L * vf)) * in.ampX + X;
            const float py = std::cos(q + tt * L) * in.ampY + v[GridMesh::basePosition + 1];
            const float pz = (X * std::sin(L * D + E) + H * px) * in.ampZ;
            v[GridMesh::position] = px;
            v[GridMesh::position + 1] = py;
            v[GridMesh::position + 2] = pz;
            shade(v, pz * 0.5f + 1.0f);
        }
    }
}

void swirl(GridMesh& mesh, float x, const GridWarpInputs& in) {
    const float m = in.magicStrength * 20.0f;
    const float tt = m * in.magic[1];
    const float u = m * in.magic[0];
    const float vf = m * in.magic[2];
    const float w = 0.2f * x;
    const float A = in.magic[3] * m;
    const float B = in.ampX * (2.0f * in.spectrumLevel + 1.0f);
    const float K = in.magic[4] * m;
    const float D = 0.11111111f * x;
    const float E = in.ampY * (2.0f * in.spectrumLevel + 1.0f);
    for (int i = firstMoved; i <= lastMoved; ++i) {
        const float r = float(i) / N;
        const float G = std::sin(r * tt + w);
        for (int j = firstMoved; j <= lastMoved; ++j) {
            float* v = mesh.vertex(i, j);
            const float I = float(j) * u / N;
            const float su = (G + std::cos(w + I * A)) * B + v[GridMesh::baseTexCoord];
            const float sv = (std::cos(su * K) + std::cos(I * vf + D)) * E + v[GridMesh::baseTexCoord + 1] + 0.1f;
            v[GridMesh::texCoord] = su;
            v[GridMesh::texCoord + 1] = sv;
            v[GridMesh::colour + 3] = 1.0f;
        }
    }
}
}  // namespace

void applyGridWarp(GridMesh& mesh, int warp, float x, const GridWarpInputs& inputs) {
    switch (warp) {
        case 0: waves(mesh, x); break;
        case 1: dent(mesh, x); break;
        case 2: tunedWaves(mesh, x, inputs); break;
        case 3: swirl(mesh, x, inputs); break;
        default: break;
    }
}
