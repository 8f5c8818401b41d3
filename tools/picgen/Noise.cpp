#include "Noise.h"

#include <cmath>

namespace {

int32_t wrap(int32_t v, int32_t period) {
    if (period <= 0) {
        return v;
    }
    const int32_t r = v % period;
    return r < 0 ? r + period : r;
}

float smooth(float t) { return t * t * t * (t * (t * 6.0f - 15.0f) + 10.0f); }

}  // namespace

namespace Noise {

float hash(int32_t x, int32_t y, uint32_t seed) {
    uint32_t h = uint32_t(x) * 0x8da6b343u ^ uint32_t(y) * 0xd8163841u ^ seed * 0xcb1ab31fu;
    h ^= h >> 15;
    h *= 0x2c1b3c6du;
    h ^= h >> 12;
    h *= 0x297a2d39u;
    h ^= h >> 15;
    return float(h >> 8) * (1.0f / 16777216.0f);
}

float value(float x, float y, uint32_t seed, int32_t period) {
    const float fx = std::floor(x), fy = std::floor(y);
    const int32_t ix = int32_t(fx), iy = int32_t(fy);
    const float tx = smooth(x - fx), ty = smooth(y - fy);
    const int32_t x0 = wrap(ix, period), x1 = wrap(ix + 1, period);
    const int32_t y0 = wrap(iy, period), y1 = wrap(iy + 1, period);
    const float a = hash(x0, y0, seed), b = hash(x1, y0, seed);
    const float c = hash(x0, y1, seed), d = hash(x1, y1, seed);
    const float top = a + (b - a) * tx;
    const float bottom = c + (d - c) * tx;
    return top + (bottom - top) * ty;
}

float fractal(float x, float y, uint32_t seed, int octaves, int32_t period) {
    float sum = 0.0f, amplitude = 0.5f, norm = 0.0f;
    for (int o = 0; o < octaves; ++o) {
        sum += value(x, y, seed + uint32_t(o) * 131u, period) * amplitude;
        norm += amplitude;
        x *= 2.0f;
        y *= 2.0f;
        period *= 2;
        amplitude *= 0.5f;
    }
    return sum / norm;
}

}  // namespace Noise
