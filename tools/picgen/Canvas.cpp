#include "Canvas.h"

#include <algorithm>
#include <cmath>

Colour mix(const Colour& a, const Colour& b, float t) {
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t, a.a + (b.a - a.a) * t};
}

Canvas::Canvas(int width, int height, Colour fill)
    : w(width), h(height), pixels(size_t(width) * size_t(height), fill) {}

void Canvas::blendOver(int x, int y, const Colour& colour, float coverage) {
    if (x < 0 || y < 0 || x >= w || y >= h) {
        return;
    }
    Colour& d = at(x, y);
    const float sa = std::clamp(colour.a * coverage, 0.0f, 1.0f);
    const float outA = sa + d.a * (1.0f - sa);
    if (outA <= 0.0f) {
        return;
    }
    d.r = (colour.r * sa + d.r * d.a * (1.0f - sa)) / outA;
    d.g = (colour.g * sa + d.g * d.a * (1.0f - sa)) / outA;
    d.b = (colour.b * sa + d.b * d.a * (1.0f - sa)) / outA;
    d.a = outA;
}

void Canvas::addLight(int x, int y, const Colour& colour, float amount) {
    if (x < 0 || y < 0 || x >= w || y >= h) {
        return;
    }
    Colour& d = at(x, y);
    d.r += colour.r * amount;
    d.g += colour.g * amount;
    d.b += colour.b * amount;
}

std::vector<uint8_t> Canvas::toBytes(int channels) const {
    std::vector<uint8_t> bytes(pixels.size() * size_t(channels));
    auto quantise = [](float v) { return uint8_t(std::lround(std::clamp(v, 0.0f, 1.0f) * 255.0f)); };
    for (size_t i = 0; i < pixels.size(); ++i) {
        const Colour& p = pixels[i];
        uint8_t* out = bytes.data() + i * size_t(channels);
        out[0] = quantise(p.r);
        out[1] = quantise(p.g);
        out[2] = quantise(p.b);
        if (channels == 4) {
            out[3] = quantise(p.a);
        }
    }
    return bytes;
}

Canvas Canvas::halved() const {
    Canvas half(std::max(1, w / 2), std::max(1, h / 2));
    for (int y = 0; y < half.h; ++y) {
        for (int x = 0; x < half.w; ++x) {
            Colour sum{0, 0, 0, 0};
            for (int dy = 0; dy < 2; ++dy) {
                for (int dx = 0; dx < 2; ++dx) {
                    const Colour& p = at(std::min(w - 1, x * 2 + dx), std::min(h - 1, y * 2 + dy));
                    sum.r += p.r;
                    sum.g += p.g;
                    sum.b += p.b;
                    sum.a += p.a;
                }
            }
            half.at(x, y) = {sum.r * 0.25f, sum.g * 0.25f, sum.b * 0.25f, sum.a * 0.25f};
        }
    }
    return half;
}
